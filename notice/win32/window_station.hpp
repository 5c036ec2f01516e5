#pragma once

namespace notice::win32 {

// The exit code of a notice started where nobody can see it: 1 is taken by failures.
inline constexpr int kInvisibleStationExitCode = 3;

// Ends the process at once with kInvisibleStationExitCode, after saying why through
// OutputDebugString, when its window station is not visible: a service's session 0, or any station
// without a display. There the notice would wait for a click that never comes. When the station's
// flags cannot be read the notice goes on as it always has.
void end_if_station_invisible() noexcept;

}  // namespace notice::win32
