#pragma once

#include <optional>
#include <string_view>

// Under Wine a Windows process is also a Linux process, and Linux keeps what Wine cannot report:
// the CPU time of all of a process's threads, ended ones included, in /proc/<pid>/stat.
namespace bench {

// Whether a /proc/<pid>/cmdline (arguments separated by NULs) is the given Windows command line.
// Wine passes the command line on split at blanks and without quotes, so the two are compared
// word by word.
bool is_command(std::string_view proc_cmdline, std::string_view windows_command);

// User plus system CPU time in milliseconds from the text of /proc/<pid>/stat, whose second field
// is the program name in parentheses, which may itself hold blanks and parentheses.
std::optional<double> cpu_ms_from_stat(std::string_view stat, long ticks_per_second);

}  // namespace bench
