#include <array>

#include "picture_ids.h"
#include "print_notice.hpp"

namespace print_notice {
namespace {

using notice::Alignment;
using notice::Element;
using notice::Font;
using notice::LabelLayout;

constexpr notice::Colour kWhite = 0x00FFFFFF;
constexpr notice::Colour kDarkRed = 0x000000C0;
constexpr Font kSmall{u"Tahoma", 6.75F, 400};
constexpr Font kRemarks{u"Tahoma", 9.75F, 400};
constexpr Font kClose{u"Tahoma", 8.25F, 700};
constexpr Font kTitle{u"Tahoma", 9.75F, 700};

// Top of the stacking order first. The text lines are wider than the window, whose edge cuts them.
constexpr std::array kLabels{
    LabelLayout{Element::Label5,
                {3540, 60, 345, 225},
                u"X",
                Alignment::centre,
                true,
                kWhite,
                kDarkRed,
                kClose},
    LabelLayout{Element::lb_obs,
                {90, 1170, 7005, 375},
                u"65",
                Alignment::left,
                false,
                kWhite,
                kWhite,
                kRemarks},
    LabelLayout{Element::lb_solucao,
                {90, 930, 7005, 225},
                u"65",
                Alignment::left,
                false,
                kWhite,
                kWhite,
                kSmall},
    LabelLayout{Element::lb_mensagem,
                {90, 690, 7005, 225},
                u"65",
                Alignment::left,
                false,
                kWhite,
                kWhite,
                kSmall},
    LabelLayout{Element::lb_data,
                {90, 450, 7005, 225},
                u"#",
                Alignment::left,
                false,
                kWhite,
                kWhite,
                kSmall},
    LabelLayout{Element::lb_titulo,
                {60, 60, 3615, 225},
                u":: QuorvixSpoolerX",
                Alignment::left,
                false,
                kWhite,
                kWhite,
                kTitle},
};

// The rule under the header band and the two words the picture writes on the page, at about their
// place and size.
constexpr std::array kMarks{
    notice::PictureMark{notice::MarkShape::rule, {0, 360, 3975, 15}},
    notice::PictureMark{
        notice::MarkShape::word, {0, 2475, 3960, 630}, u"Simulando", Font{u"Tahoma", 26.0F, 400}},
    notice::PictureMark{
        notice::MarkShape::word, {0, 2910, 3960, 990}, u"P\u00e1gina", Font{u"Tahoma", 40.0F, 400}},
};

constexpr notice::WindowLayout kLayout{
    .width = 3960,
    .height = 6030,
    .background = 0x000000FF,
    .background_picture = PICTURE_PRINT_BACKGROUND,
    .background_marks = kMarks,
    .labels = kLabels,
    .information = nullptr,
    .timer_period_ms = 30000,
};

constexpr notice::Variant kVariant{
    .layout = &kLayout,
    .date_line = u"{date} : {time}",
    .sound_file = u"\\ctrl\\imprimindo.wav",
};

}  // namespace

const notice::Variant& variant() { return kVariant; }

}  // namespace print_notice
