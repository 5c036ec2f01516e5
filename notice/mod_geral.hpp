#pragma once

#include <cstdint>

#include "platform.hpp"

namespace notice::mod_geral {

// Makes the window layered and sets its whole-window opacity, 0 transparent to 255 opaque. Any
// failure, an alpha outside 0 to 255 among them, is swallowed: the caller never learns of it.
void transAlpha(Platform& platform, const WindowHandle& window, const std::int16_t& alpha);

}  // namespace notice::mod_geral
