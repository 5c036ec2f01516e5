#include "fake_platform.hpp"

#include <algorithm>
#include <charconv>
#include <sstream>

namespace notice::testing {

namespace {

void put(std::ostringstream& out, float value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.write(buffer, result.ptr - buffer);
}
void put(std::ostringstream& out, bool value) { out << (value ? "true" : "false"); }
void put(std::ostringstream& out, std::uint8_t value) { out << static_cast<int>(value); }
template <typename T>
void put(std::ostringstream& out, const T& value) {
  out << value;
}

// "name a b c": an operation and its arguments, as the tests compare them.
template <typename... Args>
std::string call(std::string_view name, const Args&... args) {
  std::ostringstream out;
  out << name;
  ((out << ' ', put(out, args)), ...);
  return out.str();
}

}  // namespace

std::string narrow(std::u16string_view text) {
  std::string out;
  for (const char16_t c : text) {
    out += c < 0x80 ? static_cast<char>(c) : '?';
  }
  return out;
}

const char* element_name(Element element) {
  switch (element) {
    case Element::lb_titulo:
      return "lb_titulo";
    case Element::lb_data:
      return "lb_data";
    case Element::lb_mensagem:
      return "lb_mensagem";
    case Element::lb_solucao:
      return "lb_solucao";
    case Element::lb_obs:
      return "lb_obs";
    case Element::Label5:
      return "Label5";
    case Element::IMG_INFO:
      return "IMG_INFO";
    case Element::Timer1:
      return "Timer1";
  }
  return "?";
}

void FakePlatform::record(std::string call) {
  const std::string name = call.substr(0, call.find(' '));
  calls.push_back(std::move(call));
  if (!fail_on.empty() && name == fail_on) {
    throw std::runtime_error("injected failure in " + name);
  }
}

std::u16string FakePlatform::command_text() {
  record("command_text");
  return command;
}

std::u16string FakePlatform::program_directory() {
  record("program_directory");
  return directory;
}

std::u16string FakePlatform::current_time() {
  record("current_time");
  return time;
}

std::u16string FakePlatform::current_date() {
  record("current_date");
  return date;
}

ScreenSize FakePlatform::screen_size() {
  record("screen_size");
  return screen;
}

float FakePlatform::window_left() {
  record("window_left");
  return left;
}

float FakePlatform::window_top() {
  record("window_top");
  return top;
}

float FakePlatform::window_width() {
  record("window_width");
  return width;
}

float FakePlatform::window_height() {
  record("window_height");
  return height;
}

void FakePlatform::set_window_left(float twips) {
  record(call("set_window_left", twips));
  left = twips;
}

void FakePlatform::set_window_top(float twips) {
  record(call("set_window_top", twips));
  top = twips;
}

void FakePlatform::set_window_width(float twips) {
  record(call("set_window_width", twips));
  width = twips;
}

void FakePlatform::follow_display() { record("follow_display"); }

WindowHandle FakePlatform::window_handle() {
  record("window_handle");
  return handle;
}

void FakePlatform::set_label_text(Element label, std::u16string_view text) {
  record(call("set_label_text", element_name(label), narrow(text)));
  labels[label] = std::u16string(text);
}

void FakePlatform::set_image_visible(Element image, bool visible) {
  record(call("set_image_visible", element_name(image), visible));
  images[image] = visible;
}

void FakePlatform::set_timer_enabled(Element timer, bool enabled) {
  record(call("set_timer_enabled", element_name(timer), enabled));
  timers[timer] = enabled;
}

void FakePlatform::set_timer_period(Element timer, std::uint32_t ms) {
  record(call("set_timer_period", element_name(timer), ms));
  timer_periods[timer] = ms;
}

Presence FakePlatform::presence() {
  record("presence");
  return facts;
}

void FakePlatform::watch_presence(bool on) {
  record(call("watch_presence", on));
  watching = on;
}

std::uint64_t FakePlatform::tick_count_ms() {
  record("tick_count_ms");
  return now_ms;
}

std::uint32_t FakePlatform::message_duration_ms() {
  record("message_duration_ms");
  return asked_duration_ms;
}

std::int32_t FakePlatform::get_window_long(WindowHandle window, int index) {
  record(call("get_window_long", window, index));
  return ex_style;
}

void FakePlatform::set_window_long(WindowHandle window, int index, std::int32_t value) {
  record(call("set_window_long", window, index, value));
  ex_style = value;
}

void FakePlatform::set_layered_window_attributes(WindowHandle window, Colour key,
                                                 std::uint8_t alpha_value, std::uint32_t flags) {
  record(call("set_layered_window_attributes", window, key, alpha_value, flags));
  alpha = alpha_value;
}

void FakePlatform::set_window_pos(WindowHandle window, WindowHandle insert_after, int x, int y,
                                  int cx, int cy, std::uint32_t flags) {
  record(call("set_window_pos", window, insert_after, x, y, cx, cy, flags));
  if ((flags & kSwpNoZOrder) == 0) {
    topmost = insert_after == kHwndTopmost;
  }
  shown = (flags & kSwpHideWindow) != 0 ? false : shown || (flags & kSwpShowWindow) != 0;
}

void FakePlatform::play_sound(std::u16string_view path, std::uint32_t flags) {
  record(call("play_sound", narrow(path), flags));
  sounds.emplace_back(path);
}

void FakePlatform::pump_messages() {
  record("pump_messages");
  const int pump = ++pumps;
  if (on_pump) {
    on_pump(pump);
  }
}

void FakePlatform::end_program() {
  calls.emplace_back("end_program");
  throw ProgramEnded{};
}

std::vector<std::string> FakePlatform::calls_named(
    std::initializer_list<std::string_view> names) const {
  std::vector<std::string> out;
  for (const std::string& call : calls) {
    const std::string_view name = std::string_view(call).substr(0, call.find(' '));
    if (std::find(names.begin(), names.end(), name) != names.end()) {
      out.push_back(call);
    }
  }
  return out;
}

}  // namespace notice::testing
