#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace hardening {

// What can be read about another process's use of resources. A count the system does not report
// (Wine answers 0 for GDI and USER objects, and 0 from GetProcessHandleCount) is left empty.
struct ProcessFigures {
  std::optional<std::uint32_t> handles;
  std::optional<std::uint32_t> gdi_objects;
  std::optional<std::uint32_t> user_objects;
  std::uint64_t working_set = 0;  // bytes
  std::uint64_t commit = 0;       // bytes of private committed memory (PagefileUsage)
};

ProcessFigures measure(HANDLE process, DWORD process_id);

std::string describe(const ProcessFigures& figures);

}  // namespace hardening
