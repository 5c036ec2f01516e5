#pragma once

#include <string>
#include <string_view>

namespace notice {

// The notice argument: kind, timer flag, then three fields of 65 characters at fixed positions.
struct NoticeFields {
  std::u16string kind;        // at most one character
  std::u16string timer_flag;  // at most one character
  std::u16string message;
  std::u16string solution;
  std::u16string remarks;
};

inline constexpr std::size_t kFieldLength = 65;

NoticeFields read_notice(std::u16string_view command_text);

// The argument text of a full process command line: everything after the program path and the
// blanks that follow it, quotes kept.
std::u16string_view argument_text(std::u16string_view command_line);

// "{time}" and "{date}" in the format replaced by the given texts.
std::u16string fill_date_line(std::u16string_view format, std::u16string_view time,
                              std::u16string_view date);

// The program directory joined with a file name that starts with a separator, without doubling
// the separator when the directory is a drive root.
std::u16string join_path(std::u16string_view directory, std::u16string_view file);

}  // namespace notice
