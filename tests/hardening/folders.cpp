#include "folders.hpp"

#include <aclapi.h>
#include <sddl.h>
#include <winioctl.h>

#include <cstring>
#include <optional>
#include <stdexcept>
#include <vector>

#include "process.hpp"
#include "program_paths.hpp"

namespace hardening {
namespace {

[[noreturn]] void fail(const std::string& what, const std::wstring& path) {
  throw std::runtime_error(what + " " + e2e::narrow(path) + ": error " +
                           std::to_string(GetLastError()));
}

struct FileHandle {
  HANDLE handle;
  ~FileHandle() {
    if (handle != INVALID_HANDLE_VALUE) {
      CloseHandle(handle);
    }
  }
};

void write_all(HANDLE file, const void* data, std::size_t size, const std::wstring& path) {
  DWORD written = 0;
  if (WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) == 0 || written != size) {
    fail("cannot write", path);
  }
}

FILETIME file_time(WORD year) {
  const SYSTEMTIME time{year, 1, 0, 1, 0, 0, 0, 0};
  FILETIME result{};
  SystemTimeToFileTime(&time, &result);
  return result;
}

ULONGLONG last_access(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (GetFileAttributesExW(extended(path).c_str(), GetFileExInfoStandard, &data) == 0) {
    return 0;
  }
  return (static_cast<ULONGLONG>(data.ftLastAccessTime.dwHighDateTime) << 32) |
         data.ftLastAccessTime.dwLowDateTime;
}

ULONGLONG as_number(const FILETIME& time) {
  return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Wine's mount manager extension, as winecfg uses it to define a drive for a Unix folder.
struct WineUnixDrive {
  ULONG size;
  ULONG type;
  ULONG fs_type;
  DWORD serial;
  ULONGLONG unix_dev;
  WCHAR letter;
  USHORT mount_point_offset;
  USHORT device_offset;
  USHORT label_offset;
};
constexpr DWORD kDefineUnixDrive =
    CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

// Defines the drive for the Unix folder, or removes it when the folder is null.
bool define_wine_drive(wchar_t letter, const char* unix_folder) {
  std::vector<char> request(sizeof(WineUnixDrive) +
                            (unix_folder != nullptr ? std::strlen(unix_folder) + 1 : 0));
  auto* drive = reinterpret_cast<WineUnixDrive*>(request.data());
  drive->size = static_cast<ULONG>(request.size());
  drive->type = DRIVE_FIXED;
  drive->letter = static_cast<WCHAR>(letter + (L'a' - L'A'));
  if (unix_folder != nullptr) {
    drive->mount_point_offset = sizeof(WineUnixDrive);
    std::strcpy(request.data() + sizeof(WineUnixDrive), unix_folder);
  }
  const HANDLE manager =
      CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (manager == INVALID_HANDLE_VALUE) {
    return false;
  }
  DWORD returned = 0;
  const BOOL done =
      DeviceIoControl(manager, kDefineUnixDrive, request.data(), static_cast<DWORD>(request.size()),
                      nullptr, 0, &returned, nullptr);
  CloseHandle(manager);
  return done != 0;
}

// The Unix path Wine keeps the file at; nothing outside Wine.
std::optional<std::string> unix_path_of(const std::wstring& path) {
  using UnixFileName = char*(CDECL*)(LPCWSTR);
  const auto unix_file_name = reinterpret_cast<UnixFileName>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* unix_path = unix_file_name != nullptr ? unix_file_name(path.c_str()) : nullptr;
  if (unix_path == nullptr) {
    return std::nullopt;
  }
  std::string copy = unix_path;
  HeapFree(GetProcessHeap(), 0, unix_path);
  return copy;
}

void set_security(const std::wstring& path, const wchar_t* sddl, SECURITY_INFORMATION part) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                            nullptr) ||
      !SetFileSecurityW(path.c_str(), part, descriptor)) {
    fail("cannot set the security of", path);
  }
  LocalFree(descriptor);
}

}  // namespace

std::wstring extended(const std::wstring& path) {
  return path.starts_with(L"\\\\?\\") ? path : L"\\\\?\\" + path;
}

