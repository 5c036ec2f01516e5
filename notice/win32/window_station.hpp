#pragma once

namespace notice::win32 {

// Whether this process's window station is one a person sees (WSF_VISIBLE): a service's station in
// session 0, or any station without a display, is not. When the station's flags cannot be read it
// counts as visible, and the notice goes on as it always has.
bool station_visible() noexcept;

}  // namespace notice::win32
