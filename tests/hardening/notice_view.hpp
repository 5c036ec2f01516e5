#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "ink_mask.hpp"
#include "process.hpp"
#include "screen_image.hpp"
#include "text_reference.hpp"
#include "top_level_window.hpp"

namespace hardening {

using namespace std::chrono_literals;

// A text label as a user sees it, in pixels from the window's top-left corner.
struct LabelBox {
  int left;
  int top;
  int width;  // as laid out; the window's edge may cut it
  int height;
  e2e::LabelFont font;
};

// What the tests know of each notice program's window.
struct NoticeProgram {
  const wchar_t* file_name;
  const wchar_t* sound_file;  // in ctrl/
  int width;
  int height;
  int right_gap;    // from the screen's right edge to the window's left edge
  int bottom_gap;   // from the screen's bottom edge to the window's top edge
  POINT close_box;  // a point inside the white X box
  LabelBox date;
  LabelBox message;
  LabelBox solution;
  LabelBox remarks;
  e2e::Rgb body;  // the picture's colour beneath the labels
  std::chrono::seconds timer;
};

extern const NoticeProgram kMessageNotice;
extern const NoticeProgram kPrintNotice;

// Where the program's window belongs on the current primary screen.
RECT expected_rect(const NoticeProgram& program);

// The full path of the program built beside the test.
std::wstring built(const NoticeProgram& program);

// A notice window once it is fully shown: visible, opaque, top-most and its pixels settled.
struct ShownWindow {
  HWND window = nullptr;
  e2e::WindowFacts facts;
  e2e::ScreenImage image;  // the window's rectangle on screen
};

// The process's first visible top-level window, opaque (alpha 255) and top-most, or null when it
// did not get there within the timeout.
HWND wait_until_on_top(const Process& process, std::chrono::milliseconds timeout);
HWND wait_until_on_top(DWORD process_id, std::chrono::milliseconds timeout);

// wait_until_on_top, then waits for two equal captures so that painting has finished. Throws
// std::runtime_error saying which step did not happen.
ShownWindow wait_until_shown(const Process& process, std::chrono::milliseconds timeout = 20s);

// Clicks the notice's X box where the window is now.
void click_close_box(const NoticeProgram& program, HWND window);

// How many pixels of the label's first `columns` columns (all that the window shows, if 0) differ
// from the text drawn as a label draws it, allowing for small vertical shifts.
int label_mismatches(const e2e::ScreenImage& image, const NoticeProgram& program,
                     const LabelBox& label, const std::wstring& text, int columns = 0);

// Whether the label shows the text as a label draws it (e2e::label_reference_ink), within a few
// pixels; the failure shows both.
::testing::AssertionResult label_shows(const e2e::ScreenImage& image, const NoticeProgram& program,
                                       const LabelBox& label, const std::wstring& text);

// The given windows that still exist, top of the stacking order first, walked with
// GetWindow(GW_HWNDNEXT) from the top-most window of the desktop.
std::vector<HWND> stacking_order(const std::vector<HWND>& windows);

// A window station of the test's own, created without WSF_VISIBLE as a service's is, with one
// desktop, which can only be made from inside it.
class HiddenStation {
 public:
  HiddenStation();
  ~HiddenStation();
  HiddenStation(const HiddenStation&) = delete;
  HiddenStation& operator=(const HiddenStation&) = delete;
  bool made() const { return desktop_ != nullptr; }
  // Where a program is started on it, from the given folder.
  static LaunchOptions on(std::wstring current_directory = {}) {
    return {.current_directory = std::move(current_directory), .desktop = L"OrvaneHidden\\Hidden"};
  }

 private:
  HWINSTA station_ = nullptr;
  HDESK desktop_ = nullptr;
};

// The first process the given one started that is still there; 0 when there is none.
DWORD child_of(DWORD parent);

}  // namespace hardening
