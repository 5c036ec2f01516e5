#include "frm_principal.hpp"

#include <cmath>
#include <exception>
#include <limits>
#include <stdexcept>

#include "command_line.hpp"
#include "mod_geral.hpp"

namespace notice {
namespace {

// Rounds to the nearest 16-bit integer, halves to the even neighbour; out of range is a failure.
std::int16_t round_to_int16(float value) {
  const float floor = std::floor(value);
  const float fraction = value - floor;
  float rounded = floor;
  if (fraction > 0.5F || (fraction == 0.5F && std::fmod(floor, 2.0F) != 0.0F)) {
    rounded = floor + 1.0F;
  }
  if (!(rounded >= std::numeric_limits<std::int16_t>::min() &&
        rounded <= std::numeric_limits<std::int16_t>::max())) {
    throw std::overflow_error("width does not fit a 16-bit integer");
  }
  return static_cast<std::int16_t>(rounded);
}

}  // namespace

Frm_principal::Frm_principal(Platform& platform, const Variant& variant)
    : platform_(platform), variant_(variant) {}

void Frm_principal::initialise() {
  const WindowHandle window = platform_.window_handle();
  const std::int16_t alpha = 0;
  mod_geral::transAlpha(platform_, window, alpha);
}

void Frm_principal::load() {
  const std::u16string command = platform_.command_text();
  if (command.empty()) {
    platform_.end_program();
  }
  activated_ = 0;
  NoticeFields fields = read_notice(command);
  notice_kind_ = std::move(fields.kind);
  timer_flag_ = std::move(fields.timer_flag);

  const std::u16string time = platform_.current_time();
  const std::u16string date = platform_.current_date();
  platform_.set_label_text(Element::lb_data, fill_date_line(variant_.date_line, time, date));
  platform_.set_label_text(Element::lb_mensagem, fields.message);
  platform_.set_label_text(Element::lb_solucao, fields.solution);
  platform_.set_label_text(Element::lb_obs, fields.remarks);

  place_in_corner();

  platform_.set_timer_enabled(Element::Timer1, timer_flag_ == u"T");
  if (variant_.layout->information != nullptr) {
    platform_.set_image_visible(Element::IMG_INFO, notice_kind_ == u"I");
  }

  // The period counts from here, as long as someone is there throughout.
  timed_ = timer_flag_ == u"T";
  counting_ = timed_;
  loaded_at_ms_ = platform_.tick_count_ms();
  if (timed_) {
    const auto own = static_cast<std::uint32_t>(variant_.layout->timer_period_ms);
    if (const std::uint32_t period = timed_period_ms(own, platform_.message_duration_ms());
        period != own) {
      platform_.set_timer_period(Element::Timer1, period);
    }
  }
  const Presence now = platform_.presence();
  held_ = !can_be_seen(now);
  follow_presence(now);
  if (timed_ || held_) {
    platform_.watch_presence(true);
  }
}

void Frm_principal::place_in_corner() {
  const ScreenSize screen = platform_.screen_size();
  platform_.set_window_left(screen.width - platform_.window_width() - kRightMargin);
  platform_.set_window_top(screen.height - platform_.window_height() - kBottomMargin);
}

void Frm_principal::activate() {
  if (activated_ != 0 || activating_) {
    return;
  }
  if (held_) {
    set_shown(false);
    return;
  }
  activating_ = true;
  try {
    set_shown(true);
    transIN();
    if (held_) {
      set_shown(false);
    } else {
      // SWP_NOACTIVATE keeps the keyboard focus with the user's application.
      platform_.set_window_pos(platform_.window_handle(), kHwndTopmost, 0, 0, 0, 0,
                               kSwpNoMove | kSwpNoSize | kSwpNoActivate);
      platform_.play_sound(join_path(platform_.program_directory(), variant_.sound_file),
                           kSndAsync);
      if (timed_) {
        // A pointer still where it was when the notice appeared is no one reading it.
        pointer_when_opaque_ = platform_.presence().pointer;
      }
      activated_ = 1;
    }
  } catch (const std::exception&) {
    // The flag stays 0, so a later activation tries again.
  }
  activating_ = false;
}

void Frm_principal::set_shown(bool shown) {
  if (hidden_ == !shown) {
    return;
  }
  hidden_ = !shown;
  platform_.set_window_pos(platform_.window_handle(), 0, 0, 0, 0, 0,
                           kSwpNoMove | kSwpNoSize | kSwpNoZOrder | kSwpNoActivate |
                               (shown ? kSwpShowWindow : kSwpHideWindow));
}

void Frm_principal::click(Element element) {
  if (element == Element::Label5) {
    platform_.end_program();
  }
}

void Frm_principal::double_click(Element element) {
  if (element == Element::lb_titulo) {
    platform_.end_program();
  }
}

void Frm_principal::timer_tick(Element timer) {
  if (timer != Element::Timer1) {
    return;
  }
  // The facts are looked at once a second; the period ran out in between, so they are looked at
  // again before the notice leaves.
  if (!held_ && period_counts(platform_.presence(), pointer_when_opaque_)) {
    slide_out_and_end();
    return;
  }
  counting_ = false;
  platform_.set_timer_enabled(Element::Timer1, false);
}

void Frm_principal::slide_out_and_end() {
  // Disabled first, so that no second tick arrives while the slide pumps messages.
  platform_.set_timer_enabled(Element::Timer1, false);
  transOUT();
  platform_.end_program();
}

void Frm_principal::presence_changed() {
  if (sliding_) {
    return;
  }
  if (timed_ && platform_.tick_count_ms() - loaded_at_ms_ >= kLongestWaitMs) {
    slide_out_and_end();
    return;
  }
  const Presence now = platform_.presence();
  if (activating_ && !held_ && !can_be_seen(now)) {
    // The system tells the display's state only once the window has asked for it, which may be
    // while the notice fades in: then it was started where nobody can see it after all.
    held_ = true;
    follow_presence(now);
    platform_.watch_presence(true);
    return;
  }
  if (held_ && can_be_seen(now)) {
    // From here on as a notice that has just been started: faded in, raised, heard, full period.
    held_ = false;
    follow_presence(now);
    if (!timed_) {
      platform_.watch_presence(false);
    }
    activate();
    return;
  }
  follow_presence(now);
}

void Frm_principal::follow_presence(const Presence& now) {
  if (!timed_) {
    return;
  }
  const bool counts = !held_ && period_counts(now, pointer_when_opaque_);
  if (counts != counting_) {
    counting_ = counts;
    // Enabling starts the full period again, never the rest of it.
    platform_.set_timer_enabled(Element::Timer1, counts);
  }
}

// A notice left where the old screen had its corner may stand off the new one, where an untimed
// notice could never be closed. A sliding notice is on its way out and ends with the slide.
void Frm_principal::display_changed() {
  if (sliding_) {
    return;
  }
  platform_.follow_display();
  place_in_corner();
}

void Frm_principal::transIN() {
  for (std::int16_t alpha = 0; alpha <= 255; ++alpha) {
    // Without motion the fade is its last step alone, also from the moment it is turned off.
    if (!platform_.motion_wanted()) {
      alpha = 255;
    }
    const WindowHandle window = platform_.window_handle();
    mod_geral::transAlpha(platform_, window, alpha);
    platform_.pump_messages();
    if (held_) {
      // Invisible again, to fade in afresh once someone can see it.
      mod_geral::transAlpha(platform_, window, 0);
      return;
    }
  }
}

void Frm_principal::transOUT() {
  sliding_ = true;
  const std::int16_t start_width = round_to_int16(platform_.window_width());
  std::int16_t step = 0;
  for (std::int16_t width = start_width; width >= 1; --width) {
    if (!platform_.motion_wanted()) {
      // Gone in one step, where it stands: a jump to where the slide ends would land far beyond
      // any screen, past what some systems' window coordinates hold.
      set_shown(false);
      platform_.pump_messages();
      return;
    }
    ++step;
    platform_.set_window_width(static_cast<float>(width));
    platform_.set_window_left(platform_.window_left() + static_cast<float>(step));
    platform_.pump_messages();
  }
}

}  // namespace notice
