#include <array>

#include "message_notice.hpp"
#include "picture_ids.h"

namespace message_notice {
namespace {

using notice::Alignment;
using notice::Element;
using notice::Font;
using notice::LabelLayout;

constexpr notice::Colour kWhite = 0x00FFFFFF;
constexpr notice::Colour kDarkRed = 0x000000C0;
constexpr Font kRegular{u"Tahoma", 8.25F, 400};
constexpr Font kBold{u"Tahoma", 8.25F, 700};
constexpr Font kTitle{u"Tahoma", 9.75F, 700};

// Top of the stacking order first.
constexpr std::array kLabels{
    LabelLayout{Element::Label5,
                {8130, 30, 345, 225},
                u"X",
                Alignment::centre,
                true,
                kWhite,
                kDarkRed,
                kBold},
    LabelLayout{Element::lb_obs,
                {1290, 1230, 7005, 225},
                u"65",
                Alignment::left,
                false,
                kWhite,
                kWhite,
                kRegular},
    LabelLayout{Element::lb_solucao,
                {1290, 960, 7005, 225},
                u"65",
                Alignment::left,
                false,
                kWhite,
                kWhite,
                kRegular},
    LabelLayout{Element::lb_mensagem,
                {1290, 690, 7005, 225},
                u"65",
                Alignment::left,
                false,
                kWhite,
                kWhite,
                kBold},
    LabelLayout{Element::lb_data,
                {1290, 420, 7005, 225},
                u"#",
                Alignment::left,
                false,
                kWhite,
                kWhite,
                kRegular},
    // Nine blanks put the first letter right of the exclamation mark in the picture's header band.
    LabelLayout{Element::lb_titulo,
                {0, 30, 8475, 225},
                u"         QuorvixSpoolerX - Aviso Importante",
                Alignment::left,
                false,
                kWhite,
                kWhite,
                kTitle},
};

// Where the pictures have the rule under the header band and their sign left of the lines.
constexpr notice::TwipRect kRule{0, 300, 8610, 15};
constexpr std::array kWarningMarks{
    notice::PictureMark{notice::MarkShape::rule, kRule},
    notice::PictureMark{notice::MarkShape::warning, {90, 450, 1170, 1065}},
};
constexpr std::array kInformationMarks{
    notice::PictureMark{notice::MarkShape::rule, kRule},
    notice::PictureMark{notice::MarkShape::information, {120, 435, 1035, 1050}},
};

constexpr notice::ImageLayout kInformation{
    Element::IMG_INFO, {0, 0, 8610, 1920}, PICTURE_INFORMATION, kInformationMarks};

constexpr notice::WindowLayout kLayout{
    .width = 8535,
    .height = 1830,
    .background = 0x000000FF,
    .background_picture = PICTURE_MESSAGE_BACKGROUND,
    .background_marks = kWarningMarks,
    .labels = kLabels,
    .information = &kInformation,
    .timer_period_ms = 10000,
};

constexpr notice::Variant kVariant{
    .layout = &kLayout,
    .date_line = u"Mensagem transmitida as {time} de {date}",
    .sound_file = u"\\ctrl\\aviso.wav",
};

}  // namespace

const notice::Variant& variant() { return kVariant; }

}  // namespace message_notice
