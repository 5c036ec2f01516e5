// Fuzz target for the notice logic. The input is a command text of UTF-16 units, two bytes each,
// little-endian. An odd trailing byte is not part of the text: it chooses the options below.
//
// Every input goes through argument_text, read_notice, fill_date_line and join_path, and through
// initialise and load of both notices on the recording fake. The options byte may add activation
// and the slide-out on a narrow window, with a platform failure or an event delivered inside the
// pump. A broken expectation aborts, so libFuzzer keeps the input.

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.hpp"
#include "fake_platform.hpp"
#include "frm_principal.hpp"
#include "message_notice.hpp"
#include "print_notice.hpp"

namespace {

using notice::Element;
using notice::Frm_principal;
using notice::NoticeFields;
using notice::Variant;
using notice::testing::FakePlatform;
using notice::testing::ProgramEnded;

[[noreturn]] void broken(const char* what, int line) {
  std::fprintf(stderr, "notice_fuzzer.cpp:%d: broken: %s\n", line, what);
  std::abort();
}

#define REQUIRE(condition)               \
  do {                                   \
    if (!(condition)) {                  \
      broken(#condition, __LINE__);      \
    }                                    \
  } while (false)

constexpr std::size_t kKnownLength = 2 + 3 * notice::kFieldLength;  // 197: units read at all

// Equal, or both not a number.
bool same(float a, float b) { return a == b || (std::isnan(a) && std::isnan(b)); }

bool is_blank(char16_t c) { return c == u' ' || c == u'\t'; }

// The field at a 0-based start, as the fixed positions of the notice argument give it.
std::u16string expected_field(std::u16string_view text, std::size_t start, std::size_t length) {
  if (start >= text.size()) {
    return {};
  }
  return std::u16string(text.substr(start, std::min(length, text.size() - start)));
}

void check_fields(std::u16string_view text) {
  const NoticeFields fields = notice::read_notice(text);
  REQUIRE(fields.kind.size() <= 1 && fields.timer_flag.size() <= 1);
  REQUIRE(fields.message.size() <= notice::kFieldLength);
  REQUIRE(fields.solution.size() <= notice::kFieldLength);
  REQUIRE(fields.remarks.size() <= notice::kFieldLength);
  REQUIRE(fields.kind == expected_field(text, 0, 1));
  REQUIRE(fields.timer_flag == expected_field(text, 1, 1));
  REQUIRE(fields.message == expected_field(text, 2, notice::kFieldLength));
  REQUIRE(fields.solution == expected_field(text, 2 + notice::kFieldLength, notice::kFieldLength));
  REQUIRE(fields.remarks ==
          expected_field(text, 2 + 2 * notice::kFieldLength, notice::kFieldLength));

  // Nothing from unit 198 on has any effect.
  if (text.size() > kKnownLength) {
    const NoticeFields cut = notice::read_notice(text.substr(0, kKnownLength));
    REQUIRE(cut.kind == fields.kind && cut.timer_flag == fields.timer_flag);
    REQUIRE(cut.message == fields.message && cut.solution == fields.solution &&
            cut.remarks == fields.remarks);
  }
}

// The text is taken as a whole process command line.
void check_argument_text(std::u16string_view line) {
  const std::u16string_view argument = notice::argument_text(line);
  REQUIRE(argument.size() <= line.size());
  const std::size_t skipped = line.size() - argument.size();
  // A view into the line, not a copy, ending where the line ends.
  REQUIRE(argument.data() == line.data() + skipped);
  REQUIRE(argument.empty() || !is_blank(argument.front()));

  // What was skipped is the program path and then blanks only.
  std::u16string_view path = line.substr(0, skipped);
  while (!path.empty() && is_blank(path.back())) {
    path.remove_suffix(1);
  }
  if (!line.empty() && line.front() == u'"') {
    REQUIRE(!path.empty());
    const std::u16string_view inside = path.substr(1);
    const std::size_t quote = inside.find(u'"');
    if (quote == std::u16string_view::npos) {
      // Unterminated: the whole line is the path.
      REQUIRE(argument.empty());
    } else {
      REQUIRE(quote == inside.size() - 1);  // ends at the first closing quote
    }
  } else {
    REQUIRE(std::none_of(path.begin(), path.end(), is_blank));
    // An unquoted path ends only at a blank, which was then skipped.
    REQUIRE(argument.empty() || path.empty() || skipped > path.size());
  }
}

// "{time}" and "{date}" replaced left to right, found by searching rather than by stepping.
std::u16string reference_date_line(std::u16string_view format, std::u16string_view time,
                                   std::u16string_view date) {
  std::u16string line;
  for (;;) {
    const std::size_t t = format.find(u"{time}");
    const std::size_t d = format.find(u"{date}");
    const std::size_t at = std::min(t, d);
    if (at == std::u16string_view::npos) {
      line += format;
      return line;
    }
    line += format.substr(0, at);
    line += at == t ? time : date;
    format.remove_prefix(at + 6);
  }
}

bool is_separator(char16_t c) { return c == u'\\' || c == u'/'; }

void check_join_path(std::u16string_view directory, std::u16string_view file) {
  const std::u16string path = notice::join_path(directory, file);
  std::u16string expected(directory);
  if (!directory.empty() && !file.empty() && is_separator(directory.back()) &&
      is_separator(file.front())) {
    expected += file.substr(1);
  } else {
    expected += file;
  }
  REQUIRE(path == expected);
}

// The fake's inputs that the text may override: the text split at '|' gives, after the first
// piece, the time, the date and the program directory.
struct Pieces {
  std::vector<std::u16string_view> all;
  std::optional<std::u16string_view> time, date, directory;
};

Pieces split_pieces(std::u16string_view text) {
  Pieces pieces;
  for (;;) {
    const std::size_t bar = text.find(u'|');
    pieces.all.push_back(text.substr(0, bar));
    if (bar == std::u16string_view::npos) {
      break;
    }
    text.remove_prefix(bar + 1);
  }
  if (pieces.all.size() > 1) pieces.time = pieces.all[1];
  if (pieces.all.size() > 2) pieces.date = pieces.all[2];
  if (pieces.all.size() > 3) pieces.directory = pieces.all[3];
  return pieces;
}

void apply(const Pieces& pieces, FakePlatform& platform) {
  if (pieces.time) platform.time = *pieces.time;
  if (pieces.date) platform.date = *pieces.date;
  if (pieces.directory) platform.directory = *pieces.directory;
}

std::size_t count_ends(const FakePlatform& platform) {
  return static_cast<std::size_t>(
      std::count(platform.calls.begin(), platform.calls.end(), "end_program"));
}

// Initialise and load with the given command. False when the program ended, which only an
// empty command may do, and then before anything but the command was read.
bool start(FakePlatform& platform, Frm_principal& form, const Variant& variant,
           std::u16string_view command) {
  platform.command = std::u16string(command);
  form.initialise();
  REQUIRE(platform.alpha == 0 && platform.ex_style == notice::kWsExLayered);
  const std::size_t before = platform.calls.size();
  try {
    form.load();
  } catch (const ProgramEnded&) {
    REQUIRE(command.empty());
    REQUIRE(platform.calls.size() == before + 2);
    REQUIRE(platform.calls[before] == "command_text" && platform.calls.back() == "end_program");
    REQUIRE(platform.labels.empty() && platform.timers.empty() && platform.images.empty());
    return false;
  }
  REQUIRE(!command.empty());

  REQUIRE(platform.labels.size() == 4);
  REQUIRE(platform.labels.at(Element::lb_mensagem) == expected_field(command, 2, 65));
  REQUIRE(platform.labels.at(Element::lb_solucao) == expected_field(command, 67, 65));
  REQUIRE(platform.labels.at(Element::lb_obs) == expected_field(command, 132, 65));
  REQUIRE(platform.labels.at(Element::lb_data) ==
          reference_date_line(variant.date_line, platform.time, platform.date));

  REQUIRE(platform.timers.size() == 1);
  REQUIRE(platform.timers.at(Element::Timer1) == (command.size() >= 2 && command[1] == u'T'));
  if (variant.layout->information != nullptr) {
    REQUIRE(platform.images.size() == 1);
    REQUIRE(platform.images.at(Element::IMG_INFO) == (command[0] == u'I'));
  } else {
    REQUIRE(platform.images.empty());
  }

  REQUIRE(same(platform.left, platform.screen.width - platform.width - 15.0F));
  REQUIRE(same(platform.top, platform.screen.height - platform.height - 650.0F));
  REQUIRE(count_ends(platform) == 0);
  return true;
}

// What the odd trailing byte asks for. Bit 0 takes the text as a whole command line and loads
// its argument text. Bits 1 to 4 all set add a stage after the load, of the kind bits 5 and 6
// choose, on the print notice when bit 7 is set. Stages are kept rare on purpose: the fade alone
// is 256 recorded steps, a hundred times the cost of a load.
enum class Stage : std::uint8_t { none, activate, failing, event };

struct Options {
  bool argument_only = false;
  Stage stage = Stage::none;
  bool print = false;
};

Options decode_options(std::optional<std::uint8_t> byte) {
  Options options;
  if (byte) {
    options.argument_only = (*byte & 1) != 0;
    if ((*byte >> 1 & 15) == 15) {
      static constexpr Stage kStages[] = {Stage::activate, Stage::failing, Stage::event,
                                          Stage::event};
      options.stage = kStages[*byte >> 5 & 3];
    }
    options.print = (*byte & 0x80) != 0;
  }
  return options;
}

// The text's last unit chooses within a stage: its top four bits the window width, the rest the
// failing operation or the event and its pump.
char16_t selector(std::u16string_view text) { return text.empty() ? u'\0' : text.back(); }

// Narrow widths so the slide-out is short, the awkward roundings, and widths it must refuse.
float window_width(std::u16string_view text) {
  const int choice = selector(text) >> 12;
  static constexpr float kWidths[] = {
      0.0F,   -3.0F, 0.5F,     1.0F,     1.5F,     2.5F,
      3.5F,   4.4F,  7.0F,     16.0F,    33.5F,    64.0F,
      -32768.5F, 32767.5F, std::numeric_limits<float>::quiet_NaN(),
  };
  if (choice < static_cast<int>(std::size(kWidths))) {
    return kWidths[choice];
  }
  // Any bit pattern from the text; a long slide is folded down to a short one.
  std::uint32_t bits = selector(text);
  if (text.size() >= 2) {
    bits |= static_cast<std::uint32_t>(text[text.size() - 2]) << 16;
  }
  float width = std::bit_cast<float>(bits);
  if (width > 512.0F && width <= 32767.5F) {
    width = std::fmod(width, 512.0F);
  }
  return width;
}

// The number of slide steps, or nothing when the width does not round into 16 bits.
std::optional<int> slide_steps(float width) {
  const float rounded = std::nearbyint(width);  // to nearest, halves to even
  if (!(rounded >= -32768.0F && rounded <= 32767.0F)) {
    return std::nullopt;
  }
  return std::max(0, static_cast<int>(rounded));
}

// A tick on the started, activated window: the timer goes off, the window slides and the program
// ends; or, for a width beyond 16 bits, the failure comes out before any step.
void tick(FakePlatform& platform, Frm_principal& form) {
  const float width = platform.width;
  const float left = platform.left;
  const int pumps = platform.pumps;
  const std::size_t before = platform.calls.size();
  const std::optional<int> steps = slide_steps(width);
  try {
    form.timer_tick(Element::Timer1);
    broken("the tick returned", __LINE__);
  } catch (const ProgramEnded&) {
    REQUIRE(steps.has_value());
    REQUIRE(platform.pumps == pumps + *steps);
    float slid = left;
    for (int step = 1; step <= *steps; ++step) {
      slid = slid + static_cast<float>(step);
    }
    REQUIRE(same(platform.left, slid));
    REQUIRE(same(platform.width, *steps > 0 ? 1.0F : width));
    REQUIRE(platform.calls.back() == "end_program" && count_ends(platform) == 1);
  } catch (const std::overflow_error&) {
    REQUIRE(!steps.has_value());
    REQUIRE(platform.pumps == pumps && count_ends(platform) == 0);
  }
  // Someone is looked for once more, then the timer goes off before anything else.
  REQUIRE(platform.calls.size() > before + 1);
  REQUIRE(platform.calls[before] == "presence");
  REQUIRE(platform.calls[before + 1] == "set_timer_enabled Timer1 false");
  REQUIRE(!platform.timers.at(Element::Timer1));
}

void check_activated(const FakePlatform& platform, const Variant& variant, int pumps) {
  REQUIRE(platform.alpha == 255 && platform.topmost);
  REQUIRE(platform.pumps == pumps);
  REQUIRE(platform.sounds.size() == 1);
  REQUIRE(platform.sounds[0] == notice::join_path(platform.directory, variant.sound_file));
}

void activate_and_tick(FakePlatform& platform, Frm_principal& form, const Variant& variant) {
  form.activate();
  check_activated(platform, variant, 256);
  // A second activation neither fades again nor replays the sound.
  form.activate();
  check_activated(platform, variant, 256);
  tick(platform, form);
}

// A failing platform operation during activation.
void activate_failing(FakePlatform& platform, Frm_principal& form, const Variant& variant,
                      char16_t choice) {
  static constexpr const char* kFailing[] = {
      "set_window_pos", "program_directory", "play_sound", "window_handle",
      "set_layered_window_attributes", "get_window_long",
  };
  const std::size_t which = choice % std::size(kFailing);
  platform.fail_on = kFailing[which];
  form.activate();
  if (which < 4) {
    // Activation gave up before the sound and is tried again in full next time.
    REQUIRE(platform.sounds.empty());
    platform.fail_on.clear();
    const int pumps = platform.pumps;
    form.activate();
    check_activated(platform, variant, pumps + 256);
  } else {
    // Opacity failures are swallowed: the fade runs on and the window stays invisible.
    REQUIRE(platform.alpha == 0 && platform.pumps == 256 && platform.sounds.size() == 1);
    platform.fail_on.clear();
  }
  tick(platform, form);
}

// An event arriving from inside the pump at one chosen pump.
void activate_with_event(FakePlatform& platform, Frm_principal& form, char16_t choice) {
  const int at = choice / 8 % 320 + 1;
  const int event = choice % 5;
  platform.on_pump = [&form, at, event](int pump) {
    // The pump count only grows, so this fires once.
    if (pump != at) {
      return;
    }
    switch (event) {
      case 0: form.click(Element::Label5); break;
      case 1: form.double_click(Element::lb_titulo); break;
      case 2: form.click(Element::lb_obs); break;
      case 3: form.activate(); break;
      default: form.timer_tick(Element::Timer1); break;
    }
  };
  bool ended = false;
  try {
    form.activate();
  } catch (const ProgramEnded&) {
    ended = true;
    REQUIRE(at <= 256 && (event <= 1 || event == 4));
    if (event <= 1) {
      REQUIRE(platform.alpha == at - 1 && platform.sounds.empty());
    }
  }
  if (!ended) {
    try {
      form.timer_tick(Element::Timer1);
      broken("the tick returned", __LINE__);
    } catch (const ProgramEnded&) {
      ended = true;
    } catch (const std::overflow_error&) {
      REQUIRE(!slide_steps(platform.width).has_value());
    }
  }
  if (ended) {
    // Nothing runs once the program has ended.
    REQUIRE(platform.calls.back() == "end_program" && count_ends(platform) == 1);
  }
}

void run_notice(const Variant& variant, std::u16string_view command, const Pieces& pieces,
                Stage stage, std::u16string_view text) {
  FakePlatform platform;
  apply(pieces, platform);
  if (stage != Stage::none) {
    platform.width = window_width(text);
  }
  Frm_principal form{platform, variant};
  if (!start(platform, form, variant, command) || stage == Stage::none) {
    return;
  }
  platform.calls.clear();
  switch (stage) {
    case Stage::activate: activate_and_tick(platform, form, variant); break;
    case Stage::failing: activate_failing(platform, form, variant, selector(text)); break;
    default: activate_with_event(platform, form, selector(text)); break;
  }
}

void run(std::u16string_view text, const Options& options) {
  check_argument_text(text);
  const std::u16string_view argument = notice::argument_text(text);
  check_fields(text);
  check_fields(argument);

  const Pieces pieces = split_pieces(text);
  const std::u16string_view format = pieces.all[0];
  const std::u16string_view time = pieces.time.value_or(u"");
  const std::u16string_view date = pieces.date.value_or(u"");
  REQUIRE(notice::fill_date_line(format, time, date) == reference_date_line(format, time, date));
  check_join_path(pieces.directory.value_or(format), time);
  check_join_path(format, u"\\ctrl\\aviso.wav");

  // The command as the platform hands it over, or taken from the text as a full command line.
  const std::u16string_view command = options.argument_only ? argument : text;
  run_notice(message_notice::variant(), command, pieces, Stage::none, text);
  run_notice(print_notice::variant(), command, pieces, Stage::none, text);
  if (options.stage != Stage::none) {
    run_notice(options.print ? print_notice::variant() : message_notice::variant(), command, pieces,
               options.stage, text);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string text(size / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
  }
  std::optional<std::uint8_t> options;
  if (size % 2 != 0) {
    options = data[size - 1];
  }
  try {
    run(text, decode_options(options));
  } catch (const std::exception& failure) {
    broken(failure.what(), __LINE__);
  } catch (const ProgramEnded&) {
    broken("the program ended unexpectedly", __LINE__);
  }
  return 0;
}
