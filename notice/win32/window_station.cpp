#include "window_station.hpp"

#include <windows.h>

namespace notice::win32 {

bool station_visible() noexcept {
  USEROBJECTFLAGS flags{};
  const HWINSTA station = GetProcessWindowStation();
  return station == nullptr ||
         !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr) ||
         (flags.dwFlags & WSF_VISIBLE) != 0;
}

}  // namespace notice::win32
