// What frmMain does: filling the list when it loads, and one handler per button and menu entry.

#include "ui/main/frm_main.h"

#include "common/failure.h"
#include "common/system_reason.h"
#include "dispatch/send_command.h"
#include "recipients/recipient_file.h"
#include "ui/about/frm_help.h"
#include "ui/common/open_windows.h"
#include "ui/common/text.h"
#include "ui/main/frm_main_table.h"

#include <new>
#include <vector>

namespace ui {
namespace {

// The names as read, end to end in one buffer, each ending in a null. One allocation grows for all of
// them: a string of its own per name cost more under Wine than reading the file.
struct ReadNames {
    std::wstring text;
    std::vector<std::size_t> starts;
};

// Many thousands of names are fine: storage for all of them is reserved at once and the list is not
// redrawn while it fills (without that, filling takes several times as long under Wine).
void FillList(HWND combo, const ReadNames& names)
{
    const std::size_t bytes = names.text.size() * sizeof(wchar_t);
    SendMessageW(combo, WM_SETREDRAW, FALSE, 0);
    SendMessageW(combo, CB_INITSTORAGE, static_cast<WPARAM>(names.starts.size()), static_cast<LPARAM>(bytes));
    for (const std::size_t start : names.starts)
        if (SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(names.text.c_str() + start)) < 0)
            break; // out of memory: keep what fitted
    SendMessageW(combo, WM_SETREDRAW, TRUE, 0);
}

} // namespace

std::wstring FrmMain::OnLoad()
{
    ReadNames names;
    std::wstring failure;
    try {
        ReadRecipients([&names](const RecipientName& name) {
            // Should memory run out half-way, the names before this one are whole and nothing else is
            // listed: a start is only added for a name that is in the text with its null.
            const std::size_t start = names.text.size();
            names.text.append(name).push_back(L'\0');
            names.starts.push_back(start);
        });
    } catch (const Failure& error) {
        failure = error.Text(); // the names read before it are still shown
    }
    FillList(Controls().Control(frm_main::kCmbComp), names);
    return failure;
}

void FrmMain::OnCmdKompNameClick()
{
    try {
        const RecipientName name = ReadText(Controls().Control(frm_main::kCmbComp));
        if (!name.empty())
            AppendRecipient(name);
    } catch (const Failure& error) {
        Report(error.Text(), MB_ICONERROR);
    } catch (const std::bad_alloc&) {
        // The name and whatever was made for it are let go by now, which leaves room for the message.
        Report(L"Не удалось добавить имя в список.\n\n" + SystemReason(OutOfMemoryError()),
               MB_ICONERROR);
    }
}

void FrmMain::OnCmdSendClick()
{
    // Whether the message went out is for the net command to say; nothing here reports a failure.
    try {
        const std::wstring name = ReadText(Controls().Control(frm_main::kCmbComp));
        const std::wstring message = ReadText(Controls().Control(frm_main::kTxtMessage));
        RunSendCommand(ComposeSendCommand(name, message));
    } catch (...) { // NOLINT(bugprone-empty-catch): saying nothing is how sending behaves, whatever failed
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
