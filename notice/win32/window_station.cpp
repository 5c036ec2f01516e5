#include "window_station.hpp"

#include <windows.h>

namespace notice::win32 {

void end_if_station_invisible() noexcept {
  USEROBJECTFLAGS flags{};
  const HWINSTA station = GetProcessWindowStation();
  if (station == nullptr ||
      !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr) ||
      (flags.dwFlags & WSF_VISIBLE) != 0) {
    return;
  }
  OutputDebugStringW(
      L"notice: the window station is not visible (a service's session 0?): nobody could see or "
      L"close the notice, so none is shown; exit code 3");
  ExitProcess(kInvisibleStationExitCode);
}

}  // namespace notice::win32
