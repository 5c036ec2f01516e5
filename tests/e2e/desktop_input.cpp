#include "desktop_input.hpp"

#include <windows.h>

#include <array>
#include <chrono>
#include <thread>

namespace e2e {
namespace {

void press_and_release() {
  std::array<INPUT, 2> inputs{};
  inputs[0].type = INPUT_MOUSE;
  inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  inputs[1].type = INPUT_MOUSE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Through the input queue, not SetCursorPos: only input counts as someone's presence. Parked in
// the leftmost and topmost pixel (1 of 65535), away from where notices appear.
void park_pointer() {
  INPUT move{};
  move.type = INPUT_MOUSE;
  move.mi.dx = 1;
  move.mi.dy = 1;
  move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &move, sizeof move);
}

void move_to(int x, int y) {
  SetCursorPos(x, y);
  // Let the move reach the window before the button does.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

}  // namespace

// The pointer is moved away after a click, as a person does: left resting on a notice beneath
// the one clicked, it would hold that notice's period for a while.
void click_at(int x, int y, bool park) {
  move_to(x, y);
  press_and_release();
  if (park) {
    park_pointer();
  }
}

void double_click_at(int x, int y) {
  move_to(x, y);
  press_and_release();
  std::this_thread::sleep_for(std::chrono::milliseconds(40));
  press_and_release();
  park_pointer();
}

void press_keys(const std::vector<unsigned short>& keys) {
  std::vector<INPUT> inputs(keys.size() * 2);
  for (std::size_t i = 0; i < keys.size(); ++i) {
    inputs[i].type = inputs[inputs.size() - 1 - i].type = INPUT_KEYBOARD;
    inputs[i].ki.wVk = inputs[inputs.size() - 1 - i].ki.wVk = keys[i];
    inputs[inputs.size() - 1 - i].ki.dwFlags = KEYEVENTF_KEYUP;
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void someone_at_the_keyboard() {
  park_pointer();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

}  // namespace e2e
