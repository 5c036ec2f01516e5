#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "notice_view.hpp"

namespace hardening {

// The same path in the form that lifts MAX_PATH ("\\?\C:\..."), for creating and copying.
std::wstring extended(const std::wstring& path);

// A fresh folder under the system's temporary folder, removed with everything in it when the guard
// goes (after the processes started from it, which the tests declare later).
class TempFolder {
 public:
  explicit TempFolder(std::wstring_view name);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::wstring& path() const { return path_; }
  std::wstring operator/(std::wstring_view name) const {
    return path_ + L"\\" + std::wstring(name);
  }

 private:
  std::wstring path_;
};

void create_folder(const std::wstring& path);
void copy_file(const std::wstring& from, const std::wstring& to);
void write_file(const std::wstring& path, std::string_view bytes);
// A valid PCM WAV (8 kHz, 8-bit mono) of silence, `size` bytes in all, written in pieces.
void write_silent_wav(const std::wstring& path, std::uint64_t size);
void remove_tree(const std::wstring& path);
// Lets Everyone change the file or folder, as Unix mode 777 does under Wine.
void let_everyone_change(const std::wstring& path);
// Gives the file or folder to ANONYMOUS LOGON, as Wine shows one of another Unix user.
void give_to_another_account(const std::wstring& path);

// Copies the program into the folder (created if needed) and, if asked, ctrl\ with both sounds;
// returns the copy's path.
std::wstring install(const NoticeProgram& program, const std::wstring& folder,
                     bool with_sounds = true);

// Reads of a file, seen through its last-access time: the time is set well before the last write,
// so that the next read moves it forward even on a volume mounted with relatime.
void mark_unread(const std::wstring& path);
bool has_been_read(const std::wstring& path);
// Whether reads are recorded at all where the folder lies (not on a noatime mount): the test reads
// a file of its own there.
bool reads_are_recorded(const std::wstring& folder);

// A drive letter standing for a folder, removed when the guard goes: DefineDosDeviceW where that
// makes the drive usable (Windows), else a Wine drive defined through the mount manager.
class MappedDrive {
 public:
  explicit MappedDrive(const std::wstring& folder);
  ~MappedDrive();
  MappedDrive(const MappedDrive&) = delete;
  MappedDrive& operator=(const MappedDrive&) = delete;

  // "X:\"
  std::wstring root() const { return std::wstring{letter_, L':', L'\\'}; }

 private:
  wchar_t letter_ = 0;
  std::wstring target_;
  bool wine_drive_ = false;
};

}  // namespace hardening
