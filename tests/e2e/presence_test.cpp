#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

#include "desktop_input.hpp"
#include "notice_argument.hpp"
#include "notice_fixture.hpp"
#include "notice_layout.hpp"
#include "slide_checks.hpp"
#include "watched_launch.hpp"

namespace e2e {
namespace {

// The system never says these under Wine, so they are said to the notice as the system would.
void post_session_change(HWND window, WPARAM change) {
  PostMessageW(window, WM_WTSSESSION_CHANGE, change, 1);
}

// The setting lives in the receiving process, as the system's would: the display's state for
// this session, 4 bytes of data, unless told otherwise; `offset` bytes into a page of its own.
void post_display_state(HWND window, DWORD state, DWORD length = 4, SIZE_T offset = 0) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  const HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, id);
  ASSERT_NE(process, nullptr);
  const struct {
    GUID setting;
    DWORD length;
    DWORD state;
  } setting{{0x2b84c20e, 0xad23, 0x4ddf, {0x93, 0xdb, 0x05, 0xff, 0xbd, 0x7e, 0xfc, 0xa5}},
            length,
            state};
  auto* there =
      static_cast<BYTE*>(VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE)) +
      offset;
  WriteProcessMemory(process, there, &setting, std::min<SIZE_T>(sizeof setting, 4096 - offset),
                     nullptr);
  CloseHandle(process);
  PostMessageW(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(there));
}

struct Scene {
  std::wstring program;
  Elapsed slide_after;
  std::vector<std::pair<Elapsed, std::function<void(HWND)>>> events;
};

// Every notice started at once (someone at the keyboard just before), each told of its own
// events at their times after its start; then each slide is checked against its expected time.
void play(std::vector<Scene> scenes, bool someone_present = true) {
  std::vector<std::unique_ptr<WatchedLaunch>> launches;
  std::vector<HWND> windows;
  std::vector<std::chrono::steady_clock::time_point> started;
  for (const Scene& scene : scenes) {
    started.push_back(std::chrono::steady_clock::now());
    launches.push_back(std::make_unique<WatchedLaunch>(
        scene.program, notice_argument(L'X', L'T', L"Presença", L"", L""),
        WatchPlan{.watch_for = scene.slide_after + 6s,
                  .closely_from = scene.slide_after - 2s,
                  .end_after_watch = true,
                  .when_shown = {},
                  .someone_present = someone_present}));
    windows.push_back(launches.back()->wait_until_shown(kWindowTimeout + kFadeTimeout));
    ASSERT_NE(windows.back(), nullptr);
  }
  using Moment = std::chrono::steady_clock::time_point;
  std::vector<std::tuple<Moment, HWND, std::function<void(HWND)>>> timeline;
  for (std::size_t i = 0; i < scenes.size(); ++i) {
    for (const auto& [at, event] : scenes[i].events) {
      timeline.emplace_back(started[i] + at, windows[i], event);
    }
  }
  std::sort(timeline.begin(), timeline.end(),
            [](const auto& a, const auto& b) { return std::get<0>(a) < std::get<0>(b); });
  for (const auto& [at, window, event] : timeline) {
    std::this_thread::sleep_until(at);
    event(window);
  }
  for (std::size_t i = 0; i < scenes.size(); ++i) {
    SCOPED_TRACE(i);
    const NoticeWatch& watch = launches[i]->result();
    expect_slides_out(watch, scenes[i].slide_after, 1500ms);
    std::printf("scene %zu: slide began %lld ms after the start\n", i,
                static_cast<long long>(watch.moved_after.value_or(Elapsed{-1}).count()));
  }
}

const auto lock = [](HWND window) { post_session_change(window, WTS_SESSION_LOCK); };
const auto unlock = [](HWND window) { post_session_change(window, WTS_SESSION_UNLOCK); };

// Any program may post these: none is the display going off, and the notice goes on.
void post_bogus_power_messages(HWND window) {
  for (const LPARAM nowhere : {0LL, 0x10LL, 0x7FFFFFFEFFFFLL, -1LL}) {
    PostMessageW(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, nowhere);
  }
  post_display_state(window, 0, 4, 4096 - 20);  // its data past the page
  for (const DWORD length : {1U, 8U, 0xFFFFFFFFU}) {
    post_display_state(window, 0, length);
  }
}

