#include "sound.hpp"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace notice::win32 {
namespace {

// Files and folders made in a fresh folder under the temporary folder, removed afterwards.
class Folder {
 public:
  Folder() {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    path_ = std::wstring(temp, length) + L"sound-test-" + std::to_wstring(GetCurrentProcessId());
    make(path_);
  }
  ~Folder() {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) {
      DeleteFileW(extended(*it).c_str());
      RemoveDirectoryW(extended(*it).c_str());
    }
  }
  const std::wstring& path() const { return path_; }
  void make(const std::wstring& folder) {
    CreateDirectoryW(extended(folder).c_str(), nullptr);
    made_.push_back(folder);
  }
  void write(const std::wstring& file, const std::string& bytes) {
    const HANDLE handle = CreateFileW(extended(file).c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(handle);
    made_.push_back(file);
  }

 private:
  static std::wstring extended(const std::wstring& path) { return L"\\\\?\\" + path; }
  std::wstring path_;
  std::vector<std::wstring> made_;
};

// What winmm's file routine can take: the ANSI code page, at most 127 bytes.
bool fits_winmm(const std::wstring& path) {
  BOOL lossy = FALSE;
  const int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), -1, nullptr, 0,
                                        nullptr, &lossy);
  return bytes > 0 && bytes <= 128 && lossy == FALSE;
}

std::string contents(const std::wstring& path) {
  const HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return "(cannot open)";
  }
  char buffer[64] = {};
  DWORD read = 0;
  ReadFile(file, buffer, sizeof buffer, &read, nullptr);
  CloseHandle(file);
  return std::string(buffer, read);
}

std::u16string u16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

TEST(PlayablePath, KeepsAPathWinmmCanOpen) {
  EXPECT_EQ(playable_path(u"C:\\Avisos\\ctrl\\aviso.wav"), L"C:\\Avisos\\ctrl\\aviso.wav");
  EXPECT_EQ(playable_path(u"C:\\Avisos a\u00E7\u00E3o\\ctrl\\aviso.wav"),
            L"C:\\Avisos a\u00E7\u00E3o\\ctrl\\aviso.wav");
}

TEST(PlayablePath, GivesTheSameFileByAPathWinmmCanOpenOutsideTheAnsiCodePage) {
  Folder folder;
  const std::wstring avisos = folder.path() + L"\\Avisos \u03A9 a\u00E7\u00E3o \u65E5\u672C";
  folder.make(avisos);
  folder.write(avisos + L"\\aviso.wav", "som de aviso");
  const std::wstring path = playable_path(u16(avisos + L"\\aviso.wav"));
  EXPECT_TRUE(fits_winmm(path)) << "not for winmm: length " << path.size();
  EXPECT_EQ(contents(path), "som de aviso");
}

TEST(PlayablePath, GivesTheSameFileByAPathWinmmCanOpenBeyond127Characters) {
  Folder folder;
  std::wstring deep = folder.path();
  while (deep.size() < MAX_PATH + 40) {
    deep += L"\\" + std::wstring(40, L'p') + L" longa";
    folder.make(deep);
  }
  folder.write(deep + L"\\imprimindo.wav", "som de impress\xE3o");
  const std::wstring path = playable_path(u16(deep + L"\\imprimindo.wav"));
  EXPECT_TRUE(fits_winmm(path)) << "not for winmm: length " << path.size();
  EXPECT_EQ(contents(path), "som de impress\xE3o");
}

// "Use Unicode UTF-8 for worldwide language support": every name fits the ANSI code page, so a
// path within winmm's length keeps its long names. scripts/test runs this with
// SOUND_TEST_ACP=65001 in a locale that has that code page (where Wine's files take ASCII names
// only, hence no other letters here).
TEST(PlayablePath, UnderAUtf8AnsiCodePageKeepsEveryPathThatIsShortEnough) {
  const char* wanted = std::getenv("SOUND_TEST_ACP");
  if (wanted == nullptr) {
    GTEST_SKIP() << "ANSI code page " << GetACP() << "; SOUND_TEST_ACP=65001 asks for UTF-8";
  }
  ASSERT_EQ(GetACP(), static_cast<UINT>(std::atoi(wanted)));
  Folder folder;
  const std::wstring avisos = folder.path() + L"\\Avisos do terceiro andar";
  folder.make(avisos);
  folder.write(avisos + L"\\aviso.wav", "som de aviso");
  EXPECT_EQ(playable_path(u16(avisos + L"\\aviso.wav")), avisos + L"\\aviso.wav");
}

TEST(PlayablePath, KeepsAMissingFilesPathSoThatTheDefaultSoundPlays) {
  const std::u16string missing = u"C:\\N\u00E3o existe \u65E5\u672C\\ctrl\\aviso.wav";
  EXPECT_EQ(playable_path(missing), std::wstring(missing.begin(), missing.end()));
}

}  // namespace
}  // namespace notice::win32
