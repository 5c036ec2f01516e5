#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "desktop_input.hpp"
#include "notice_argument.hpp"
#include "notice_fixture.hpp"
#include "notice_layout.hpp"
#include "picture_checks.hpp"
#include "program_paths.hpp"
#include "slide_checks.hpp"
#include "suite_selection.hpp"
#include "watched_launch.hpp"

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;

// The process must be gone this soon after the button of a close-box click is released.
constexpr auto kEndsAfterClick = 300ms;

std::wstring sample(wchar_t timer_flag = L' ') {
  return notice_argument(L'X', timer_flag, L"Toner baixo na impressora do terceiro andar",
                         L"Troque o cartucho", L"Fila normal");
}

Elapsed since(Clock::time_point start) {
  return std::chrono::duration_cast<Elapsed>(Clock::now() - start);
}

POINT centre_of_close_box(const RECT& window) {
  return POINT{window.left + (kCloseBox.left + kCloseBox.right) / 2,
               window.top + (kCloseBox.top + kCloseBox.bottom) / 2};
}

// Clicks the close box and returns how long the process took to end after the click, or nothing
// when it did not end within a second.
std::optional<Elapsed> close_with_a_click(const NoticeProcess& process, const RECT& window) {
  const POINT box = centre_of_close_box(window);
  click_at(box.x, box.y);
  const auto clicked = Clock::now();
  if (!process.wait_for_exit(1s)) {
    return std::nullopt;
  }
  return since(clicked);
}

// One reading of the notice window from outside while it fades in.
struct FadeSample {
  Elapsed at;
  bool visible;
  LONG ex_style;  // read before the alpha, see FadeIn
  std::optional<BYTE> alpha;
  HWND foreground;
};

std::string describe(const FadeSample& s) {
  return std::to_string(s.at.count()) + " ms: " + (s.visible ? "visible" : "hidden") +
         (s.ex_style & WS_EX_LAYERED ? " layered" : "") +
         (s.ex_style & WS_EX_TOPMOST ? " top-most" : "") + " alpha " +
         (s.alpha ? std::to_string(*s.alpha) : std::string("none"));
}

// A message notice shown while a window of the test's own has the foreground, read as often as
// possible from the moment its window exists until it is opaque and top-most.
class FadeIn : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    user_ = std::make_unique<ForegroundWindow>();
    user_was_foreground_ = user_->is_foreground();
    const auto started = Clock::now();
    process_.emplace(message_program(), sample());
    const auto deadline = started + kWindowTimeout + kFadeTimeout;
    while (Clock::now() < deadline && process_->running()) {
      if (window_ == nullptr) {
        // Hidden at first; the one layered or visible top-level window is the notice.
        for (HWND w : top_level_windows_of(process_->id())) {
          const LONG ex_style = GetWindowLongW(w, GWL_EXSTYLE);
          if (IsWindowVisible(w) != 0 || (ex_style & WS_EX_LAYERED) != 0) {
            window_ = w;
          }
        }
        std::this_thread::sleep_for(1ms);
        continue;
      }
      // The extended style first, the alpha after it: as the alpha only rises, a sample that is
      // top-most with an alpha below 255 means the window was top-most before it was opaque.
      const WindowFacts facts = read_window(window_);
      samples_.push_back(FadeSample{since(started), facts.visible, facts.ex_style, facts.alpha,
                                    GetForegroundWindow()});
      // Someone typing in their own window all the while: every key must reach it.
      if (samples_.size() % 25 == 1) {
        press_keys({'K'});
        ++keys_typed_;
      }
      if (facts.alpha == BYTE{255} && (facts.ex_style & WS_EX_TOPMOST) != 0) {
        shown_ = facts;
        break;
      }
    }
  }
  static void TearDownTestSuite() {
    process_.reset();
    user_.reset();
  }
  void SetUp() override {
    ASSERT_TRUE(user_was_foreground_) << "the test could not put its own window in front";
    ASSERT_NE(window_, nullptr) << "no notice window";
    ASSERT_TRUE(shown_.has_value())
        << "never opaque and top-most; last seen "
        << (samples_.empty() ? std::string("never") : describe(samples_.back()));
  }

  static std::vector<FadeSample> visible_samples() {
    std::vector<FadeSample> visible;
    std::copy_if(samples_.begin(), samples_.end(), std::back_inserter(visible),
                 [](const FadeSample& s) { return s.visible; });
    return visible;
  }

  static inline std::unique_ptr<ForegroundWindow> user_;
  static inline bool user_was_foreground_ = false;
  static inline std::optional<NoticeProcess> process_;
  static inline HWND window_ = nullptr;
  static inline std::vector<FadeSample> samples_;
  static inline std::optional<WindowFacts> shown_;
  static inline int keys_typed_ = 0;
};

