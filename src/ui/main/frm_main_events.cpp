// What frmMain does: filling the list when it loads, and one handler per button and menu entry.

#include "ui/main/frm_main.h"

#include "common/failure.h"
#include "dispatch/send_command.h"
#include "recipients/recipient_file.h"
#include "ui/about/frm_help.h"
#include "ui/common/open_windows.h"
#include "ui/common/text.h"
#include "ui/main/frm_main_table.h"

#include <vector>

namespace ui {
namespace {

// Many thousands of names are fine: storage for all of them is reserved at once and the list is not
// redrawn while it fills.
void FillList(HWND list, const std::vector<RecipientName>& names)
{
    std::size_t characters = 0;
    for (const RecipientName& name : names)
        characters += name.size() + 1;
    const std::size_t bytes = characters * sizeof(wchar_t);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, CB_INITSTORAGE, static_cast<WPARAM>(names.size()), static_cast<LPARAM>(bytes));
    for (const RecipientName& name : names)
        if (SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str())) < 0)
            break; // out of memory: keep what fitted
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
}

} // namespace

std::wstring FrmMain::OnLoad()
{
    std::vector<RecipientName> names;
    std::wstring failure;
    try {
        ReadRecipients([&names](const RecipientName& name) { names.push_back(name); });
    } catch (const Failure& error) {
        failure = error.Text(); // the names read before it are still shown
    }
    FillList(Controls().Control(frm_main::kCmbComp), names);
    return failure;
}

void FrmMain::OnCmdKompNameClick()
{
    const RecipientName name = ReadText(Controls().Control(frm_main::kCmbComp));
    if (name.empty())
        return;
    try {
        AppendRecipient(name);
    } catch (const Failure& error) {
        Report(L"Имя компьютера не сохранено в списке.\n\n" + error.Text(), MB_ICONERROR);
    }
}

void FrmMain::OnCmdSendClick()
{
    // Whether the message went out is for the net command to say; nothing here reports a failure.
    try {
        const std::wstring name = ReadText(Controls().Control(frm_main::kCmbComp));
        const std::wstring message = ReadText(Controls().Control(frm_main::kTxtMessage));
        RunSendCommand(ComposeSendCommand(name, message));
    } catch (...) {
    }
}

void FrmMain::OnExitClick()
{
    // Every window of the program closes, so the program ends the way it always does: with its last window.
    OpenWindows::CloseAll();
}

void FrmMain::OnHelpClick()
{
    try {
        ShowAbout();
    } catch (const Failure& error) {
        Report(error.Text(), MB_ICONERROR);
    }
}

} // namespace ui
