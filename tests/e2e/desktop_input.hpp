#pragma once

namespace e2e {

// Left clicks at a screen position, through the same input queue a real mouse uses.
void click_at(int x, int y);
void double_click_at(int x, int y);

// Input from someone at the PC, with the pointer parked in the screen's top-left corner, away from
// where notices appear: a timed notice counts its period only while someone has been at the
// keyboard or mouse within the last minute and the pointer is not resting on it.
void someone_at_the_keyboard();

}  // namespace e2e
