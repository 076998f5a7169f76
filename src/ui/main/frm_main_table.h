#pragma once

#include "ui/common/window_table.h"

// frmMain as data: the window the user sends from. Bright green text on a dark green ground throughout.

namespace ui::frm_main {

inline constexpr RgbColour kDarkGreen = Rgb(0, 64, 0);
inline constexpr RgbColour kBrightGreen = Rgb(0, 255, 0);
inline constexpr ColourScheme kGreenOnGreen{true, kDarkGreen, kBrightGreen};

inline constexpr int kRussianCharset = 204;
inline constexpr int kBold = 700;
inline constexpr FontDef kLabelFont{L"MS Sans Serif", 1350, kBold, kRussianCharset};
inline constexpr FontDef kListFont{L"MS Sans Serif", 975, kBold, kRussianCharset};
inline constexpr FontDef kMessageFont{L"MS Sans Serif", 1200, kBold, kRussianCharset};

// Control ids stay clear of IDOK and IDCANCEL, which the system sends on its own.
enum ControlId : int {
    kLabel1 = 101,
    kCmbComp,
    kCmdKompName,
    kLabel2,
    kTxtMessage,
    kCmdSend,
};

enum MenuId : int {
    kExit = 201,
    kHelp,
};

// Stacking ranks put cmbComp in front, then cmdSend, cmdKompName and txtMessage; cmdSend covers the
// lower right corner of txtMessage and must stay in front of it. Tab order is the reverse of that.
inline constexpr ControlRow kControls[] = {
    Control("Label1", ControlKind::Label, kLabel1)
        .At(120, 240).Size(3375, 375)
        .Text(L"Введите имя машины:").Font(kLabelFont).Colours(kGreenOnGreen)
        .TabIndex(0).Stacking(4),
    Control("cmbComp", ControlKind::EditableCombo, kCmbComp)
        .At(3720, 240).Size(2895, 360)
        .Font(kListFont).Colours(kGreenOnGreen).LabelledBy(kLabel1)
        .TabIndex(5).Stacking(0),
    Control("cmdKompName", ControlKind::PictureButton, kCmdKompName)
        .At(6720, 120).Size(615, 615)
        .Colours(kGreenOnGreen).Pictures(Picture::Computer)
        .Tooltip(L"Добавить компьютер в список")
        .TabIndex(3).Stacking(2),
    Control("Label2", ControlKind::Label, kLabel2)
        .At(120, 840).Size(2655, 375)
        .Text(L"Ваше сообщение:").Font(kLabelFont).Colours(kGreenOnGreen)
        .TabIndex(1).Stacking(5),
    Control("txtMessage", ControlKind::MultiLineEdit, kTxtMessage)
        .At(120, 1440).Size(7215, 1695)
        .Font(kMessageFont).Colours(kGreenOnGreen).LabelledBy(kLabel2)
        .TabIndex(2).Stacking(3),
    Control("cmdSend", ControlKind::PictureButton, kCmdSend)
        .At(6360, 2400).Size(975, 735)
        .Colours(kGreenOnGreen).Pictures(Picture::Send, Picture::Check)
        .Tooltip(L"Послать сообщение")
        .TabIndex(4).Stacking(1),
};

inline constexpr MenuEntry kMenu[] = {
    {"Exit", kExit, L"&Выход"},
    {"Help", kHelp, L"&О программе..."},
};

inline constexpr FormTable kForm{
    "frmMain",
    L"Отправка сообщений",
    7470,
    3300,
    kGreenOnGreen,
    Picture::Envelope,
    kControls,
    sizeof kControls / sizeof kControls[0],
    kMenu,
    sizeof kMenu / sizeof kMenu[0],
};

} // namespace ui::frm_main
