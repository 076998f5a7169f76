#pragma once

#include "ui/common/form_window.h"

#include <string>

namespace ui {

// The main window's caption, which also titles the program's messages.
const wchar_t* ProgramTitle() noexcept;

// The start-up window: the user picks or types a computer name, types a message and sends it.
// Its whole state lives in its controls.
class FrmMain final : public FormWindow {
public:
    FrmMain() noexcept;

    // Creates the window, fills the list from the saved names, then shows it as the process was asked
    // to. A list that could not be read in full is reported once the window is on the screen.
    // Throws Failure saying why when the window cannot be created.
    void Open(int showCommand);

private:
    LRESULT OnCommand(int id, int code, HWND control) override;

    // Returns the reason when the saved names could not all be read; empty when they could.
    std::wstring OnLoad();
    void OnCmdKompNameClick();
    void OnCmdSendClick();
    void OnExitClick();
    void OnHelpClick();

    void Report(const std::wstring& text, UINT icon) const;
};

} // namespace ui