TEST_F(FadeIn, AlphaRisesStepByStepFromZeroToOpaqueAndNeverFalls) {
  for (const FadeSample& s : samples_) {
    // Between the style and the alpha being set, a hidden window may be layered without an alpha.
    if (!s.visible && s.alpha.has_value()) {
      EXPECT_EQ(*s.alpha, 0) << "before it was shown, " << describe(s);
    }
  }
  const std::vector<FadeSample> visible = visible_samples();
  ASSERT_FALSE(visible.empty());
  const FadeSample& first = visible.front();
  EXPECT_NE(first.ex_style & WS_EX_LAYERED, 0) << describe(first);
  ASSERT_TRUE(first.alpha.has_value()) << describe(first);
  // Read within a millisecond or two of showing, while the fade has barely begun.
  EXPECT_LE(*first.alpha, 16) << "first seen visible at " << describe(first);

  std::set<int> levels;
  int last = 0;
  for (const FadeSample& s : visible) {
    ASSERT_TRUE(s.alpha.has_value()) << "lost its alpha at " << describe(s);
    EXPECT_GE(*s.alpha, last) << "the alpha fell at " << describe(s);
    last = *s.alpha;
    levels.insert(*s.alpha);
  }
  EXPECT_EQ(last, 255);
  // A fade, not a jump: seen at many levels on the way (it takes a few hundred milliseconds).
  EXPECT_GE(levels.size(), 10u) << "from " << describe(first) << " to " << describe(visible.back());
  RecordProperty("first_alpha", static_cast<int>(*first.alpha));
  RecordProperty("fade_ms", static_cast<int>((visible.back().at - first.at).count()));
  RecordProperty("samples", static_cast<int>(visible.size()));
}

TEST_F(FadeIn, BecomesTopMostOnlyOnceOpaque) {
  for (const FadeSample& s : samples_) {
    if ((s.ex_style & WS_EX_TOPMOST) != 0) {
      EXPECT_EQ(s.alpha, std::optional<BYTE>{255}) << "top-most at " << describe(s);
    }
  }
  EXPECT_NE(shown_->ex_style & WS_EX_TOPMOST, 0);
}

TEST_F(FadeIn, NeverTakesTheForegroundNotEvenWhenClicked) {
  int elsewhere = 0;
  for (const FadeSample& s : samples_) {
    if (s.foreground != user_->handle() && elsewhere++ == 0) {
      ADD_FAILURE() << "the foreground moved away from the user's window at " << describe(s)
                    << (s.foreground == window_ ? ", to the notice" : "");
    }
  }
  // A click on the picture, clear of every label: nothing happens, the focus stays put.
  click_at(shown_->window.left + 40, shown_->window.top + 100);
  EXPECT_FALSE(process_->wait_for_exit(300ms).has_value()) << "a click on the picture ended it";
  EXPECT_NE(GetForegroundWindow(), window_);
  EXPECT_TRUE(user_->is_foreground()) << "a click on the notice took the foreground";
  EXPECT_NE(read_window(window_).ex_style & WS_EX_TOPMOST, 0);
  press_keys({'K'});
  EXPECT_TRUE(wait_until([] { return user_->keys() == keys_typed_ + 1; }, 2s));
  std::printf(
      "%d of %d keys typed while the notice appeared, faded in, rose and was clicked "
      "reached the user's window\n",
      user_->keys(), keys_typed_ + 1);
}

