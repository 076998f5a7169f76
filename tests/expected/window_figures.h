#pragma once

// How the two windows are to look, written down once for every test layer: the in-process window tests
// and the end-to-end drivers both hold the built windows against these figures, never against the
// program's own tables. Geometry in twips, colours as red, green, blue. No windows.h here, so that a
// portable test can take it too.

namespace expected {

struct Rgb {
    int red, green, blue;
};
inline constexpr Rgb kDarkGreen{0, 64, 0};
inline constexpr Rgb kBrightGreen{0, 255, 0};

struct Font {
    const wchar_t* face;
    int pointsX100; // 13.5 pt is 1350
    int weight;
    int charset;
};
inline constexpr int kBold = 700;
inline constexpr int kCyrillicCharset = 204;
inline constexpr Font kLabelFont{L"MS Sans Serif", 1350, kBold, kCyrillicCharset};
inline constexpr Font kListFont{L"MS Sans Serif", 975, kBold, kCyrillicCharset};
inline constexpr Font kMessageFont{L"MS Sans Serif", 1200, kBold, kCyrillicCharset};
inline constexpr Font kNoFont{nullptr, 0, 0, 0};

// The icon resources (see the resource script): which picture each window and button shows.
enum class Icon { None = 0, Envelope = 1, Send = 2, Check = 3, Computer = 4, Smile = 5, QuestionDisc = 6 };

struct Control {
    const char* name;
    const wchar_t* systemClass; // as GetClassName gives it
    int left, top, width, height;
    const wchar_t* text;    // the label's text; nullptr where the control starts empty
    const wchar_t* tooltip; // nullptr: none
    Font font;
    Icon picture, pressedPicture;
    int tabIndex; // -1: never takes the focus
};

struct MenuEntry {
    const char* name;
    const wchar_t* caption; // without an accelerator's ampersand, which the program is free to add
};

inline constexpr wchar_t kMainCaption[] = L"Отправка сообщений";
inline constexpr int kMainClientWidth = 7470;
inline constexpr int kMainClientHeight = 3300;
inline constexpr Icon kMainIcon = Icon::Envelope;

// In the order of the window's table of controls; stacking, front to back, follows below.
inline constexpr Control kMainControls[] = {
    {"Label1", L"Static", 120, 240, 3375, 375, L"Введите имя машины:", nullptr, kLabelFont, Icon::None, Icon::None, -1},
    // The list's closed height follows from its font.
    {"cmbComp", L"ComboBox", 3720, 240, 2895, 360, nullptr, nullptr, kListFont, Icon::None, Icon::None, 5},
    {"cmdKompName", L"Button", 6720, 120, 615, 615, nullptr, L"Добавить компьютер в список", kNoFont,
     Icon::Computer, Icon::None, 3},
    {"Label2", L"Static", 120, 840, 2655, 375, L"Ваше сообщение:", nullptr, kLabelFont, Icon::None, Icon::None, -1},
    {"txtMessage", L"Edit", 120, 1440, 7215, 1695, nullptr, nullptr, kMessageFont, Icon::None, Icon::None, 2},
    {"cmdSend", L"Button", 6360, 2400, 975, 735, nullptr, L"Послать сообщение", kNoFont, Icon::Send, Icon::Check, 4},
};
inline constexpr const char* kMainFrontToBack[] = {"cmbComp", "cmdSend", "cmdKompName", "txtMessage"};

// The message box wraps its lines at its right edge and breaks them where Enter is pressed; it shows no
// scroll bar and holds text of any length (more than an edit box's own limit of 30,000 to 32,767 characters).
struct TextBox {
    bool multiLine, enterBreaksLine, scrollBars, scrollsSideways;
    long moreCharactersThan;
};
inline constexpr TextBox kMessageBox{true, true, false, false, 32767};

// Plain entries of the menu bar, in this order, none with entries of its own.
inline constexpr MenuEntry kMainMenu[] = {
    {"Exit", L"Выход"},
    {"Help", L"О программе..."},
};

inline constexpr wchar_t kAboutCaption[] = L"О программе...";
inline constexpr int kAboutClientWidth = 4425;
inline constexpr int kAboutClientHeight = 3840;
inline constexpr Icon kAboutIcon = Icon::QuestionDisc;
inline constexpr Control kAboutControls[] = {
    {"Label1", L"Static", 360, 240, 3615, 495, L"Эту программу написал я - Tasko, честь и слава мне! :)", nullptr,
     kNoFont, Icon::None, Icon::None, -1},
    {"Image1", L"Static", 720, 960, 2895, 2415, nullptr, nullptr, kNoFont, Icon::Smile, Icon::None, -1},
};

} // namespace expected
