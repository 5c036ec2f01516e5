#include "linux_process.hpp"

#include <charconv>
#include <string>
#include <vector>

namespace bench {
namespace {

std::vector<std::string_view> words(std::string_view text, std::string_view separators) {
  std::vector<std::string_view> result;
  std::size_t start = 0;
  while ((start = text.find_first_not_of(separators, start)) != std::string_view::npos) {
    const std::size_t end = text.find_first_of(separators, start);
    result.push_back(text.substr(start, end - start));
    if (end == std::string_view::npos) {
      break;
    }
    start = end;
  }
  return result;
}

}  // namespace

bool is_command(std::string_view proc_cmdline, std::string_view windows_command) {
  std::string unquoted;
  for (const char c : windows_command) {
    if (c != '"') {
      unquoted += c;
    }
  }
  using namespace std::string_view_literals;
  const std::vector<std::string_view> wanted = words(unquoted, " \t"sv);
  return !wanted.empty() && words(proc_cmdline, "\0 "sv) == wanted;
}

std::optional<double> cpu_ms_from_stat(std::string_view stat, long ticks_per_second) {
  const std::size_t name_end = stat.rfind(')');
  if (name_end == std::string_view::npos || ticks_per_second <= 0) {
    return std::nullopt;
  }
  // After the name: state (field 3) ... utime (field 14), stime (field 15).
  const std::vector<std::string_view> fields = words(stat.substr(name_end + 1), " \n");
  constexpr std::size_t kUtime = 14 - 3;
  constexpr std::size_t kStime = 15 - 3;
  if (fields.size() <= kStime) {
    return std::nullopt;
  }
  unsigned long long ticks = 0;
  for (const std::size_t index : {kUtime, kStime}) {
    unsigned long long value = 0;
    const std::string_view field = fields[index];
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc{} || end != field.data() + field.size()) {
      return std::nullopt;
    }
    ticks += value;
  }
  return static_cast<double>(ticks) * 1000.0 / static_cast<double>(ticks_per_second);
}

}  // namespace bench
