#include "ui/about/frm_help.h"

#include "common/failure.h"
#include "common/system_reason.h"
#include "ui/about/frm_help_table.h"
#include "ui/common/form_window.h"
#include "ui/common/open_windows.h"

#include <memory>
#include <new>
#include <string>
#include <utility>

namespace ui {
namespace {

const wchar_t kClassName[] = L"frm_Help";

// A fixed dialog frame with the close button and system menu only.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;

// The credit line and the smiling face; no control reacts to anything. A new object for every opening,
// built from the table, and freed once its window is gone: nothing of an earlier opening is left over.
class FrmHelp final : public FormWindow {
public:
    FrmHelp() noexcept : FormWindow(frm_help::kForm) {}

    static void Show()
    {
        std::unique_ptr<FrmHelp>& open = Open();
        if (!open) {
            auto created = std::make_unique<FrmHelp>();
            created->Create();
            open = std::move(created);
        }
        ShowWindow(open->Handle(), SW_SHOWNORMAL);
        SetForegroundWindow(open->Handle());
    }

private:
    // The open window's object; empty while none is open.
    static std::unique_ptr<FrmHelp>& Open()
    {
        static std::unique_ptr<FrmHelp> open;
        return open;
    }

    void Create()
    {
        RegisterClassOnce(kClassName, GetSysColorBrush(COLOR_BTNFACE));
        // Owned by the hidden owner, not by the main window: out of the taskbar, yet it stays open when
        // the main window closes.
        const RECT place = CentredPlace(GetActiveWindow(), kStyle, kExStyle);
        Window::Create(kClassName, frm_help::kForm.caption, kStyle, kExStyle, HiddenOwner::Current(), MenuHandle(),
                       &place);
        AnswerScreenReaders();
    }

    void OnFinalMessage() override
    {
        if (Open().get() == this)
            Open().reset(); // frees this object
    }
};

} // namespace

void ShowAbout()
{
    const auto notOpened = [](const std::wstring& reason) {
        return Failure(L"Не удалось открыть окно «" + std::wstring(frm_help::kForm.caption) + L"».\n\n" +
                       reason);
    };
    try {
        FrmHelp::Show();
    } catch (const Failure& failure) {
        throw notOpened(failure.Text());
    } catch (const std::bad_alloc&) {
        // The half-made window and its object are gone by now, and with them the memory they held.
        throw notOpened(SystemReason(OutOfMemoryError()));
    }
}

} // namespace ui
