#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "layout.hpp"
#include "platform.hpp"

namespace notice {

// The load rule's corner: the window's distance from the right and bottom edges of the screen.
inline constexpr float kRightMargin = 15.0F;    // twips: one pixel clear of the right edge
inline constexpr float kBottomMargin = 650.0F;  // twips: clear of a task bar at the bottom

// The notice window's handlers: the whole behaviour of a notice program.
class Frm_principal final : public EventHandler {
 public:
  Frm_principal(Platform& platform, const Variant& variant);

  void initialise() override;
  void load() override;
  void activate() override;
  void click(Element element) override;
  void double_click(Element element) override;
  void timer_tick(Element timer) override;
  void display_changed() override;
  void presence_changed() override;

  // Fades the window in from invisible to opaque, pumping messages after every step; opaque in
  // one step when the person has asked for no motion.
  void transIN();
  // Narrows the window while pushing it off the right edge of the screen, faster and faster; hides
  // it in one step when the person has asked for no motion.
  void transOUT();

 private:
  // The bottom-right corner of the primary screen, clear of a task bar at the bottom.
  void place_in_corner();
  // Counts a timed notice's period only while someone is there to read it.
  void follow_presence(const Presence& now);
  void slide_out_and_end();
  void set_shown(bool shown);

  Platform& platform_;
  const Variant& variant_;
  std::u16string notice_kind_;
  std::u16string timer_flag_;
  std::uint8_t activated_ = 0;
  // Set while the activation work runs: its fade pumps messages, and an activation handled
  // there must not start a second fade and a second sound inside the first.
  bool activating_ = false;
  bool sliding_ = false;
  bool timed_ = false;
  // Started where nobody can see it: nothing is shown, raised or heard until someone can.
  bool held_ = false;
  // Created hidden, and hidden while held, so that neither the task bar nor Alt+Tab lists a
  // notice nobody can see, not even for a moment.
  bool hidden_ = true;
  // Timer1 runs only while the period counts; each new run is the full period.
  bool counting_ = false;
  std::uint64_t loaded_at_ms_ = 0;
  std::optional<ScreenPoint> pointer_when_opaque_;
};

}  // namespace notice
