#pragma once

#include <cstddef>
#include <cstdint>

// A window described as data: every control with its place in twips, its font, colours, text, picture,
// tooltip, tab index and stacking rank. The Win32 builder creates and lays out the controls from these
// tables; this header stays free of windows.h so the tables and the rules read from them can be checked
// on any platform.

namespace ui {

enum class ControlKind {
    Label,         // fixed text on the window's ground; never takes the focus
    EditableCombo, // drop-down list with an edit field, unsorted
    MultiLineEdit, // wraps, Enter breaks the line, no scroll bars
    PictureButton, // image only, raised border
    Image,         // a picture stretched over the whole control
};

// The program's pictures, resolved to icon resources by the Win32 side.
enum class Picture { None, Envelope, Send, Check, Computer, Smile, Question };

// The same bit layout as COLORREF (0x00BBGGRR), so the Win32 side passes it on unchanged.
using RgbColour = std::uint32_t;

constexpr RgbColour Rgb(unsigned red, unsigned green, unsigned blue)
{
    return (red & 0xFFu) | ((green & 0xFFu) << 8) | ((blue & 0xFFu) << 16);
}

struct FontDef {
    const wchar_t* face = nullptr; // nullptr: the system's dialog (message) font at the window's DPI
    int pointsX100 = 0;            // 975 is 9.75 pt
    int weight = 400;
    int charset = 1; // DEFAULT_CHARSET

    constexpr bool IsDialogFont() const { return face == nullptr; }
};

struct ColourScheme {
    bool custom = false; // false: the system's dialog colours
    RgbColour groundRgb = 0;
    RgbColour textRgb = 0;
};

inline constexpr int kNoTabIndex = -1;

struct ControlRow {
    const char* name = "";
    ControlKind kind = ControlKind::Label;
    int id = 0;
    int leftTwips = 0;
    int topTwips = 0;
    int widthTwips = 0;
    int heightTwips = 0;
    const wchar_t* text = L"";
    bool centred = false;
    FontDef font;
    ColourScheme colours;
    Picture picture = Picture::None;
    Picture pressedPicture = Picture::None; // shown while the button is held down
    const wchar_t* tooltip = nullptr;
    int labelId = 0; // the label whose text names this control for screen readers; 0 for none
    int tabIndex = kNoTabIndex;
    int stackingRank = 0; // 0 is in front of every sibling; higher ranks lie further back

    constexpr bool TakesFocus() const
    {
        return kind == ControlKind::EditableCombo || kind == ControlKind::MultiLineEdit ||
               kind == ControlKind::PictureButton;
    }

    // Chained setters keep each table row readable without C++20 designated initialisers.
    template <typename T>
    constexpr ControlRow With(T ControlRow::*field, T value) const
    {
        ControlRow c = *this;
        c.*field = value;
        return c;
    }
    constexpr ControlRow At(int left, int top) const
    {
        return With(&ControlRow::leftTwips, left).With(&ControlRow::topTwips, top);
    }
    constexpr ControlRow Size(int width, int height) const
    {
        return With(&ControlRow::widthTwips, width).With(&ControlRow::heightTwips, height);
    }
    constexpr ControlRow Text(const wchar_t* value) const { return With(&ControlRow::text, value); }
    constexpr ControlRow Centred() const { return With(&ControlRow::centred, true); }
    constexpr ControlRow Font(const FontDef& value) const { return With(&ControlRow::font, value); }
    constexpr ControlRow Colours(const ColourScheme& value) const { return With(&ControlRow::colours, value); }
    constexpr ControlRow Pictures(Picture normal, Picture pressed = Picture::None) const
    {
        return With(&ControlRow::picture, normal).With(&ControlRow::pressedPicture, pressed);
    }
    constexpr ControlRow Tooltip(const wchar_t* value) const { return With(&ControlRow::tooltip, value); }
    constexpr ControlRow LabelledBy(int id) const { return With(&ControlRow::labelId, id); }
    constexpr ControlRow TabIndex(int value) const { return With(&ControlRow::tabIndex, value); }
    constexpr ControlRow Stacking(int rank) const { return With(&ControlRow::stackingRank, rank); }
};

constexpr ControlRow Control(const char* name, ControlKind kind, int id)
{
    ControlRow c;
    c.name = name;
    c.kind = kind;
    c.id = id;
    return c;
}

struct MenuEntry {
    const char* name;
    int id;
    const wchar_t* caption; // '&' marks the keyboard mnemonic
};

struct FormTable {
    const char* name = "";
    const wchar_t* caption = L"";
    int clientWidthTwips = 0;
    int clientHeightTwips = 0;
    ColourScheme colours;
    Picture icon = Picture::None;
    const ControlRow* controls = nullptr;
    std::size_t controlCount = 0;
    const MenuEntry* menu = nullptr;
    std::size_t menuCount = 0;
};

// The control that keyboard focus moves to from the control at table index `current` (or from
// outside the form when current is negative) with Tab (forward) or Shift+Tab: the next control by tab
// index that can take the focus, wrapping at the ends; -1 when none can. Stacking plays no part here,
// unlike in the system's dialog navigation.
constexpr int NextTabStop(const FormTable& form, int current, bool forward)
{
    const bool fromOutside = current < 0 || static_cast<std::size_t>(current) >= form.controlCount ||
                             !form.controls[current].TakesFocus();
    const int from = fromOutside ? 0 : form.controls[current].tabIndex;
    int best = -1;  // nearest stop past `from` in the direction of travel
    int wrap = -1;  // the stop at the far end, taken when nothing lies past `from`
    for (std::size_t i = 0; i < form.controlCount; ++i) {
        const ControlRow& c = form.controls[i];
        if (!c.TakesFocus())
            continue;
        const int index = static_cast<int>(i);
        const int tab = c.tabIndex;
        const bool past = fromOutside || (forward ? tab > from : tab < from);
        if (past && (best < 0 || (forward ? tab < form.controls[best].tabIndex
                                          : tab > form.controls[best].tabIndex)))
            best = index;
        if (wrap < 0 || (forward ? tab < form.controls[wrap].tabIndex : tab > form.controls[wrap].tabIndex))
            wrap = index;
    }
    return best >= 0 ? best : wrap;
}

// Where the focus is when the form opens: the first control in tab order that can take it.
constexpr int FirstTabStop(const FormTable& form)
{
    return NextTabStop(form, -1, true);
}

// Table index of the control with this id, or -1.
constexpr int FindControl(const FormTable& form, int id)
{
    for (std::size_t i = 0; i < form.controlCount; ++i)
        if (form.controls[i].id == id)
            return static_cast<int>(i);
    return -1;
}

// What a screen reader announces for the control: a picture button says what its tooltip says, a field
// is named by its label. nullptr when the control's own text is its name (a label) or it has none.
constexpr const wchar_t* AccessibleName(const FormTable& form, const ControlRow& control)
{
    if (control.kind == ControlKind::PictureButton)
        return control.tooltip;
    const int label = control.labelId != 0 ? FindControl(form, control.labelId) : -1;
    return label >= 0 ? form.controls[label].text : nullptr;
}

} // namespace ui