TempFolder::TempFolder(std::wstring_view name) {
  std::wstring temp(MAX_PATH + 1, L'\0');
  temp.resize(GetTempPathW(static_cast<DWORD>(temp.size()), temp.data()));
  if (temp.empty()) {
    throw std::runtime_error("no temporary folder");
  }
  if (temp.back() == L'\\') {
    temp.pop_back();
  }
  path_ =
      temp + L"\\hardening-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::wstring(name);
  remove_tree(path_);
  create_folder(path_);
}

TempFolder::~TempFolder() {
  try {
    remove_tree(path_);
  } catch (const std::exception&) {
    // Left for the next run, which starts by removing it.
  }
}

void create_folder(const std::wstring& path) {
  if (CreateDirectoryW(extended(path).c_str(), nullptr) == 0 &&
      GetLastError() != ERROR_ALREADY_EXISTS) {
    fail("cannot create", path);
  }
}

void copy_file(const std::wstring& from, const std::wstring& to) {
  if (CopyFileW(extended(from).c_str(), extended(to).c_str(), FALSE) == 0) {
    fail("cannot copy to", to);
  }
}

void write_file(const std::wstring& path, std::string_view bytes) {
  const FileHandle file{CreateFileW(extended(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (file.handle == INVALID_HANDLE_VALUE) {
    fail("cannot create", path);
  }
  if (!bytes.empty()) {
    write_all(file.handle, bytes.data(), bytes.size(), path);
  }
}

void write_silent_wav(const std::wstring& path, std::uint64_t size) {
  constexpr std::uint32_t kHeader = 44;
  const auto data_size = static_cast<std::uint32_t>(size - kHeader);
  auto le32 = [](std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  auto le16 = [](std::string& out, std::uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
  };
  std::string header = "RIFF";
  le32(header, 36 + data_size);
  header += "WAVEfmt ";
  le32(header, 16);
  le16(header, 1);     // PCM
  le16(header, 1);     // mono
  le32(header, 8000);  // samples per second
  le32(header, 8000);  // bytes per second
  le16(header, 1);     // block align
  le16(header, 8);     // bits per sample
  header += "data";
  le32(header, data_size);

  const FileHandle file{CreateFileW(extended(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (file.handle == INVALID_HANDLE_VALUE) {
    fail("cannot create", path);
  }
  write_all(file.handle, header.data(), header.size(), path);
  const std::vector<char> silence(1 << 20, static_cast<char>(0x80));  // 8-bit PCM's zero
  for (std::uint64_t left = data_size; left > 0;) {
    const std::size_t piece =
        static_cast<std::size_t>(std::min<std::uint64_t>(left, silence.size()));
    write_all(file.handle, silence.data(), piece, path);
    left -= piece;
  }
}

void remove_tree(const std::wstring& path) {
  const std::wstring root = extended(path);
  const DWORD attributes = GetFileAttributesW(root.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((root + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") {
          remove_tree(path + L"\\" + name);
        }
      } while (FindNextFileW(search, &found) != 0);
      FindClose(search);
    }
    RemoveDirectoryW(root.c_str());
  } else {
    SetFileAttributesW(root.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(root.c_str());
  }
}

void let_everyone_change(const std::wstring& path) {
  set_security(path, L"D:(A;OICI;0x1301ff;;;WD)", DACL_SECURITY_INFORMATION);
}

void give_to_another_account(const std::wstring& path) {
  // Wine keeps no owner of its own: a file's is its Unix owner's, and Unix nobody's shows as
  // ANONYMOUS LOGON. Wine starts a Unix program as it starts a Windows one.
  if (const std::optional<std::string> unix_path = unix_path_of(path)) {
    std::wstring unix_name(unix_path->size(), L'\0');
    unix_name.resize(MultiByteToWideChar(CP_UTF8, 0, unix_path->data(),
                                         static_cast<int>(unix_path->size()), unix_name.data(),
                                         static_cast<int>(unix_name.size())));
    // Wine gives no handle of a Unix process to wait on: the owner it then shows is waited for.
    const Process chown(L"Z:\\usr\\bin\\chown", L"nobody \"" + unix_name + L"\"");
    const auto given = [&path] {
      PSID owner = nullptr;
      PSECURITY_DESCRIPTOR descriptor = nullptr;
      const bool anonymous =
          GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                                nullptr, nullptr, nullptr, &descriptor) == ERROR_SUCCESS &&
          IsWellKnownSid(owner, WinAnonymousSid);
      LocalFree(descriptor);
      return anonymous;
    };
    for (int tries = 0; !given(); ++tries) {
      if (tries == 100) {
        fail("cannot give to nobody", path);
      }
      Sleep(50);
    }
    return;
  }
  set_security(path, L"O:AN", OWNER_SECURITY_INFORMATION);
}

std::wstring install(const NoticeProgram& program, const std::wstring& folder, bool with_sounds) {
  create_folder(folder);
  const std::wstring copy = folder + (folder.ends_with(L'\\') ? L"" : L"\\") + program.file_name;
  copy_file(built(program), copy);
  if (with_sounds) {
    const std::wstring ctrl = folder + (folder.ends_with(L'\\') ? L"" : L"\\") + L"ctrl";
    create_folder(ctrl);
    for (const wchar_t* sound : {kMessageNotice.sound_file, kPrintNotice.sound_file}) {
      copy_file(e2e::own_directory() + L"\\ctrl\\" + sound, ctrl + L"\\" + sound);
    }
  }
  return copy;
}

void mark_unread(const std::wstring& path) {
  const FileHandle file{CreateFileW(extended(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
  if (file.handle == INVALID_HANDLE_VALUE) {
    fail("cannot open", path);
  }
  const FILETIME long_ago = file_time(2001);
  if (SetFileTime(file.handle, nullptr, &long_ago, nullptr) == 0) {
    fail("cannot set the access time of", path);
  }
}

bool has_been_read(const std::wstring& path) {
  return last_access(path) > as_number(file_time(2002));
}

bool reads_are_recorded(const std::wstring& folder) {
  const std::wstring probe = folder + L"\\read-probe.txt";
  write_file(probe, "probe");
  mark_unread(probe);
  {
    const FileHandle file{CreateFileW(extended(probe).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, 0, nullptr)};
    char byte = 0;
    DWORD read = 0;
    ReadFile(file.handle, &byte, 1, &read, nullptr);
  }
  const bool recorded = has_been_read(probe);
  DeleteFileW(extended(probe).c_str());
  return recorded;
}

MappedDrive::MappedDrive(const std::wstring& folder) : target_(folder) {
  const DWORD used = GetLogicalDrives();
  for (wchar_t letter = L'Y'; letter >= L'M'; --letter) {
    if ((used & (1U << (letter - L'A'))) == 0) {
      letter_ = letter;
      break;
    }
  }
  if (letter_ == 0) {
    throw std::runtime_error("no free drive letter");
  }
  const std::wstring device{letter_, L':'};
  if (DefineDosDeviceW(0, device.c_str(), folder.c_str()) != 0) {
    if (GetFileAttributesW(root().c_str()) != INVALID_FILE_ATTRIBUTES) {
      return;
    }
    // Wine accepts the definition but does not resolve files through it.
    DefineDosDeviceW(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, device.c_str(),
                     folder.c_str());
  }
  const std::optional<std::string> unix_folder = unix_path_of(folder);
  const bool defined = unix_folder && define_wine_drive(letter_, unix_folder->c_str());
  if (!defined || GetFileAttributesW(root().c_str()) == INVALID_FILE_ATTRIBUTES) {
    throw std::runtime_error("cannot map a drive letter to " + e2e::narrow(folder));
  }
  wine_drive_ = true;
}

MappedDrive::~MappedDrive() {
  if (wine_drive_) {
    define_wine_drive(letter_, nullptr);
  } else {
    const std::wstring device{letter_, L':'};
    DefineDosDeviceW(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, device.c_str(),
                     target_.c_str());
  }
}

}  // namespace hardening
