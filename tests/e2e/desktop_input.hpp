#pragma once

#include <vector>

namespace e2e {

// Left clicks at a screen position, through the same input queue a real mouse uses; the pointer
// is then parked as someone_at_the_keyboard parks it, or left there.
void click_at(int x, int y, bool park = true);
void double_click_at(int x, int y);
// Presses the virtual keys in order and releases them in reverse, as one chord (Alt+F4).
void press_keys(const std::vector<unsigned short>& keys);

// Input from someone at the PC, with the pointer parked in the screen's top-left corner, away from
// where notices appear: a timed notice counts its period only while someone has been at the
// keyboard or mouse within the last minute and the pointer is not resting on it.
void someone_at_the_keyboard();

}  // namespace e2e
