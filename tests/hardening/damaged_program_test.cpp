// A program file damaged where its pictures lie: the failure is outside the two places that
// swallow failures, so the program must report it to the debugger and end with exit code 1, at
// once and without a window.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "folders.hpp"
#include "notice_argument.hpp"
#include "notice_process.hpp"
#include "notice_view.hpp"
#include "program_paths.hpp"

namespace hardening {
namespace {

struct Span {
  DWORD offset;
  DWORD size;
};

BOOL CALLBACK collect_name(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR context) {
  if (IS_INTRESOURCE(name)) {
    reinterpret_cast<std::vector<WORD>*>(context)->push_back(
        static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)));
  }
  return TRUE;
}

// Where the RCDATA resources (the pictures) lie in the file.
std::vector<Span> picture_spans(const std::wstring& program) {
  std::vector<Span> spans;
  const HMODULE module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) {
    return spans;
  }
  // A data file is mapped as it lies on disk, so an address in it is an offset in the file.
  const auto* base = reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(module) & ~3ULL);
  std::vector<WORD> ids;
  EnumResourceNamesW(module, MAKEINTRESOURCEW(10), collect_name, reinterpret_cast<LONG_PTR>(&ids));
  for (const WORD id : ids) {
    const HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));
    const void* data = resource != nullptr ? LockResource(LoadResource(module, resource)) : nullptr;
    if (data != nullptr) {
      spans.push_back({static_cast<DWORD>(static_cast<const BYTE*>(data) - base),
                       SizeofResource(module, resource)});
    }
  }
  FreeLibrary(module);
  return spans;
}

// Overwrites the start of each picture with zeros: no decoder recognises what is left.
int damage_pictures(const std::wstring& program) {
  const std::vector<Span> spans = picture_spans(program);
  const HANDLE file = CreateFileW(program.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return 0;
  }
  int damaged = 0;
  for (const Span& span : spans) {
    unsigned char start[2] = {};
    DWORD done = 0;
    SetFilePointer(file, static_cast<LONG>(span.offset), nullptr, FILE_BEGIN);
    ReadFile(file, start, 2, &done, nullptr);
    if (done != 2 || start[0] != 0xFF || start[1] != 0xD8) {
      continue;  // not a JPEG where a picture should be
    }
    const std::vector<char> zeros(std::min<DWORD>(span.size, 256), 0);
    SetFilePointer(file, static_cast<LONG>(span.offset), nullptr, FILE_BEGIN);
    WriteFile(file, zeros.data(), static_cast<DWORD>(zeros.size()), &done, nullptr);
    damaged += done == zeros.size() ? 1 : 0;
  }
  CloseHandle(file);
  return damaged;
}

struct DebuggedRun {
  std::optional<DWORD> exit_code;  // nothing when it had to be stopped
  std::string reports;             // the debug output, one report a line
  bool window_seen = false;
};

// Runs the program as its debugger, which sees what it reports through OutputDebugString.
DebuggedRun run_debugged(const std::wstring& program, const std::wstring& argument,
                         std::chrono::milliseconds timeout) {
  DebuggedRun run;
  std::wstring line = e2e::exact_command_line(program, argument);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (e2e::create_process(program.c_str(), line.data(), DEBUG_ONLY_THIS_PROCESS, nullptr, &startup,
                          &info) == 0) {
    ADD_FAILURE() << "cannot start " << e2e::narrow(program) << ", error " << GetLastError();
    return run;
  }
  CloseHandle(info.hThread);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (bool running = true; running;) {
    if (std::chrono::steady_clock::now() > deadline && run.exit_code == std::nullopt) {
      TerminateProcess(info.hProcess, 1);
    }
    for (HWND window : e2e::top_level_windows_of(info.dwProcessId)) {
      run.window_seen = run.window_seen || IsWindowVisible(window) != 0;
    }
    DEBUG_EVENT event{};
    if (WaitForDebugEvent(&event, 20) == 0) {
      continue;
    }
    DWORD continuation = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
      case CREATE_PROCESS_DEBUG_EVENT:
        if (event.u.CreateProcessInfo.hFile != nullptr)
          CloseHandle(event.u.CreateProcessInfo.hFile);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        if (event.u.LoadDll.hFile != nullptr) CloseHandle(event.u.LoadDll.hFile);
        break;
      case EXCEPTION_DEBUG_EVENT:
        // The program's own handlers deal with everything but the initial breakpoint.
        if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
          continuation = DBG_EXCEPTION_NOT_HANDLED;
        }
        break;
      case OUTPUT_DEBUG_STRING_EVENT: {
        const OUTPUT_DEBUG_STRING_INFO& text = event.u.DebugString;
        const std::size_t unit = text.fUnicode != 0 ? 2 : 1;
        std::vector<char> bytes(static_cast<std::size_t>(text.nDebugStringLength) * unit);
        SIZE_T read = 0;
        ReadProcessMemory(info.hProcess, text.lpDebugStringData, bytes.data(), bytes.size(), &read);
        if (text.fUnicode != 0) {
          run.reports +=
              e2e::narrow(std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), read / 2)) +
              "\n";
        } else {
          run.reports += std::string(bytes.data(), read) + "\n";
        }
        break;
      }
      case EXIT_PROCESS_DEBUG_EVENT:
        if (std::chrono::steady_clock::now() <= deadline) {
          run.exit_code = event.u.ExitProcess.dwExitCode;
        }
        running = false;
        break;
      default:
        break;
    }
    ContinueDebugEvent(event.dwProcessId, event.dwThreadId, continuation);
  }
  CloseHandle(info.hProcess);
  return run;
}

TEST(DamagedProgram, UndecodablePicturesEndTheProgramWithCode1AndAReport) {
  TempFolder root(L"damaged");
  for (const NoticeProgram* program : {&kMessageNotice, &kPrintNotice}) {
    SCOPED_TRACE(e2e::narrow(program->file_name));
    const std::wstring copy = install(*program, root / program->file_name);
    ASSERT_GE(damage_pictures(copy), 1) << "no picture found in the copy to damage";

    const auto started = std::chrono::steady_clock::now();
    const DebuggedRun run = run_debugged(
        copy, e2e::notice_argument(L'X', L' ', L"Instalação danificada", L"", L""), 20s);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    EXPECT_EQ(run.exit_code, std::optional<DWORD>{1}) << "after " << took.count() << " ms";
    EXPECT_FALSE(run.window_seen);
    EXPECT_NE(run.reports.find("notice: failure: picture"), std::string::npos) << "debug output:\n"
                                                                               << run.reports;
  }
}

}  // namespace
}  // namespace hardening
