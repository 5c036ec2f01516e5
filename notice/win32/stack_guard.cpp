// The stack protector's canary and its failure handler, in place of GCC's libssp. Its start-up code
// asks advapi32 for a cryptographic provider (CryptAcquireContextA) before wWinMain, and the DLLs
// that brings in (rsaenh.dll with bcrypt.dll and crypt32.dll; cryptsp.dll on Windows) are searched
// for in the program's folder first, before run() can restrict the DLL search to the system
// folder: a DLL planted beside the program would run. Here the canary is made, as the MSVC runtime
// makes its cookie, from what the process can read without loading any DLL.
#include <windows.h>

#include <cstdint>

extern "C" {

// Replaced at start-up; this value only guards what runs before.
std::uintptr_t __stack_chk_guard = 0x2B992DDFA232ULL;

// Called by a protected function whose canary was overwritten. The stack is not to be trusted, so
// nothing runs but the end of the process, with the status Windows gives the same failure.
[[noreturn]] __attribute__((no_stack_protector)) void __stack_chk_fail() {
  TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
  __builtin_trap();
}

}  // extern "C"

namespace notice::win32 {
namespace {

// SplitMix64's finish: inputs that differ in a few bits give unrelated outputs.
std::uint64_t mix(std::uint64_t x) {
  x ^= x >> 30;
  x *= 0xBF58476D1CE4E5B9ULL;
  x ^= x >> 27;
  x *= 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}

// Before any other constructor, and unprotected itself, as it changes the canary it would check.
__attribute__((constructor(101), no_stack_protector)) void set_canary() {
  LARGE_INTEGER counter{};
  QueryPerformanceCounter(&counter);
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  std::uint64_t canary =
      mix(static_cast<std::uint64_t>(counter.QuadPart)) ^
      mix((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime) ^
      mix((static_cast<std::uint64_t>(GetCurrentProcessId()) << 32) | GetCurrentThreadId()) ^
      mix(GetTickCount64()) ^ mix(reinterpret_cast<std::uintptr_t>(&counter)) ^
      mix(reinterpret_cast<std::uintptr_t>(&__stack_chk_guard));
  // A zero low byte: a runaway string copy cannot write the canary back.
  canary &= ~std::uint64_t{0xFF};
  __stack_chk_guard = canary != 0 ? canary : 0x2B992DDFA200ULL;
}

}  // namespace
}  // namespace notice::win32
