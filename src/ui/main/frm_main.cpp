#include "ui/main/frm_main.h"

#include "ui/main/frm_main_table.h"

namespace ui {
namespace {

const wchar_t kClassName[] = L"frmMain";

// A fixed single border (no sizing frame) with the minimize and maximize buttons; an unowned window
// with WS_EX_APPWINDOW shows in the taskbar.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_APPWINDOW;

} // namespace

const wchar_t* ProgramTitle() noexcept
{
    return frm_main::kForm.caption;
}

FrmMain::FrmMain() noexcept : FormWindow(frm_main::kForm) {}

void FrmMain::Open(int showCommand)
{
    // The form paints its own ground, so the class has no background brush.
    RegisterClassOnce(kClassName, nullptr);
    Create(kClassName, frm_main::kForm.caption, kStyle, kExStyle, nullptr, BuildMenuBar(frm_main::kForm));
    PlaceCentred();

    const std::wstring loadFailure = OnLoad();
    AnswerScreenReaders();
    ShowWindow(Handle(), showCommand);
    UpdateWindow(Handle());
    if (!loadFailure.empty())
        Report(loadFailure, MB_ICONWARNING);
}

LRESULT FrmMain::OnCommand(int id, int code, HWND control)
{
    // An owner-drawn button reports a quick second click as a double click; it is a click all the same.
    const bool clicked = control != nullptr && (code == BN_CLICKED || code == BN_DOUBLECLICKED);
    const bool chosen = control == nullptr && code == 0;
    switch (id) {
    case frm_main::kCmdKompName:
        if (clicked)
            OnCmdKompNameClick();
        break;
    case frm_main::kCmdSend:
        if (clicked)
            OnCmdSendClick();
        break;
    case frm_main::kExit:
        if (chosen)
            OnExitClick();
        break;
    case frm_main::kHelp:
        if (chosen)
            OnHelpClick();
        break;
    default:
        break;
    }
    return 0;
}

void FrmMain::Report(const std::wstring& text, UINT icon) const
{
    MessageBoxW(Handle(), text.c_str(), frm_main::kForm.caption, MB_OK | icon);
}

} // namespace ui
