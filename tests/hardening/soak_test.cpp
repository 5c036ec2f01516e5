// A notice left open and repainted over and over keeps its handles, GDI and USER objects and
// memory flat. CI repaints it 1000 times in about half a minute; for the long run set
// HARDENING_SOAK_SECONDS (600 for ten minutes) and run only this test:
//   wine hardening_tests.exe --gtest_filter=Soak.*
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "notice_argument.hpp"
#include "notice_view.hpp"
#include "process_figures.hpp"

namespace hardening {
namespace {

constexpr int kShortRepaints = 1000;
constexpr auto kPace = 30ms;  // one repaint every 30 ms
constexpr int kWarmUp = 50;
constexpr int kSampleEvery = 100;

// Growth allowed between the figures after the warm-up and at the end. A leak of one object per
// paint would add one per repaint; a leaked paint buffer (569 x 122 x 4 bytes) 270 KiB each.
constexpr std::uint32_t kCountSlack = 4;
constexpr std::uint64_t kMemorySlack = 2ULL << 20;

int soak_seconds() {
  const char* value = std::getenv("HARDENING_SOAK_SECONDS");
  return value != nullptr ? std::atoi(value) : 0;
}

void expect_flat(const char* what, const std::optional<std::uint32_t>& before,
                 const std::optional<std::uint32_t>& after) {
  if (!before || !after) {
    std::printf("note: %s not reported by this system\n", what);
    return;
  }
  EXPECT_LE(*after, *before + kCountSlack) << what << " grew from " << *before << " to " << *after;
}

TEST(Soak, RepaintingKeepsHandlesObjectsAndMemoryFlat) {
  Process process(built(kMessageNotice),
                  e2e::notice_argument(L'X', L' ', L"Repintura contínua", L"Nada a fazer",
                                       L"Teste de resistência"));
  const ShownWindow shown = wait_until_shown(process);
  const HWND window = shown.window;

  int seen_pending = 0;
  int unpainted = 0;
  auto repaint = [&] {
    // The whole window is invalidated from here; its update region empties only when the notice's
    // own message loop has painted it (BeginPaint validates it).
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE);
    // Usually still pending when looked at at once: proof that the invalidation got there.
    seen_pending += GetUpdateRect(window, nullptr, FALSE) != 0 ? 1 : 0;
    if (!e2e::wait_until([&] { return GetUpdateRect(window, nullptr, FALSE) == 0; }, 2s, 1ms)) {
      ++unpainted;
    }
  };

  for (int i = 0; i < kWarmUp; ++i) {
    repaint();
  }
  const ProcessFigures before = measure(process.handle(), process.id());
  std::printf("after %d repaints: %s\n", kWarmUp, describe(before).c_str());

  const int seconds = soak_seconds();
  const auto started = std::chrono::steady_clock::now();
  auto next = started;
  int repaints = 0;
  ProcessFigures peak = before;
  for (;;) {
    if (seconds > 0 ? std::chrono::steady_clock::now() - started >= std::chrono::seconds(seconds)
                    : repaints >= kShortRepaints) {
      break;
    }
    repaint();
    ++repaints;
    ASSERT_TRUE(process.running()) << "the notice ended after " << repaints << " repaints";
    if (repaints % kSampleEvery == 0) {
      const ProcessFigures now = measure(process.handle(), process.id());
      peak.working_set = std::max(peak.working_set, now.working_set);
      peak.commit = std::max(peak.commit, now.commit);
      if (seconds > 0 && repaints % (kSampleEvery * 20) == 0) {
        std::printf("after %d repaints: %s\n", repaints + kWarmUp, describe(now).c_str());
      }
    }
    next += kPace;
    std::this_thread::sleep_until(next);
  }
  const ProcessFigures after = measure(process.handle(), process.id());
  const auto took =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started);
  std::printf(
      "after %d repaints in %lld s (%d seen pending): %s; peak working set %llu KiB, peak "
      "commit %llu KiB\n",
      repaints + kWarmUp, static_cast<long long>(took.count()), seen_pending,
      describe(after).c_str(), static_cast<unsigned long long>(peak.working_set / 1024),
      static_cast<unsigned long long>(peak.commit / 1024));

  // How many are still pending depends on how fast the notice paints; none means the
  // invalidations never reached it.
  EXPECT_GE(seen_pending, (repaints + kWarmUp) / 10) << "invalidations seen reaching the notice";
  EXPECT_EQ(unpainted, 0) << "repaints the notice never answered";
  expect_flat("handles", before.handles, after.handles);
  expect_flat("GDI objects", before.gdi_objects, after.gdi_objects);
  expect_flat("USER objects", before.user_objects, after.user_objects);
  EXPECT_LE(after.working_set, before.working_set + kMemorySlack)
      << "working set grew from " << before.working_set << " to " << after.working_set;
  EXPECT_LE(after.commit, before.commit + kMemorySlack)
      << "commit grew from " << before.commit << " to " << after.commit;

  const e2e::ScreenImage image = e2e::ScreenImage::capture(e2e::read_window(window).window);
  EXPECT_TRUE(image == shown.image) << "the notice looks different after the repaints";

  click_close_box(kMessageNotice, window);
  EXPECT_EQ(process.wait_for_exit(5s), std::optional<DWORD>{0});

  RecordProperty("repaints", repaints + kWarmUp);
  RecordProperty("seconds", static_cast<int>(took.count()));
  if (before.handles && after.handles) {
    RecordProperty("handles",
                   std::to_string(*before.handles) + " -> " + std::to_string(*after.handles));
  }
  RecordProperty("working_set_kib", std::to_string(before.working_set / 1024) + " -> " +
                                        std::to_string(after.working_set / 1024));
  RecordProperty("commit_kib", std::to_string(before.commit / 1024) + " -> " +
                                   std::to_string(after.commit / 1024));
}

}  // namespace
}  // namespace hardening
