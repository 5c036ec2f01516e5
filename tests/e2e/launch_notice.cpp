// Shows a notice program with an exact argument, for scripts/demo. A shell passing the argument
// through wine would add quotes around it, so it comes through the environment instead:
//   NOTICE_ARGUMENT     the whole argument, as is; or else
//   NOTICE_KIND, NOTICE_TIMER, NOTICE_MESSAGE, NOTICE_SOLUTION, NOTICE_REMARKS
//                       the parts, each field padded with blanks to 65 characters
//   NOTICE_SHOW_MS      end the notice after this many milliseconds if it has not ended itself
// Usage: launch_notice <program.exe>   (a bare name is looked up beside launch_notice.exe)
// Once the notice is opaque it prints "left top width height" of its window and goes on waiting;
// the exit code is the notice's own, or 0 when it was ended after NOTICE_SHOW_MS.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <exception>
#include <string>

#include "notice_argument.hpp"
#include "notice_process.hpp"
#include "program_paths.hpp"
#include "top_level_window.hpp"

namespace {

using namespace std::chrono_literals;

std::wstring environment(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) {
    return {};
  }
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), size));
  return value;
}

wchar_t first_or_blank(const std::wstring& text) { return text.empty() ? L' ' : text.front(); }

std::wstring argument_from_environment() {
  if (GetEnvironmentVariableW(L"NOTICE_ARGUMENT", nullptr, 0) != 0) {
    return environment(L"NOTICE_ARGUMENT");
  }
  return e2e::notice_argument(first_or_blank(environment(L"NOTICE_KIND")),
                              first_or_blank(environment(L"NOTICE_TIMER")),
                              environment(L"NOTICE_MESSAGE"), environment(L"NOTICE_SOLUTION"),
                              environment(L"NOTICE_REMARKS"));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: launch_notice <program.exe>, argument in the environment\n", stderr);
    return 2;
  }
  std::wstring program = argv[1];
  if (program.find_first_of(L"\\/") == std::wstring::npos) {
    program = e2e::program_path(program);
  }
  const std::wstring shown_for = environment(L"NOTICE_SHOW_MS");
  const DWORD show_ms = shown_for.empty() ? INFINITE : std::wcstoul(shown_for.c_str(), nullptr, 10);
  try {
    const auto started = GetTickCount64();
    e2e::NoticeProcess notice(program, argument_from_environment());
    if (HWND window = e2e::wait_for_visible_window(notice.id(), 20s); window != nullptr) {
      e2e::wait_until([&] { return e2e::read_window(window).alpha == BYTE{255}; }, 10s);
      const RECT r = e2e::read_window(window).window;
      std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
      std::fflush(stdout);
    }
    const auto waited = static_cast<DWORD>(GetTickCount64() - started);
    const DWORD left = show_ms == INFINITE ? INFINITE : (waited < show_ms ? show_ms - waited : 0);
    if (WaitForSingleObject(notice.handle(), left) != WAIT_OBJECT_0) {
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