// Last in the suite: it ends the notice.
TEST_F(FadeIn, EndsWithin300MillisecondsOfAClickOnTheCloseBox) {
  const auto took = close_with_a_click(*process_, shown_->window);
  ASSERT_TRUE(took.has_value()) << "still running a second after the click";
  RecordProperty("milliseconds", static_cast<int>(took->count()));
  EXPECT_LE(*took, kEndsAfterClick);
  EXPECT_EQ(process_->wait_for_exit(0ms), std::optional<DWORD>{0});
}

// True once no top-most window lies over the point. A notice comes on top only once opaque, so
// while it fades in any top-most window there, such as another notice, hides it from a click.
bool wait_until_uncovered(POINT point, std::chrono::milliseconds timeout) {
  return wait_until(
      [&] {
        const HWND over = WindowFromPoint(point);
        return over == nullptr ||
               (GetWindowLongW(GetAncestor(over, GA_ROOT), GWL_EXSTYLE) & WS_EX_TOPMOST) == 0;
      },
      timeout, 50ms);
}

TEST(CloseBox, EndsTheNoticeWhileItIsStillFadingIn) {
  const RECT expected_place{GetSystemMetrics(SM_CXSCREEN) - kRightGap,
                            GetSystemMetrics(SM_CYSCREEN) - kBottomGap, 0, 0};
  ASSERT_TRUE(wait_until_uncovered(centre_of_close_box(expected_place), 45s))
      << "another top-most window stays where the close box will be";
  NoticeProcess process(message_program(), sample());
  const HWND window = wait_for_visible_window(process.id(), kWindowTimeout);
  ASSERT_NE(window, nullptr);
  const WindowFacts seen = read_window(window);
  ASSERT_TRUE(seen.alpha.has_value());
  ASSERT_LT(*seen.alpha, 200) << "found too late in the fade to click during it";

  const POINT box = centre_of_close_box(seen.window);
  click_at(box.x, box.y);
  const auto clicked = Clock::now();
  // Read at once: below 255 means the click was queued while the fade was still running.
  const std::optional<BYTE> alpha_at_click = read_window(window).alpha;
  int highest = alpha_at_click.value_or(0);
  while (process.running() && since(clicked) < 1s) {
    if (const auto alpha = read_window(window).alpha; alpha && process.running()) {
      highest = std::max<int>(highest, *alpha);
    }
  }
  const Elapsed took = since(clicked);
  ASSERT_TRUE(alpha_at_click.has_value());
  EXPECT_LT(*alpha_at_click, 255) << "the fade was over before the click: nothing was tested";
  ASSERT_FALSE(process.running()) << "still running a second after the click";
  RecordProperty("alpha_at_click", static_cast<int>(*alpha_at_click));
  RecordProperty("milliseconds", static_cast<int>(took.count()));
  EXPECT_LE(took, kEndsAfterClick);
  EXPECT_LT(highest, 255) << "the fade ran to the end before the click was handled";
  EXPECT_EQ(process.wait_for_exit(0ms), std::optional<DWORD>{0});
}

