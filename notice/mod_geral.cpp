#include "mod_geral.hpp"

#include <exception>
#include <stdexcept>

namespace notice::mod_geral {
namespace {

std::uint8_t to_alpha_byte(std::int16_t alpha) {
  if (alpha < 0 || alpha > 255) {
    throw std::out_of_range("alpha outside 0 to 255");
  }
  return static_cast<std::uint8_t>(alpha);
}

}  // namespace

void transAlpha(Platform& platform, const WindowHandle& window, const std::int16_t& alpha) {
  try {
    const std::int32_t style = platform.get_window_long(window, kGwlExStyle);
    // Written back on every call, so even an alpha that is then refused leaves the window layered.
    platform.set_window_long(window, kGwlExStyle, style | kWsExLayered);
    platform.set_layered_window_attributes(window, 0, to_alpha_byte(alpha), kLwaAlpha);
  } catch (const std::exception&) {
    // Opacity is cosmetic: a failure here must never stop the notice.
  }
}

}  // namespace notice::mod_geral
