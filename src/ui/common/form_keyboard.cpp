#include "ui/common/form.h"

namespace ui {

bool Form::HandleKeyboard(const MSG& message) const
{
    if (message.message == WM_CHAR && (message.wParam == L'\r' || message.wParam == 0x1B)) {
        // A one-line edit outside a dialog beeps at Enter and Escape; in the list's edit field they mean
        // nothing. With the list dropped down they go on: the edit field hands them to the combo box,
        // which closes the list on them, without a beep.
        const int index = IndexOf(message.hwnd);
        return index >= 0 && table_.controls[index].kind == ControlKind::EditableCombo &&
               message.hwnd != controls_[index] && !SendMessageW(controls_[index], CB_GETDROPPEDSTATE, 0, 0);
    }
    if (message.message != WM_KEYDOWN)
        return false;

    if (message.wParam == VK_TAB) {
        if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0)
            return false;
        const bool forward = GetKeyState(VK_SHIFT) >= 0;
        const int next = NextTabStop(table_, IndexOf(GetFocus()), forward);
        if (next < 0)
            return false;
        FocusControl(next);
        // From now on the user steers by keyboard, so focus marks are shown.
        SendMessageW(window_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
        return true;
    }

    if (message.wParam == VK_RETURN) {
        // Enter on a focused picture button clicks it, as on any push button in a dialog.
        const int index = IndexOf(message.hwnd);
        if (index < 0 || table_.controls[index].kind != ControlKind::PictureButton)
            return false;
        // A held key repeats; one press is one click.
        const bool repeated = (message.lParam & (1L << 30)) != 0;
        if (!repeated)
            SendMessageW(window_, WM_COMMAND, MAKEWPARAM(table_.controls[index].id, BN_CLICKED),
                         reinterpret_cast<LPARAM>(controls_[index]));
        return true;
    }
    return false;
}

void Form::FocusControl(int index) const
{
    HWND control = controls_[index];
    SetFocus(control);
    // Tabbing into a text field selects its text, as dialogs do, so typing replaces it.
    switch (table_.controls[index].kind) {
    case ControlKind::MultiLineEdit:
        SendMessageW(control, EM_SETSEL, 0, -1);
        break;
    case ControlKind::EditableCombo:
        SendMessageW(control, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
        break;
    default:
        break;
    }
}

void Form::SaveFocus()
{
    const int index = IndexOf(GetFocus());
    if (index >= 0)
        focusIndex_ = index;
}

void Form::RestoreFocus() const
{
    const int index = focusIndex_ >= 0 ? focusIndex_ : FirstTabStop(table_);
    if (index >= 0 && static_cast<std::size_t>(index) < controls_.size())
        SetFocus(controls_[index]);
}

} // namespace ui
