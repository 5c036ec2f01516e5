// Twenty notices started at once: each opens at the same place, the later above the earlier, and
// each ends on its own, by its timer or by a click while it is on top.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "notice_argument.hpp"
#include "notice_stack.hpp"

namespace hardening {
namespace {

constexpr int kNotices = 20;
// Rises closer together than this may be stacked either way round under Wine.
constexpr auto kMoments = std::chrono::milliseconds(250);

// Starts the crowd, holds each pair that rose well apart to its order, ends every notice, and
// returns how many pairs rose well apart.
int crowd_rises_in_order_and_ends() {
  std::vector<StackedNotice> notices;
  for (int i = 0; i < kNotices; ++i) {
    const bool timed = i % 7 == 3;  // three of them
    const std::wstring number = std::to_wstring(i + 1);
    notices.push_back(start_stacked("notice " + std::to_string(i + 1) + (timed ? " (timed)" : ""),
                                    kMessageNotice, built(kMessageNotice),
                                    L"Aviso " + number + L" de 20", timed));
  }

  // Each notice rises above all others when its fade-in ends: it rose after the last look that
  // found it below and by the first that found it risen. When two rise within moments of each
  // other, Wine may leave them either way round (each process restacks its own window), so only
  // notices that rose well apart are held to their order.
  using Clock = std::chrono::steady_clock;
  std::vector<Clock::time_point> last_below(kNotices, Clock::now());
  std::vector<std::optional<Clock::time_point>> risen(kNotices);
  std::vector<RECT> place(kNotices);  // where each was when it rose: a timed one moves on later
  e2e::wait_until(
      [&] {
        bool all = true;
        for (int i = 0; i < kNotices; ++i) {
          StackedNotice& notice = notices[i];
          if (risen[i]) {
            continue;
          }
          if (notice.window == nullptr) {
            for (HWND window : e2e::top_level_windows_of(notice.process.id())) {
              if (IsWindowVisible(window) != 0) {
                notice.window = window;
              }
            }
          }
          if (notice.window != nullptr) {
            const e2e::WindowFacts facts = e2e::read_window(notice.window);
            if (facts.alpha == BYTE{255} && (facts.ex_style & WS_EX_TOPMOST) != 0) {
              risen[i] = Clock::now();
              place[i] = facts.window;
              continue;
            }
          }
          last_below[i] = Clock::now();
          // A timed notice may run out on a slow machine before the last one rises.
          all = all && notice.timed && !notice.process.running();
        }
        return all;
      },
      120s, 5ms);

  const RECT expected = expected_rect(kMessageNotice);
  std::vector<HWND> windows;
  for (int i = 0; i < kNotices; ++i) {
    if (!risen[i]) {
      if (!(notices[i].timed && notices[i].process.wait_for_exit(0ms) == DWORD{0})) {
        ADD_FAILURE() << notices[i].name << " never rose above the others";
      }
      notices[i].window = nullptr;
      continue;
    }
    EXPECT_TRUE(EqualRect(&place[i], &expected)) << notices[i].name << " rose elsewhere";
    windows.push_back(notices[i].window);
  }

  const std::vector<HWND> order = stacking_order(windows);
  auto index_of = [&](HWND window) {
    for (int i = 0; i < kNotices; ++i) {
      if (notices[i].window == window) return i;
    }
    return -1;
  };
  int pairs = 0;
  for (std::size_t above = 0; above < order.size(); ++above) {
    for (std::size_t below = above + 1; below < order.size(); ++below) {
      const int upper = index_of(order[above]);
      const int lower = index_of(order[below]);
      const auto apart =
          std::chrono::duration_cast<std::chrono::milliseconds>(last_below[lower] - *risen[upper]);
      if (apart > kMoments) {
        ADD_FAILURE() << notices[upper].name << " lies above " << notices[lower].name
                      << ", which rose " << apart.count() << " ms after it";
      }
      pairs += apart > kMoments || *risen[lower] + kMoments < last_below[upper] ? 1 : 0;
    }
  }
  const int ended = close_from_the_top(notices);
  for (const StackedNotice& notice : notices) {
    EXPECT_EQ(notice.process.wait_for_exit(0ms), std::optional<DWORD>{0})
        << notice.name << " did not end normally";
  }
  testing::Test::RecordProperty("ended_in_turn", ended);
  return pairs;
}

TEST(Crowd, TwentyNoticesAtOnceStackAtTheirPlaceAndEachEndsOnItsOwn) {
  int pairs = crowd_rises_in_order_and_ends();
  // The order is only worth checking if enough notices rose well apart. Now and then a busy
  // machine lets nearly all of them rise in the same moment: then the crowd comes once more.
  if (pairs < kNotices) {
    pairs = crowd_rises_in_order_and_ends();
  }
  EXPECT_GE(pairs, kNotices) << "too few notices rose apart to tell their order";
  RecordProperty("notices", kNotices);
  RecordProperty("pairs_apart", pairs);
}

}  // namespace
}  // namespace hardening
