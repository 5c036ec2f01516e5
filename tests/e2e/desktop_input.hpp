#pragma once

namespace e2e {

// Left clicks at a screen position, through the same input queue a real mouse uses.
void click_at(int x, int y);
void double_click_at(int x, int y);

}  // namespace e2e
