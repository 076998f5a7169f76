#include "ui/about/frm_help.h"

#include "ui/about/frm_help_table.h"
#include "ui/common/form_window.h"
#include "ui/common/open_windows.h"

namespace ui {
namespace {

const wchar_t kClassName[] = L"frm_Help";

// A fixed dialog frame with the close button and system menu only.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;

// The credit line and the smiling face; no control reacts to anything.
class FrmHelp final : public FormWindow {
public:
    FrmHelp() noexcept : FormWindow(frm_help::kForm) {}

    void Show()
    {
        if (!Handle()) {
            RegisterClassOnce(kClassName, GetSysColorBrush(COLOR_BTNFACE));
            // Owned by the hidden owner, not by the main window: out of the taskbar, yet it stays
            // open when the main window closes.
            Create(kClassName, frm_help::kForm.caption, kStyle, kExStyle, HiddenOwner::Current(), nullptr);
            PlaceCentred(GetActiveWindow());
        }
        ShowWindow(Handle(), SW_SHOWNORMAL);
        SetForegroundWindow(Handle());
    }

private:
    LRESULT OnCommand(int, int, HWND) override { return 0; }
};

} // namespace

void ShowAbout()
{
    // One instance for the life of the process; after the user closes the window, the next call
    // builds it again from its table.
    static FrmHelp instance;
    instance.Show();
}

} // namespace ui
