// Shows a notice program with an exact argument, for scripts/demo:
//   NOTICE_ARGUMENT='I ...' NOTICE_SHOW_MS=3000 wine launch_notice.exe OrvaneMessage.exe
// A shell passing the argument through wine would add quotes around it. The notice is ended after
// NOTICE_SHOW_MS milliseconds if it has not ended by itself; the exit code is the notice's.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <exception>
#include <string>

#include "notice_process.hpp"
#include "program_paths.hpp"

namespace {

std::wstring environment(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) {
    return {};
  }
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), size));
  return value;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: launch_notice <program.exe>, argument in NOTICE_ARGUMENT\n", stderr);
    return 2;
  }
  std::wstring program = argv[1];
  if (program.find_first_of(L"\\/") == std::wstring::npos) {
    program = e2e::program_path(program);
  }
  const std::wstring shown_for = environment(L"NOTICE_SHOW_MS");
  const DWORD show_ms = shown_for.empty() ? INFINITE : std::wcstoul(shown_for.c_str(), nullptr, 10);
  try {
    e2e::NoticeProcess notice(program, environment(L"NOTICE_ARGUMENT"));
    if (WaitForSingleObject(notice.handle(), show_ms) != WAIT_OBJECT_0) {
      notice.terminate();
      return 0;
    }
    DWORD code = 0;
    GetExitCodeProcess(notice.handle(), &code);
    return static_cast<int>(code);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
