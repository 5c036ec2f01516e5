#include "notice_view.hpp"

// After windows.h, which it needs.
#include <tlhelp32.h>

#include <algorithm>
#include <stdexcept>

#include "desktop_input.hpp"
#include "program_paths.hpp"

namespace hardening {
namespace {

// Tahoma at 96 dpi: 6.75 pt is 9 pixels, 8.25 pt 11 and 9.75 pt 13.
constexpr e2e::LabelFont kSmallFont{L"Tahoma", 9, 400};
constexpr e2e::LabelFont kPrintRemarksFont{L"Tahoma", 13, 400};

e2e::InkMask left_columns(const e2e::InkMask& mask, int columns) {
  e2e::InkMask part{columns, mask.height, {}};
  for (int y = 0; y < mask.height; ++y) {
    for (int x = 0; x < columns; ++x) {
      part.ink.push_back(mask.at(x, y));
    }
  }
  return part;
}

}  // namespace

const NoticeProgram kMessageNotice{
    .file_name = L"OrvaneMessage.exe",
    .sound_file = L"aviso.wav",
    .width = 569,
    .height = 122,
    .right_gap = 570,
    .bottom_gap = 165,
    .close_box = {553, 9},
    .date = {86, 28, 467, 15, e2e::kRegularFont},
    .message = {86, 46, 467, 15, e2e::kBoldFont},
    .solution = {86, 64, 467, 15, e2e::kRegularFont},
    .remarks = {86, 82, 467, 15, e2e::kRegularFont},
    .body = {89, 11, 11},
    .timer = 10s,
};

const NoticeProgram kPrintNotice{
    .file_name = L"OrvanePag.exe",
    .sound_file = L"imprimindo.wav",
    .width = 264,
    .height = 402,
    .right_gap = 265,
    .bottom_gap = 445,
    .close_box = {247, 11},
    .date = {6, 30, 467, 15, kSmallFont},
    .message = {6, 46, 467, 15, kSmallFont},
    .solution = {6, 62, 467, 15, kSmallFont},
    .remarks = {6, 78, 467, 25, kPrintRemarksFont},
    .body = {64, 64, 64},
    .timer = 30s,
};

RECT expected_rect(const NoticeProgram& program) {
  const int left = GetSystemMetrics(SM_CXSCREEN) - program.right_gap;
  const int top = GetSystemMetrics(SM_CYSCREEN) - program.bottom_gap;
  return RECT{left, top, left + program.width, top + program.height};
}

std::wstring built(const NoticeProgram& program) { return e2e::program_path(program.file_name); }

HWND wait_until_on_top(const Process& process, std::chrono::milliseconds timeout) {
  return wait_until_on_top(process.id(), timeout);
}

HWND wait_until_on_top(DWORD process_id, std::chrono::milliseconds timeout) {
  const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, process_id);
  HWND window = nullptr;
  bool ended = false;
  const bool on_top = e2e::wait_until(
      [&] {
        if (window == nullptr) {
          for (HWND candidate : e2e::top_level_windows_of(process_id)) {
            if (IsWindowVisible(candidate) != 0) {
              window = candidate;
            }
          }
        }
        if (window == nullptr) {
          ended = process == nullptr || WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
          return ended;
        }
        const e2e::WindowFacts facts = e2e::read_window(window);
        return facts.alpha == BYTE{255} && (facts.ex_style & WS_EX_TOPMOST) != 0;
      },
      timeout, 10ms);
  if (process != nullptr) {
    CloseHandle(process);
  }
  return on_top && !ended ? window : nullptr;
}

ShownWindow wait_until_shown(const Process& process, std::chrono::milliseconds timeout) {
  ShownWindow shown;
  shown.window = wait_until_on_top(process, timeout);
  if (shown.window == nullptr) {
    const auto code = process.wait_for_exit(0ms);
    throw std::runtime_error(code ? "the process ended with code " + std::to_string(*code) +
                                        " before its window was shown"
                                  : "no opaque top-most window within the timeout");
  }
  // Painting may still be on its way after the last alpha step: wait for two equal captures.
  e2e::ScreenImage previous = e2e::ScreenImage::capture(e2e::read_window(shown.window).window);
  e2e::wait_until(
      [&] {
        e2e::ScreenImage now = e2e::ScreenImage::capture(e2e::read_window(shown.window).window);
        const bool settled = now == previous;
        previous = std::move(now);
        return settled;
      },
      3s, 120ms);
  shown.facts = e2e::read_window(shown.window);
  shown.image = e2e::ScreenImage::capture(shown.facts.window);
  return shown;
}

void click_close_box(const NoticeProgram& program, HWND window) {
  const RECT rect = e2e::read_window(window).window;
  e2e::click_at(rect.left + program.close_box.x, rect.top + program.close_box.y);
}

int label_mismatches(const e2e::ScreenImage& image, const NoticeProgram& program,
                     const LabelBox& label, const std::wstring& text, int columns) {
  const int visible = columns > 0 ? columns : std::min(label.width, program.width - label.left);
  const e2e::InkMask shown = image.ink_mask(label.left, label.top, visible, label.height);
  const e2e::InkMask expected = left_columns(
      e2e::label_reference_ink(text, label.font, label.width, label.height, program.body), visible);
  return e2e::best_mismatches(shown, expected);
}

::testing::AssertionResult label_shows(const e2e::ScreenImage& image, const NoticeProgram& program,
                                       const LabelBox& label, const std::wstring& text) {
  const int visible = std::min(label.width, program.width - label.left);
  const e2e::InkMask expected = left_columns(
      e2e::label_reference_ink(text, label.font, label.width, label.height, program.body), visible);
  // Nothing at all where nothing is expected; a few pixels of smoothing otherwise.
  const int tolerance = expected.count() == 0 ? 0 : 3;
  const int differ = label_mismatches(image, program, label, text);
  if (differ <= tolerance) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << differ << " pixels differ from the expected text; shown:\n"
         << image.ink_mask(label.left, label.top, visible, label.height).draw() << "expected:\n"
         << expected.draw();
}

std::vector<HWND> stacking_order(const std::vector<HWND>& windows) {
  std::vector<HWND> order;
  for (HWND w = GetTopWindow(nullptr); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
    if (std::find(windows.begin(), windows.end(), w) != windows.end()) {
      order.push_back(w);
    }
  }
  return order;
}

HiddenStation::HiddenStation() {
  const HWINSTA own_station = GetProcessWindowStation();
  station_ = CreateWindowStationW(L"OrvaneHidden", 0, WINSTA_ALL_ACCESS, nullptr);
  if (station_ != nullptr && SetProcessWindowStation(station_)) {
    desktop_ = CreateDesktopW(L"Hidden", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    SetProcessWindowStation(own_station);
  }
}

HiddenStation::~HiddenStation() {
  if (desktop_ != nullptr) {
    CloseDesktop(desktop_);
  }
  if (station_ != nullptr) {
    CloseWindowStation(station_);
  }
}

DWORD child_of(DWORD parent) {
  DWORD child = 0;
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more != 0 && child == 0;
       more = Process32NextW(snapshot, &entry)) {
    child = entry.th32ParentProcessID == parent ? entry.th32ProcessID : 0;
  }
  CloseHandle(snapshot);
  return child;
}

}  // namespace hardening
