#include "command_lines.hpp"

namespace bench {
namespace {

void append_field(std::wstring& text, std::wstring_view field) {
  const std::wstring_view kept = field.substr(0, kFieldLength);
  text += kept;
  text.append(kFieldLength - kept.size(), L' ');
}

}  // namespace

std::wstring notice_argument(wchar_t kind, bool timed, std::wstring_view message,
                             std::wstring_view solution, std::wstring_view remarks) {
  std::wstring text;
  text += kind;
  text += timed ? L'T' : L' ';
  append_field(text, message);
  append_field(text, solution);
  text += remarks;
  return text;
}

std::wstring command_line(std::wstring_view program, std::wstring_view argument) {
  std::wstring line = L"\"";
  line += program;
  line += L"\"";
  if (!argument.empty()) {
    line += L" ";
    line += argument;
  }
  return line;
}

}  // namespace bench
