#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace notice {

// The elements of a notice window. Their names are the names the form's handlers use.
enum class Element : std::uint8_t {
  lb_titulo,
  lb_data,
  lb_mensagem,
  lb_solucao,
  lb_obs,
  Label5,
  IMG_INFO,
  Timer1,
};

// 0x00BBGGRR: red in the low byte.
using Colour = std::uint32_t;

inline constexpr float kTwipsPerPixel = 15.0F;

struct TwipRect {
  float left;
  float top;
  float width;
  float height;
};

enum class Alignment : std::uint8_t { left, centre };

struct Font {
  std::u16string_view face;
  float points;
  int weight;  // 400 regular, 700 bold; always the Western character set
};

struct LabelLayout {
  Element id;
  TwipRect rect;
  std::u16string_view text;  // design-time text
  Alignment alignment;
  bool opaque;
  Colour background;
  Colour foreground;
  Font font;
};

// What a picture tells that no label does, for when a contrast theme leaves the pictures out: then
// it is drawn in the theme's text colour, as a shape or as a word.
enum class MarkShape : std::uint8_t {
  rule,         // a line filling its rectangle
  warning,      // a triangle with "!"
  information,  // a circle with "i"
  word,         // its text in its font, centred across its rectangle, from its top
};

struct PictureMark {
  MarkShape shape;
  TwipRect rect;
  std::u16string_view text = {};
  Font font = {};
};

struct ImageLayout {
  Element id;
  TwipRect rect;
  int picture;  // resource id of the picture it shows at its natural size
  std::span<const PictureMark> marks;
};

struct WindowLayout {
  float width;   // twips; the client area, as there is no frame
  float height;  // twips
  Colour background;
  int background_picture;  // resource id, drawn at its natural size at the client origin
  std::span<const PictureMark> background_marks;
  std::span<const LabelLayout> labels;  // top of the stacking order first
  const ImageLayout* information;       // beneath every label; null when the notice has none
  int timer_period_ms;
};

// Everything that tells one notice program from the other.
struct Variant {
  const WindowLayout* layout;
  // "{time}" and "{date}" stand for the regional time of day and short date.
  std::u16string_view date_line;
  // Appended to the program directory.
  std::u16string_view sound_file;
};

}  // namespace notice