// "Show animations in Windows" turned off as the person does it, stored and announced to the
// programs running, and turned on again.
void animate(BOOL on) {
  SystemParametersInfoW(SPI_SETCLIENTAREAANIMATION, 0,
                        reinterpret_cast<PVOID>(static_cast<UINT_PTR>(on)),
                        SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
}

// With animations off, a timed notice of each program is opaque at once and leaves at once when
// its period ends; one already shown when the person turns them off leaves at once too.
TEST(NoMotion, TimedNoticesAppearAndLeaveAtOnce) {
  // The setting reaches every notice on the screen: the other tests' must have ended.
  ASSERT_TRUE(
      wait_until([] { return FindWindowW(L"OrvaneNoticeWindow", nullptr) == nullptr; }, 60s, 50ms));
  someone_at_the_keyboard();
  const WatchPlan plan{
      .watch_for = 40s, .closely_from = 9s, .end_after_watch = true, .when_shown = {}};
  WatchedLaunch shown_before(message_program(), sample(L'T'), plan);
  shown_before.wait_until_shown(kWindowTimeout + kFadeTimeout);
  animate(FALSE);
  const std::shared_ptr<void> animate_again(nullptr, [](void*) { animate(TRUE); });
  WatchedLaunch message(message_program(), sample(L'T'), plan);
  WatchedLaunch print(
      print_program(), sample(L'T'),
      {.watch_for = 60s, .closely_from = 29s, .end_after_watch = true, .when_shown = {}});
  const std::tuple<const char*, WatchedLaunch*, Elapsed> notices[] = {
      {"OrvaneMessage", &message, 10s},
      {"OrvanePag", &print, 30s},
      {"shown before", &shown_before, 10s}};
  for (const auto& [name, launch, period] : notices) {
    const NoticeWatch& watch = launch->result();
    ASSERT_TRUE(watch.failure.empty() && watch.ended_after) << name << ": " << watch.failure;
    const Elapsed left = watch.hidden_after.value_or(*watch.ended_after);
    std::string alphas;
    for (const int alpha : watch.alphas) alphas += " " + std::to_string(alpha);
    alphas = launch == &shown_before ? " faded in" : alphas;
    std::printf("%s: alpha%s; seen at %d ms, gone at %d ms, ended at %d ms\n", name, alphas.c_str(),
                static_cast<int>(watch.visible_after.count()), static_cast<int>(left.count()),
                static_cast<int>(watch.ended_after->count()));
    EXPECT_TRUE(launch == &shown_before || alphas == " 255" || alphas == " 0 255") << alphas;
    EXPECT_FALSE(watch.moved_after.has_value()) << name << ": slid";
    EXPECT_GE(left, period - 500ms) << name;
    EXPECT_LE(left - watch.visible_after, period + 500ms) << name;
    EXPECT_EQ(watch.exit_code, std::optional<DWORD>{0}) << name;
  }
}

// A copy of the message program alone in a folder of its own, without ctrl/ and its sound.
class LoneProgramCopy {
 public:
  LoneProgramCopy() {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    folder_ = std::wstring(temp, length) + L"orvane-e2e-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder_.c_str(), nullptr);
    path_ = folder_ + L"\\OrvaneMessage.exe";
    copied_ = CopyFileW(message_program().c_str(), path_.c_str(), FALSE) != 0;
  }
  ~LoneProgramCopy() {
    DeleteFileW(path_.c_str());
    RemoveDirectoryW(folder_.c_str());
  }
  LoneProgramCopy(const LoneProgramCopy&) = delete;
  LoneProgramCopy& operator=(const LoneProgramCopy&) = delete;

  bool copied() const { return copied_; }
  const std::wstring& folder() const { return folder_; }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring folder_;
  std::wstring path_;
  bool copied_ = false;
};

TEST(MissingCtrlFolder, ChangesNothingButTheSound) {
  const LoneProgramCopy copy;
  ASSERT_TRUE(copy.copied()) << "cannot copy the program to " << narrow(copy.path());
  ASSERT_EQ(GetFileAttributesW((copy.folder() + L"\\ctrl").c_str()), INVALID_FILE_ATTRIBUTES);
  {
    const ShownNotice notice = show_notice(copy.path(), sample());
    EXPECT_LE(notice.first_seen.alpha.value_or(255), 64) << "did not fade in";
    EXPECT_NE(notice.shown.ex_style & WS_EX_TOPMOST, 0);
    expect_picture(notice.image, kWarningPicture);
    expect_close_box(notice.image);
    const auto took = close_with_a_click(notice.process, notice.shown.window);
    ASSERT_TRUE(took.has_value()) << "still running a second after a click on the close box";
    EXPECT_EQ(notice.process.wait_for_exit(0ms), std::optional<DWORD>{0});
  }
}

// A timed and an untimed notice, started before any test so that their waits overlap the other
// tests; checked at the end of the run. Both lie where every message notice appears, beneath it.
class MessageTimers : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!suite_will_run("TimedMessageNotice")) {
      return;
    }
    try {
      launch();
    } catch (const std::exception& e) {
      failure_ = e.what();
    }
  }
  void TearDown() override {
    untimed_.reset();
    timed_.reset();
  }

  // Why the notices could not be started; empty when they were.
  const std::string& failure() const { return failure_; }
  WatchedLaunch& timed() { return *timed_; }
  WatchedLaunch& untimed() { return *untimed_; }
  bool untimed_started() const { return untimed_.has_value(); }
  HWND earlier() const { return earlier_; }
  bool same_place() const { return same_place_; }
  bool later_above() const { return later_above_; }

 private:
  void launch() {
    timed_.emplace(
        message_program(), sample(L'T'),
        WatchPlan{.watch_for = 40s, .closely_from = 9s, .end_after_watch = true, .when_shown = {}});
    // The second is started once the first is on top, so which one is later is certain.
    earlier_ = timed_->wait_until_shown(kWindowTimeout + kFadeTimeout);
    untimed_.emplace(message_program(), sample(L' '),
                     WatchPlan{.watch_for = 12s,
                               .closely_from = 12s,
                               .end_after_watch = true,
                               .when_shown = [this](HWND later) {
                                 if (earlier_ != nullptr) {
                                   const RECT a = read_window(earlier_).window;
                                   const RECT b = read_window(later).window;
                                   same_place_ = EqualRect(&a, &b) != 0;
                                   later_above_ = is_above(later, earlier_);
                                 }
                               }});
    // On top before the first test starts, so that every notice a test shows comes above it.
    untimed_->wait_until_shown(kWindowTimeout + kFadeTimeout);
  }

  std::string failure_;
  std::optional<WatchedLaunch> timed_;
  std::optional<WatchedLaunch> untimed_;
  HWND earlier_ = nullptr;
  bool same_place_ = false;
  bool later_above_ = false;
};

