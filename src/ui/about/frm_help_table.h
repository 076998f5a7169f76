#pragma once

#include "ui/common/window_table.h"

// frm_Help as data: the credit line and the smiling face, in the system's dialog colours and font.

namespace ui::frm_help {

enum ControlId : int {
    kLabel1 = 101,
    kImage1,
};

inline constexpr ControlRow kControls[] = {
    Control("Label1", ControlKind::Label, kLabel1)
        .At(360, 240).Size(3615, 495)
        .Text(L"Эту программу написал я - Tasko, честь и слава мне! :)").Centred()
        .Stacking(0),
    Control("Image1", ControlKind::Image, kImage1)
        .At(720, 960).Size(2895, 2415)
        .Pictures(Picture::Smile)
        .Stacking(1),
};

inline constexpr FormTable kForm{
    "frm_Help",
    L"О программе...",
    4425,
    3840,
    ColourScheme{},
    Picture::Question,
    kControls,
    sizeof kControls / sizeof kControls[0],
    nullptr,
    0,
};

} // namespace ui::frm_help
