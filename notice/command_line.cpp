#include "command_line.hpp"

namespace notice {
namespace {

// Positions are 1-based; a start beyond the end gives an empty text, a field that runs past the
// end gives what is left.
std::u16string field(std::u16string_view text, std::size_t position, std::size_t length) {
  const std::size_t start = position - 1;
  if (start >= text.size()) {
    return {};
  }
  return std::u16string(text.substr(start, length));
}

bool is_blank(char16_t c) { return c == u' ' || c == u'\t'; }

}  // namespace

NoticeFields read_notice(std::u16string_view command_text) {
  return NoticeFields{
      .kind = field(command_text, 1, 1),
      .timer_flag = field(command_text, 2, 1),
      .message = field(command_text, 3, kFieldLength),
      .solution = field(command_text, 3 + kFieldLength, kFieldLength),
      .remarks = field(command_text, 3 + 2 * kFieldLength, kFieldLength),
  };
}

std::u16string_view argument_text(std::u16string_view command_line) {
  std::size_t i = 0;
  if (!command_line.empty() && command_line[0] == u'"') {
    // A quoted program path runs to the next quote, or to the end when there is none.
    const std::size_t close = command_line.find(u'"', 1);
    i = close == std::u16string_view::npos ? command_line.size() : close + 1;
  } else {
    while (i < command_line.size() && !is_blank(command_line[i])) {
      ++i;
    }
  }
  while (i < command_line.size() && is_blank(command_line[i])) {
    ++i;
  }
  return command_line.substr(i);
}

std::u16string fill_date_line(std::u16string_view format, std::u16string_view time,
                              std::u16string_view date) {
  static constexpr std::u16string_view kTime = u"{time}";
  static constexpr std::u16string_view kDate = u"{date}";
  std::u16string line;
  std::size_t i = 0;
  while (i < format.size()) {
    const std::u16string_view rest = format.substr(i);
    if (rest.starts_with(kTime)) {
      line += time;
      i += kTime.size();
    } else if (rest.starts_with(kDate)) {
      line += date;
      i += kDate.size();
    } else {
      line += format[i];
      ++i;
    }
  }
  return line;
}

std::u16string join_path(std::u16string_view directory, std::u16string_view file) {
  std::u16string path(directory);
  if (!path.empty() && !file.empty() && (path.back() == u'\\' || path.back() == u'/') &&
      (file.front() == u'\\' || file.front() == u'/')) {
    file.remove_prefix(1);
  }
  path += file;
  return path;
}

}  // namespace notice
