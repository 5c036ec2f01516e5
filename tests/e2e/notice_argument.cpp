#include "notice_argument.hpp"

#include <stdexcept>

namespace e2e {

std::wstring padded(const std::wstring& field) {
  if (field.size() > kFieldLength) {
    throw std::invalid_argument("a notice field has at most 65 characters");
  }
  return field + std::wstring(kFieldLength - field.size(), L' ');
}

std::wstring notice_argument(wchar_t kind, wchar_t timer_flag, const std::wstring& message,
                             const std::wstring& solution, const std::wstring& remarks) {
  return std::wstring{kind, timer_flag} + padded(message) + padded(solution) + padded(remarks);
}

}  // namespace e2e
