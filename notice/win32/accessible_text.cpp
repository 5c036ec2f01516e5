#include "accessible_text.hpp"

namespace notice::win32 {

std::wstring text_as_shown(std::wstring_view label_text) {
  std::wstring shown;
  shown.reserve(label_text.size());
  for (std::size_t i = 0; i < label_text.size(); ++i) {
    if (label_text[i] != L'&') {
      shown.push_back(label_text[i]);
    } else if (i + 1 < label_text.size() && label_text[i + 1] == L'&') {
      shown.push_back(L'&');
      ++i;
    }
  }
  const std::size_t first = shown.find_first_not_of(L' ');
  if (first == std::wstring::npos) {
    return {};
  }
  return shown.substr(first, shown.find_last_not_of(L' ') - first + 1);
}

std::wstring lines_as_shown(std::span<const std::wstring_view> label_texts) {
  std::wstring lines;
  for (const std::wstring_view text : label_texts) {
    const std::wstring line = text_as_shown(text);
    if (line.empty()) {
      continue;
    }
    if (!lines.empty()) {
      lines.push_back(L'\n');
    }
    lines += line;
  }
  return lines;
}

}  // namespace notice::win32
