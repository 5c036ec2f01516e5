#include "process_figures.hpp"

#include <psapi.h>
#include <winternl.h>

#include <vector>

namespace hardening {
namespace {

// SystemHandleInformation: every handle of every process, with its owner.
constexpr ULONG kSystemHandleInformation = 16;
struct HandleEntry {
  ULONG owner;
  BYTE object_type;
  BYTE flags;
  USHORT value;
  PVOID object;
  ACCESS_MASK access;
};
struct HandleList {
  ULONG count;
  HandleEntry entries[1];
};

std::optional<std::uint32_t> handles_from_system_list(DWORD process_id) {
  using Query = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<Query>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) {
    return std::nullopt;
  }
  std::vector<std::uint64_t> buffer(1 << 16);
  for (int attempt = 0; attempt < 6; ++attempt) {
    ULONG needed = 0;
    const auto size = static_cast<ULONG>(buffer.size() * sizeof(buffer[0]));
    const NTSTATUS status = query(kSystemHandleInformation, buffer.data(), size, &needed);
    if (status == 0) {
      const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
      std::uint32_t count = 0;
      for (ULONG i = 0; i < list->count; ++i) {
        count += list->entries[i].owner == process_id ? 1U : 0U;
      }
      return count > 0 ? std::optional<std::uint32_t>(count) : std::nullopt;
    }
    buffer.resize(buffer.size() * 4);
  }
  return std::nullopt;
}

std::optional<std::uint32_t> reported(DWORD count) {
  return count > 0 ? std::optional<std::uint32_t>(count) : std::nullopt;
}

}  // namespace

ProcessFigures measure(HANDLE process, DWORD process_id) {
  ProcessFigures figures;
  DWORD handles = 0;
  if (GetProcessHandleCount(process, &handles) != 0 && handles > 0) {
    figures.handles = handles;
  } else {
    figures.handles = handles_from_system_list(process_id);
  }
  figures.gdi_objects = reported(GetGuiResources(process, GR_GDIOBJECTS));
  figures.user_objects = reported(GetGuiResources(process, GR_USEROBJECTS));
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(process, &memory, sizeof memory) != 0) {
    figures.working_set = memory.WorkingSetSize;
    figures.commit = memory.PagefileUsage;
  }
  return figures;
}

std::string describe(const ProcessFigures& figures) {
  auto count = [](const std::optional<std::uint32_t>& value) {
    return value ? std::to_string(*value) : std::string("not reported");
  };
  return "handles " + count(figures.handles) + ", GDI objects " + count(figures.gdi_objects) +
         ", USER objects " + count(figures.user_objects) + ", working set " +
         std::to_string(figures.working_set / 1024) + " KiB, commit " +
         std::to_string(figures.commit / 1024) + " KiB";
}

}  // namespace hardening
