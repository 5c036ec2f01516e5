#pragma once

#include <string>

namespace e2e {

inline constexpr std::size_t kFieldLength = 65;

// Kind and timer flag (one character each), then the three fields each padded with blanks to 65
// characters: 197 characters in all. A field longer than 65 characters is a mistake in the test.
std::wstring notice_argument(wchar_t kind, wchar_t timer_flag, const std::wstring& message,
                             const std::wstring& solution, const std::wstring& remarks);

std::wstring padded(const std::wstring& field);

}  // namespace e2e
