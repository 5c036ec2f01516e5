// DLLs planted beside the programs under the names of the DLLs they load: a notice must neither
// load one nor stop working because of one.
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "folders.hpp"
#include "notice_argument.hpp"
#include "notice_stack.hpp"
#include "program_paths.hpp"
#include "screen_reader.hpp"

namespace hardening {
namespace {

constexpr DWORD kPlantedExitCode = 86;

std::wstring lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

std::wstring file_name_of(const std::wstring& path) {
  return path.substr(path.find_last_of(L"\\/") + 1);
}

bool under_wine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// Known DLLs, with the DLLs they import: Windows loads them from the system folder only, whatever
// lies beside a program.
const std::set<std::wstring> kKnownDlls{L"advapi32.dll",   L"bcryptprimitives.dll",
                                        L"cfgmgr32.dll",   L"clbcatq.dll",
                                        L"combase.dll",    L"comdlg32.dll",
                                        L"coml2.dll",      L"difxapi.dll",
                                        L"gdi32.dll",      L"gdi32full.dll",
                                        L"gdiplus.dll",    L"imagehlp.dll",
                                        L"imm32.dll",      L"kernel32.dll",
                                        L"kernelbase.dll", L"msctf.dll",
                                        L"msvcp_win.dll",  L"msvcrt.dll",
                                        L"normaliz.dll",   L"nsi.dll",
                                        L"ntdll.dll",      L"ole32.dll",
                                        L"oleaut32.dll",   L"psapi.dll",
                                        L"rpcrt4.dll",     L"sechost.dll",
                                        L"setupapi.dll",   L"shcore.dll",
                                        L"shell32.dll",    L"shlwapi.dll",
                                        L"ucrtbase.dll",   L"user32.dll",
                                        L"win32u.dll",     L"wldap32.dll",
                                        L"ws2_32.dll"};

// Loaded by a notice under Wine, seen with WINEDEBUG=+loaddll, some only for a moment: the sound
// (winmm and what it brings), the pictures (windowscodecs and what it brings), the theme, the
// cryptographic provider that a stack protector runtime asks for at start-up, oleacc once a
// screen reader asks for the notice's accessible object, and wtsapi32 and userenv where a notice
// started where nobody sees it hands itself on.
const std::vector<std::wstring> kSeenLoaded{
    L"winmm.dll",  L"msacm32.dll",  L"mmdevapi.dll", L"windowscodecs.dll", L"propsys.dll",
    L"zlib1.dll",  L"uxtheme.dll",  L"rsaenh.dll",   L"bcrypt.dll",        L"crypt32.dll",
    L"oleacc.dll", L"wtsapi32.dll", L"userenv.dll"};

// Imported by Wine's own system DLLs (user32 imports version.dll, another zlib1.dll), so Wine loads
// them with the program's imports, from the program's folder first, before the program's first
// instruction; Windows' DLLs do neither, and Windows has no zlib1.dll. Nothing the program does can
// change that, so under Wine they are not planted.
const std::set<std::wstring> kWineOwnImports{L"version.dll", L"zlib1.dll"};

std::vector<std::wstring> modules_of(DWORD process_id) {
  std::vector<std::wstring> paths;
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process_id);
  if (snapshot == INVALID_HANDLE_VALUE) {
    return paths;
  }
  MODULEENTRY32W module{};
  module.dwSize = sizeof module;
  for (BOOL more = Module32FirstW(snapshot, &module); more != 0;
       more = Module32NextW(snapshot, &module)) {
    paths.emplace_back(module.szExePath);
  }
  CloseHandle(snapshot);
  return paths;
}

std::wstring system_folder() {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  return lower(std::wstring(folder, length));
}

// The DLLs worth planting: those seen loaded, and any other a notice has loaded by the time it has
// played its sound, less the known DLLs and Wine's own drivers.
std::vector<std::wstring> dlls_to_plant(const std::wstring& folder) {
  std::set<std::wstring> names(kSeenLoaded.begin(), kSeenLoaded.end());
  const std::wstring sound = folder + L"\\ctrl\\" + kMessageNotice.sound_file;
  mark_unread(sound);
  Process notice(folder + L"\\" + kMessageNotice.file_name,
                 e2e::notice_argument(L'X', L' ', L"Quais DLLs?", L"", L""));
  if (const HWND window = wait_until_on_top(notice, 30s); window != nullptr) {
    e2e::wait_until([&] { return has_been_read(sound); }, 5s, 50ms);
    e2e::read_accessible(window);
    for (const std::wstring& path : modules_of(notice.id())) {
      const std::wstring name = lower(file_name_of(path));
      if (name.ends_with(L".dll") && !kKnownDlls.contains(name)) {
        names.insert(name);
      }
    }
  }
  if (under_wine()) {
    for (const std::wstring& name : kWineOwnImports) {
      names.erase(name);
    }
  }
  return {names.begin(), names.end()};
}

std::wstring marks_left(const std::wstring& folder) {
  std::wstring marks;
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW((extended(folder) + L"\\*.loaded").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      marks += std::wstring(found.cFileName) + L" ";
      DeleteFileW((extended(folder) + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(search, &found) != 0);
    FindClose(search);
  }
  return marks;
}

std::wstring without_extension(const std::wstring& name) {
  return name.substr(0, name.find_last_of(L'.'));
}

// Native first for the planted names, for the named programs only, while the guard lives: Wine's
// per-program DLL overrides (HKCU\Software\Wine\AppDefaults\<program>\DllOverrides). Wine takes
// WINEDLLOVERRIDES from its own Unix environment rather than from the environment a Windows
// parent passes, so the registry is the way to set them for the children alone. Windows ignores
// the key and always takes the DLL file it finds.
class NativeFirst {
 public:
  NativeFirst(std::vector<std::wstring> programs, const std::vector<std::wstring>& dlls)
      : programs_(std::move(programs)) {
    for (const std::wstring& program : programs_) {
      HKEY key = nullptr;
      if (RegCreateKeyExW(HKEY_CURRENT_USER, key_of(program).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                          nullptr, &key, nullptr) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot write Wine's DLL overrides");
      }
      static constexpr wchar_t kOrder[] = L"native,builtin";
      for (const std::wstring& dll : dlls) {
        RegSetValueExW(key, without_extension(dll).c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(kOrder), sizeof kOrder);
      }
      RegCloseKey(key);
    }
  }
  ~NativeFirst() {
    for (const std::wstring& program : programs_) {
      RegDeleteTreeW(HKEY_CURRENT_USER, key_of(program).c_str());
      RegDeleteKeyW(HKEY_CURRENT_USER, (L"Software\\Wine\\AppDefaults\\" + program).c_str());
    }
  }
  NativeFirst(const NativeFirst&) = delete;
  NativeFirst& operator=(const NativeFirst&) = delete;

 private:
  static std::wstring key_of(const std::wstring& program) {
    return L"Software\\Wine\\AppDefaults\\" + program + L"\\DllOverrides";
  }
  std::vector<std::wstring> programs_;
};

TEST(PlantedDlls, NoticesNeverLoadALookAlikeBesideThemAndStillWork) {
  TempFolder root(L"planted");
  const std::wstring folder = root / L"Avisos";
  install(kMessageNotice, folder);
  install(kPrintNotice, folder);
  copy_file(e2e::program_path(L"naive_loader.exe"), folder + L"\\naive_loader.exe");
  const bool reads_recorded = reads_are_recorded(root.path());

  const std::vector<std::wstring> names = dlls_to_plant(folder);
  for (const std::wstring name : {L"winmm.dll", L"windowscodecs.dll", L"oleacc.dll"}) {
    ASSERT_NE(std::find(names.begin(), names.end(), name), names.end())
        << e2e::narrow(name) << " is not among the DLLs to plant";
  }
  std::wstring planted_names;
  for (const std::wstring& name : names) {
    copy_file(e2e::program_path(L"planted.dll"), folder + L"\\" + name);
    planted_names += name + L" ";
  }
  std::printf("planted: %s\n", e2e::narrow(planted_names).c_str());
  // Beside the programs and in their current directory, and preferred to the system's own.
  const NativeFirst native_first(
      {kMessageNotice.file_name, kPrintNotice.file_name, L"naive_loader.exe"}, names);
  const LaunchOptions planted{folder};

  // The planting itself must work: a program loading each name the naive way ends at once.
  {
    std::vector<Process> naive;
    for (const std::wstring& name : names) {
      naive.emplace_back(folder + L"\\naive_loader.exe", name, planted);
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
      EXPECT_EQ(naive[i].wait_for_exit(20s), std::optional<DWORD>{kPlantedExitCode})
          << "a naive load of " << e2e::narrow(names[i]) << " did not reach the planted DLL";
    }
  }
  marks_left(folder);

  std::vector<StackedNotice> notices;
  for (const NoticeProgram* program : {&kMessageNotice, &kPrintNotice}) {
    mark_unread(folder + L"\\ctrl\\" + program->sound_file);
    notices.push_back(start_stacked(
        e2e::narrow(program->file_name), *program, folder + L"\\" + program->file_name,
        L"DLLs falsas ao lado de " + std::wstring(program->file_name), false, planted));
  }
  wait_until_all_on_top(notices, 60s);
  const std::wstring own_folder = lower(folder + L"\\");
  for (const StackedNotice& notice : notices) {
    if (notice.window == nullptr) {
      continue;
    }
    const std::wstring sound = folder + L"\\ctrl\\" + notice.program->sound_file;
    EXPECT_TRUE(!reads_recorded || e2e::wait_until([&] { return has_been_read(sound); }, 10s, 50ms))
        << notice.name << " never played its sound";
    // As a screen reader asks, which loads oleacc into the notice.
    EXPECT_EQ(e2e::read_accessible(notice.window).result, S_OK)
        << notice.name << " gave no accessible object";
    const std::vector<std::wstring> modules = modules_of(notice.process.id());
    bool system_winmm = false;
    bool system_oleacc = false;
    for (const std::wstring& path : modules) {
      const std::wstring name = lower(path);
      system_winmm = system_winmm || name == system_folder() + L"\\winmm.dll";
      system_oleacc = system_oleacc || name == system_folder() + L"\\oleacc.dll";
      if (name.starts_with(own_folder) &&
          !(under_wine() && kWineOwnImports.contains(file_name_of(name)))) {
        EXPECT_EQ(name, own_folder + lower(notice.program->file_name))
            << notice.name << " loaded " << e2e::narrow(path);
      }
    }
    EXPECT_TRUE(system_winmm) << notice.name << " has not loaded the system's winmm.dll";
    EXPECT_TRUE(system_oleacc) << notice.name << " has not loaded the system's oleacc.dll";
  }
  EXPECT_EQ(close_from_the_top(notices), 2);

  // Started where nobody sees it, the notice hands itself on from the same folder.
  const HiddenStation hidden;
  const Process first(folder + L"\\" + kMessageNotice.file_name,
                      e2e::notice_argument(L'X', L' ', L"DLLs falsas, longe dos olhos", L"", L""),
                      HiddenStation::on(folder));
  DWORD shown = 0;
  e2e::wait_until([&] { return (shown = child_of(first.id())) != 0 || !first.running(); }, 20s);
  const HWND handed_on = wait_until_on_top(shown, 30s);
  EXPECT_NE(handed_on, nullptr) << "no notice handed on; exit code "
                                << first.wait_for_exit(0ms).value_or(0);
  if (handed_on != nullptr) {
    click_close_box(kMessageNotice, handed_on);
  }
  EXPECT_EQ(first.wait_for_exit(10s), std::optional<DWORD>{0});
  EXPECT_EQ(marks_left(folder), L"") << "planted DLLs were loaded";
  RecordProperty("planted", static_cast<int>(names.size()));
}

}  // namespace
}  // namespace hardening
