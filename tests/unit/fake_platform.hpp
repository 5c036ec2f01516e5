#pragma once

#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform.hpp"

namespace notice::testing {

// Thrown by the fake's end of the program. Deliberately not a std::exception, so that no guard
// in the logic can swallow it.
struct ProgramEnded {};

std::string narrow(std::u16string_view text);
const char* element_name(Element element);

// A platform that is given its inputs, records every operation in order and keeps the state a
// window would have.
class FakePlatform : public Platform {
 public:
  // Inputs.
  std::u16string command;
  std::u16string directory = u"C:\\Avisos";
  std::u16string time = u"14:05:09";
  std::u16string date = u"08/12/2026";
  ScreenSize screen{1280 * 15.0F, 800 * 15.0F};
  WindowHandle handle = 0x1234;
  Presence facts;  // someone at the PC, looking
  std::uint64_t now_ms = 0;
  std::uint32_t asked_duration_ms = 0;
  bool motion = true;

  // Window state.
  float left = 0, top = 0, width = 8535, height = 1830;
  std::map<Element, std::u16string> labels;
  std::map<Element, bool> images;
  std::map<Element, bool> timers;
  std::map<Element, std::uint32_t> timer_periods;
  bool watching = false;
  std::int32_t ex_style = 0;
  std::optional<int> alpha;
  bool topmost = false;
  bool shown = false;  // created hidden
  std::vector<std::u16string> sounds;
  int pumps = 0;

  // Every operation, in order, as "name args".
  std::vector<std::string> calls;
  // Runs inside pump_messages, as handlers would run inside the real pump.
  std::function<void(int pump)> on_pump;
  // Makes the named operation throw a failure.
  std::string fail_on;

  std::u16string command_text() override;
  std::u16string program_directory() override;
  std::u16string current_time() override;
  std::u16string current_date() override;
  ScreenSize screen_size() override;
  float window_left() override;
  float window_top() override;
  float window_width() override;
  float window_height() override;
  void set_window_left(float twips) override;
  void set_window_top(float twips) override;
  void set_window_width(float twips) override;
  void follow_display() override;
  bool motion_wanted() override { return motion; }
  WindowHandle window_handle() override;
  void set_label_text(Element label, std::u16string_view text) override;
  void set_image_visible(Element image, bool visible) override;
  void set_timer_enabled(Element timer, bool enabled) override;
  void set_timer_period(Element timer, std::uint32_t ms) override;
  Presence presence() override;
  void watch_presence(bool on) override;
  std::uint64_t tick_count_ms() override;
  std::uint32_t message_duration_ms() override;
  std::int32_t get_window_long(WindowHandle window, int index) override;
  void set_window_long(WindowHandle window, int index, std::int32_t value) override;
  void set_layered_window_attributes(WindowHandle window, Colour key, std::uint8_t alpha_value,
                                     std::uint32_t flags) override;
  void set_window_pos(WindowHandle window, WindowHandle insert_after, int x, int y, int cx, int cy,
                      std::uint32_t flags) override;
  void play_sound(std::u16string_view path, std::uint32_t flags) override;
  void pump_messages() override;
  [[noreturn]] void end_program() override;

  // The recorded operations whose name is one of the given ones.
  std::vector<std::string> calls_named(std::initializer_list<std::string_view> names) const;

 private:
  void record(std::string call);
};

}  // namespace notice::testing