TEST(Presence, APeriodCountsOnlyWhileSomeoneCanSeeTheNoticeAndStartsAfreshEachTime) {
  const auto point_at = [](HWND window) {
    RECT area{};
    GetWindowRect(window, &area);
    SetCursorPos(area.left + 100, area.top + 60);
  };
  play({{message_program(), 10s, {{2s, post_bogus_power_messages}}},
        {message_program(), 30s, {{3s, lock}, {20s, unlock}}},
        {message_program(),
         30s,
         {{3s, [](HWND w) { post_display_state(w, 0); }},
          {20s, [](HWND w) { post_display_state(w, 1); }}}},
        // Last of the message notices, so that it is the one on top under the pointer.
        // Moved away without input, so that the next test waits the less for a minute of none.
        {message_program(), 30s, {{4s, point_at}, {20s, [](HWND) { SetCursorPos(0, 0); }}}},
        {print_program(), 45s, {{3s, lock}, {15s, unlock}}}});
}

TEST(Presence, ANoticeShownToNobodyAtTheKeyboardCountsFromTheirNextInput) {
  LASTINPUTINFO input{sizeof input, 0};
  while (GetLastInputInfo(&input) && GetTickCount() - input.dwTime < 61'000) {
    std::this_thread::sleep_for(500ms);
  }
  play({{message_program(), 30s, {{20s, [](HWND) { someone_at_the_keyboard(); }}}}}, false);
}

// A click on the close box of the notice on top leaves the pointer on the timed one beneath:
// typing on elsewhere lets its count run, and left alone it is released 30 s after the pointer
// last moved. A notice that rises under the still pointer counts from the start.
TEST(Presence, APointerLeftByAClickOnAnotherNoticesCloseBoxHoldsTheNoticeBeneathOnlyAWhile) {
  const auto timed = notice_argument(L'X', L'T', L"", L"", L"");
  for (const Elapsed key_after_click : {4s, 0s, -1s}) {  // -1: no key, a notice rises
    const auto launched = std::chrono::steady_clock::now();
    WatchedLaunch beneath(
        message_program(), timed,
        {.watch_for = 50s, .closely_from = 8s, .end_after_watch = true, .when_shown = {}});
    ASSERT_NE(beneath.wait_until_shown(kWindowTimeout + kFadeTimeout), nullptr);
    const ShownNotice above =
        show_notice(message_program(), notice_argument(L'X', L' ', L"", L"", L""));
    RECT area{};
    GetWindowRect(above.window, &area);
    std::this_thread::sleep_until(launched + 2s);
    click_at(area.left + kCloseBox.left + 10, area.top + kCloseBox.top + 8, false);
    if (key_after_click < 0s) {
      WatchedLaunch risen(message_program(), timed,
                          {.watch_for = 16s,
                           .closely_from = 8s,
                           .end_after_watch = true,
                           .when_shown = {},
                           .someone_present = false});
      expect_slides_out(risen.result(), 10s, 1500ms);
      continue;
    }
    if (key_after_click > 0s) {
      std::this_thread::sleep_until(launched + 2s + key_after_click);
      press_keys({'A'});
    }
    // The full period from the key, or from the look 30 s after the pointer's move.
    expect_slides_out(beneath.result(), key_after_click > 0s ? 16500ms : 43s, 1500ms);
  }
  someone_at_the_keyboard();
}

// The system tells a window the display's state only after it has asked, which may be while the
// notice fades in: it is then hidden, unraised and silent until the display is back.
TEST(Presence, ADisplayFoundOffWhileTheNoticeFadesInHoldsItUntilTheDisplayIsBack) {
  for (const std::wstring& program : {message_program(), print_program()}) {
    NoticeProcess notice(program, notice_argument(L'X', L' ', L"Presença", L"", L""));
    // Told as soon as the window exists: the notice reads its messages first in the fade-in.
    HWND window = nullptr;
    ASSERT_TRUE(wait_until(
        [&] {
          window = FindWindowExW(nullptr, window, L"OrvaneNoticeWindow", nullptr);
          DWORD owner = 0;
          GetWindowThreadProcessId(window, &owner);
          return window != nullptr && owner == notice.id();
        },
        kWindowTimeout, 1ms));
    post_display_state(window, 0);
    std::this_thread::sleep_for(2s);
    const WindowFacts held = read_window(window);
    EXPECT_TRUE(held.alpha == BYTE{0} && !held.visible && (held.ex_style & WS_EX_TOPMOST) == 0)
        << "faded in, or still listed, with the display off";
    post_display_state(window, 1);
    EXPECT_TRUE(wait_until(
        [&] {
          const WindowFacts facts = read_window(window);
          return facts.visible && facts.alpha == BYTE{255} && (facts.ex_style & WS_EX_TOPMOST) != 0;
        },
        kFadeTimeout))
        << "not shown once the display was back";
  }
}

}  // namespace
}  // namespace e2e
