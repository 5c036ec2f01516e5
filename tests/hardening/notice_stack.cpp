#include "notice_stack.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <thread>

#include "notice_argument.hpp"

namespace hardening {
namespace {

constexpr auto kClickExit = 5s;
// The slide-out after the timer takes a few seconds under Wine on a busy machine.
constexpr auto kSlideOut = 20s;
// Only the left part of a message notice's label: a print notice may cover the rest.
constexpr int kTellingColumns = 200;
constexpr int kTellingTolerance = 3;

int telling_columns(const NoticeProgram& program) {
  return &program == &kMessageNotice ? kTellingColumns : 0;
}

// Whether the screen shows the notice's white X box where its window has it. The message notice's
// X box lies within the print notice's place: a print notice that rose at the same moment may
// stand above it there on screen while the window list puts it beneath, and the click goes to what
// the screen shows.
bool close_box_shown(const StackedNotice& notice) {
  const RECT window = e2e::read_window(notice.window).window;
  const POINT at{window.left + notice.program->close_box.x,
                 window.top + notice.program->close_box.y};
  const e2e::ScreenImage box =
      e2e::ScreenImage::capture({at.x - 11, at.y - 7, at.x + 12, at.y + 8});
  const int white = box.count(0, 0, box.width(), box.height(), [](e2e::Rgb c) {
    return e2e::close_to(c, {255, 255, 255}, 24);
  });
  return white * 2 > box.width() * box.height();
}

}  // namespace

StackedNotice start_stacked(std::string name, const NoticeProgram& program,
                            const std::wstring& program_path, const std::wstring& message,
                            bool timed, const LaunchOptions& options) {
  return StackedNotice{
      std::move(name), &program, e2e::padded(message),
      Process(program_path, e2e::notice_argument(L'X', timed ? L'T' : L' ', message, L"", L""),
              options),
      timed};
}

void wait_until_all_on_top(std::vector<StackedNotice>& notices, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (StackedNotice& notice : notices) {
    const auto left = std::max(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   deadline - std::chrono::steady_clock::now()),
                               std::chrono::milliseconds(1000));
    notice.window = wait_until_on_top(notice.process, left);
    if (notice.window == nullptr) {
      const auto code = notice.process.wait_for_exit(0ms);
      if (notice.timed && code == DWORD{0}) {
        continue;  // its timer came first on a slow machine
      }
      ADD_FAILURE() << notice.name << ": not shown within the timeout"
                    << (code ? ", ended with code " + std::to_string(*code) : std::string());
    }
  }
}

StackedNotice* seen_on_top(std::vector<StackedNotice>& notices, const NoticeProgram& program) {
  const e2e::ScreenImage image = e2e::ScreenImage::capture(expected_rect(program));
  StackedNotice* best = nullptr;
  int fewest = std::numeric_limits<int>::max();
  for (StackedNotice& notice : notices) {
    if (notice.window == nullptr || notice.program != &program) {
      continue;
    }
    const int differ =
        label_mismatches(image, program, program.message, notice.message, telling_columns(program));
    if (differ < fewest) {
      fewest = differ;
      best = &notice;
    }
  }
  return fewest <= kTellingTolerance ? best : nullptr;
}

int close_from_the_top(std::vector<StackedNotice>& notices) {
  int ended_well = 0;
  int restacked = 0;
  int elsewhere = 0;
  auto is_open = [](const StackedNotice& n) { return n.window != nullptr && n.process.running(); };
  for (;;) {
    std::vector<HWND> windows;
    for (const StackedNotice& notice : notices) {
      if (is_open(notice)) {
        windows.push_back(notice.window);
      }
    }
    const std::vector<HWND> order = stacking_order(windows);
    if (order.empty()) {
      break;
    }
    auto top = std::find_if(notices.begin(), notices.end(),
                            [&](const StackedNotice& n) { return n.window == order.front(); });
    // Under Wine, when notices rise at the same moment the window list and the screen may
    // disagree on which is above; the user clicks what the screen shows. A timed notice on top
    // may be sliding out already, so the screen at its place shows nothing steady: its timer
    // ends it.
    StackedNotice* target = top->timed ? &*top : nullptr;
    if (target == nullptr) {
      e2e::wait_until([&] { return (target = seen_on_top(notices, *top->program)) != nullptr; }, 3s,
                      50ms);
    }
    if (target == nullptr) {
      ADD_FAILURE() << "no notice's message is on top at " << top->name << "'s place";
      target = &*top;
    } else if (target != &*top) {
      ++restacked;
    }
    if (!target->timed && !close_box_shown(*target)) {
      const NoticeProgram& other =
          target->program == &kMessageNotice ? kPrintNotice : kMessageNotice;
      if (StackedNotice* above = seen_on_top(notices, other); above != nullptr) {
        target = above;
        ++restacked;
      }
    }
    if (target->timed) {
      const auto code = target->process.wait_for_exit(target->program->timer + kSlideOut);
      EXPECT_EQ(code, std::optional<DWORD>{0}) << target->name << ": not ended by its timer";
      ended_well += code == DWORD{0} ? 1 : 0;
      target->window = nullptr;
      continue;
    }
    // One click, a second if the first reached nothing: exactly one notice must end, with code 0.
    std::vector<StackedNotice*> ended;
    for (int attempt = 0; attempt < 2 && ended.empty(); ++attempt) {
      click_close_box(*target->program, target->window);
      e2e::wait_until(
          [&] {
            for (StackedNotice& notice : notices) {
              if (notice.window != nullptr && !notice.process.running() &&
                  (!notice.timed || &notice == target)) {
                ended.push_back(&notice);
              }
            }
            return !ended.empty();
          },
          kClickExit, 10ms);
    }
    if (ended.empty()) {
      ADD_FAILURE() << target->name << ": two clicks on its X box while on top ended nothing";
      target->process.terminate();
      target->window = nullptr;
      continue;
    }
    EXPECT_EQ(ended.size(), 1U) << "one click ended " << ended.size() << " notices";
    for (StackedNotice* notice : ended) {
      const auto code = notice->process.wait_for_exit(0ms);
      EXPECT_EQ(code, std::optional<DWORD>{0})
          << notice->name << ": ended by a click with code " << code.value_or(0);
      ended_well += code == DWORD{0} ? 1 : 0;
      elsewhere += notice != target ? 1 : 0;
      notice->window = nullptr;
    }
  }
  if (restacked > 0 || elsewhere > 0) {
    std::printf(
        "note: the screen showed another notice on top than the window list %d times; a click "
        "on the top notice's X box ended the notice beneath %d times\n",
        restacked, elsewhere);
  }
  return ended_well;
}

}  // namespace hardening
