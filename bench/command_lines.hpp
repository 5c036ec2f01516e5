#pragma once

#include <string>
#include <string_view>

namespace bench {

inline constexpr std::size_t kFieldLength = 65;

// A notice's argument: kind, timer flag ('T' or blank), then the message and the solution each
// padded with blanks to 65 characters (a longer one is cut), then the remarks as they are.
std::wstring notice_argument(wchar_t kind, bool timed, std::wstring_view message,
                             std::wstring_view solution, std::wstring_view remarks);

// The exact command line a program gets: its path in quotes, then one blank and the argument,
// untouched. Nothing follows the path when the argument is empty.
std::wstring command_line(std::wstring_view program, std::wstring_view argument);

}  // namespace bench