MessageTimers* const message_timers =
    static_cast<MessageTimers*>(::testing::AddGlobalTestEnvironment(new MessageTimers));

class TimedMessageNotice : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(message_timers->failure(), "");
    ASSERT_TRUE(message_timers->untimed_started());
  }
};

TEST_F(TimedMessageNotice, SlidesOutTenSecondsAfterLaunchAndEnds) {
  expect_slides_out(message_timers->timed().result(), 10s, 500ms);
}

TEST_F(TimedMessageNotice, WithoutTheFlagStaysPutForTwelveSeconds) {
  const NoticeWatch& watch = message_timers->untimed().result();
  ASSERT_TRUE(watch.failure.empty()) << watch.failure;
  EXPECT_FALSE(watch.moved_after.has_value())
      << "moved after " << watch.moved_after.value_or(Elapsed{}).count() << " ms";
  EXPECT_TRUE(watch.running_at_the_end)
      << "ended with code " << watch.exit_code.value_or(0) << " after "
      << watch.ended_after.value_or(Elapsed{}).count() << " ms";
}

TEST_F(TimedMessageNotice, TwoNoticesShareThePlaceTheLaterOnTop) {
  ASSERT_NE(message_timers->earlier(), nullptr) << "the first notice was never shown";
  const NoticeWatch& watch = message_timers->untimed().result();
  ASSERT_TRUE(watch.failure.empty()) << watch.failure;
  EXPECT_TRUE(message_timers->same_place());
  EXPECT_TRUE(message_timers->later_above()) << "the later notice is beneath the earlier one";
}

}  // namespace
}  // namespace e2e
