#include <windows.h>

#include "print_notice.hpp"
#include "run.hpp"

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int /*show*/) {
  return notice::win32::run(print_notice::variant());
}
