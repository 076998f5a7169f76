#pragma once

#include "ui/common/form.h"
#include "ui/common/window.h"

// A top-level window whose content is a Form built from a table: the messages every such window
// answers the same way (building, DPI changes, colours, owner drawing, focus, keyboard) live here;
// each window adds its commands.

namespace ui {

class FormWindow : public Window {
public:
    // A window still open here (an exception ended its opening) goes now, while the fonts, brushes and
    // pictures of its controls still exist; its last messages reach this class, not the derived one.
    ~FormWindow() override;
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

protected:
    explicit FormWindow(const FormTable& table) noexcept : form_(table) {}

    const Form& Controls() const noexcept { return form_; }

    // See Form::AnswerScreenReaders.
    void AnswerScreenReaders() const { form_.AnswerScreenReaders(); }

    // Where the window is made, so that it is laid out once, at the DPI of the screen it shows on: over
    // `over` while that shows, else in the middle of the work area of its screen (the primary screen
    // without one).
    RECT CentredPlace(HWND over, DWORD style, DWORD exStyle) const;
    // Moves a window the system placed to the middle of the work area of its screen.
    void PlaceCentred() const;

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool HandleKeyboard(MSG& message) override;

    // A menu entry or a control's notification; none is used unless the window says so.
    virtual LRESULT OnCommand(int, int, HWND) { return 0; }

private:
    static RECT CentredOn(HMONITOR screen, HWND over, SIZE size);
    LRESULT OnCreate();
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnControlColours(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnEraseBackground(WPARAM wParam, LPARAM lParam);
    LRESULT OnDrawItem(WPARAM wParam, LPARAM lParam);
    LRESULT OnSystemChange(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnActivate(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetFocus();

    Form form_;
};

} // namespace ui
