#pragma once

#include "ui/common/handles.h"
#include "ui/common/window_table.h"

#include <utility>
#include <vector>

// The controls of one window, built from its table, and everything they need at the window's DPI:
// fonts, pictures, brushes. The window owns this object; the controls themselves are child windows and
// go with their parent.

namespace ui {

// The menu bar of the table, not yet held by any window.
MenuHandle BuildMenuBar(const FormTable& table);

// Whether the user has High Contrast on. Alone in its file, so that a test can answer in the system's
// place where the system keeps no such setting (Wine).
bool HighContrastOn();

class Form {
public:
    explicit Form(const FormTable& table) noexcept : table_(table) {}
    ~Form() = default;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const FormTable& Table() const noexcept { return table_; }
    HWND Control(int id) const;

    // Creates every control of the table inside the window, stacked by rank. Called once per object:
    // a window opened again gets a new Form.
    void Create(HWND window);

    // Sizes the window's client area and places every control for this DPI, with the system's colours
    // and fonts as they are now; called on creation, whenever the DPI changes and whenever the user
    // changes those. New fonts and pictures replace the old ones only after every control has been
    // handed the new ones.
    void Layout(int dpi);
    // The window's size at this DPI, frame included, for a window of this style.
    SIZE FrameSize(int dpi, DWORD style, DWORD exStyle) const;

    // Lets the controls answer screen readers themselves. Called once the window's content is in and
    // before it shows: the answering subclass sees every message its control gets, and a list filling
    // with a hundred thousand names would pay for it on each one.
    void AnswerScreenReaders() const;

    // Answers WM_CTLCOLOR*: the brush for a control with colours of its own, else nullptr.
    HBRUSH ControlColours(HDC dc, HWND control) const;
    // Paints the window's own ground; false when the system's default applies.
    bool EraseGround(HWND window, HDC dc) const;
    // Owner-drawn picture buttons and images; false for anything else.
    bool DrawItem(const DRAWITEMSTRUCT& item) const;

    // Tab and Shift+Tab by the table's tab indexes; Enter clicks a focused picture button.
    bool HandleKeyboard(const MSG& message) const;
    void SaveFocus();
    void RestoreFocus() const;

private:
    int IndexOf(HWND window) const;
    void CreateTooltips();
    void AddBrush(RgbColour colour);
    HBRUSH Brush(RgbColour colour) const;
    void SizeClientArea(int dpi) const;
    void PlaceControls(int dpi) const;
    void ApplyFonts(int dpi);
    void ApplyTooltipFont(int dpi);
    void LoadPictures(int dpi);
    void FocusControl(int index) const;

    const FormTable& table_;
    HWND window_ = nullptr;
    std::vector<HWND> controls_; // by table index
    HWND tooltip_ = nullptr;     // destroyed with the window that owns it
    FontHandle tooltipFont_;
    std::vector<std::pair<RgbColour, BrushHandle>> brushes_;
    std::vector<FontHandle> fonts_; // one per distinct font of the table, at the current DPI
    std::vector<IconHandle> pictures_;
    std::vector<IconHandle> pressedPictures_;
    std::vector<int> pictureSizes_; // the size each picture is stored and drawn at
    IconHandle bigIcon_;
    IconHandle smallIcon_;
    int dpi_ = 96;
    bool highContrast_ = false; // the system's colours stand for the table's
    int focusIndex_ = -1; // the control that had the focus when the window was last deactivated
};

} // namespace ui
