#pragma once

// The driver's view of net_send.exe: a fresh folder holding the program and a prepared net_send.ini, the
// running process, and its window reached only through what any other program can see (window
// captions, class names, positions) and window messages. The net.exe stand-in stands in place of the
// system's own (the driver puts it there), and logs into the case's folder.

#include "common/unique_handle_win.h"
#include "expected/window_figures.h"
#include "net_log.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace e2e {

inline const std::wstring kMainCaption = expected::kMainCaption;
inline const std::wstring kAboutCaption = expected::kAboutCaption;

// The built files under test, as given on the driver's command line.
void SetBuiltFiles(const std::wstring& program, const std::wstring& netDouble);
std::wstring BuiltProgram();
std::wstring BuiltNetDouble();
// A file built beside the net.exe stand-in, such as another test double.
std::wstring BuiltBesideNetDouble(const std::wstring& name);

// A variable of the driver's environment, which the program inherits; empty when it is not set.
std::wstring EnvironmentVariable(const wchar_t* name);

// The dpi the program lays its window out at: the system's, or one that the driver sets for every start
// (under Wine only).
bool RunningUnderWine();
// Wine's major version, 0 when not under Wine.
int WineMajorVersion();
void SetExpectedDpi(int dpi, bool setForEachStart);
int ExpectedDpi();

// An upper time bound of the driver's, in milliseconds, stretched by NETSEND_TIME_SCALE (a whole factor)
// where every process start takes far longer, as under CPU emulation. Lower bounds are never stretched.
DWORD UpperBound(DWORD ms);
// The driver's one way of waiting for what happens in the program's own time: asks `condition` every
// 20 ms until it holds, for at most UpperBound(timeoutMs); whether it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

// A file's bytes; none when there is no such file.
std::optional<std::string> BytesOf(const std::wstring& path);
// Opens a file as another program would; an empty owner when it cannot, with the reason in GetLastError.
KernelHandle OpenFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition = OPEN_EXISTING);
// The same for a hold that the case needs: a failure to open ends the case.
KernelHandle Hold(const std::wstring& path, DWORD access, DWORD share);

// The system's own words for an error, as the program is to pass them on.
std::wstring SystemReason(DWORD error);

// What a screen reader learns of a window from its client object, asked the way any accessibility client
// outside the program asks. `reached` is AccessibleObjectFromWindow's answer; the rest is only filled
// when it succeeded.
struct AccessibleView {
    HRESULT reached = E_FAIL;
    std::optional<std::wstring> name;  // none: the object gives no name
    LONG role = 0;                     // 0: no role of the system's list
};
AccessibleView AskAsScreenReader(HWND window);

// Whether the process has a module of that file name loaded; none when its modules cannot be listed
// from here (a 32-bit process cannot list a 64-bit one's), with the reason in GetLastError.
std::optional<bool> HasModule(DWORD processId, const wchar_t* fileName);

// The shared figures of the main window's control of that name.
constexpr const expected::Control& MainControl(std::string_view name)
{
    for (const expected::Control& control : expected::kMainControls)
        if (name == control.name)
            return control;
    throw std::logic_error("no such control");
}

// Where a control is, in twips, as the driver finds it by its class and place.
using Placement = expected::Control;
inline const Placement kLabel1 = MainControl("Label1");
inline const Placement kCmbComp = MainControl("cmbComp");
inline const Placement kCmdKompName = MainControl("cmdKompName");
inline const Placement kLabel2 = MainControl("Label2");
inline const Placement kTxtMessage = MainControl("txtMessage");
inline const Placement kCmdSend = MainControl("cmdSend");
inline const Placement kMainPlacements[] = {kLabel1, kCmbComp, kCmdKompName, kLabel2, kTxtMessage, kCmdSend};
constexpr int kMainClientWidth = expected::kMainClientWidth;
constexpr int kMainClientHeight = expected::kMainClientHeight;

// The system's icon in a message box, told by its colours: "warning", "error", or what was seen.
std::string IconOf(HWND box);

// The two kinds of failure the main window reports, each with its own opening words and icon.
enum class Failed { Reading, Adding };

// Runs a function on a thread of its own, for what must happen while the driver waits on the program
// (letting go of a file, driving a second instance). The destructor waits for it; Join reports what the
// function threw.
class Thread {
public:
    explicit Thread(std::function<void()> body);
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;
    ~Thread();
    void Join();

private:
    static DWORD WINAPI Run(void* self);
    std::function<void()> body_;
    std::string error_;
    KernelHandle thread_;
};

// Bytes of net_send.ini for a case; no value means there is no such file.
using FileBytes = std::optional<std::string>;

// The items of the drop-down list, in order.
using Items = std::vector<std::wstring>;

class WineSettingsForOneStart;

class Program {
public:
    // Makes a fresh folder with net_send.exe and, when given, net_send.ini. Does not start.
    explicit Program(const FileBytes& recipients);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    // Ends every process started for this case and removes the folder.
    ~Program();

    // Starts net_send.exe with the folder (or the given subfolder of it) as its current directory and
    // waits until its main window is shown (the list is filled by then) or a message box of it waits for
    // the user.
    void Start(const std::wstring& currentSubfolder = std::wstring());
    // The same with any folder as the current directory, e.g. another case's folder or another drive.
    void StartIn(const std::wstring& currentDirectory);
    // The two halves of a start: Launch returns once the process runs, WaitUntilUp once the window (or a
    // message box of it) is up.
    void Launch(const std::wstring& currentDirectory);
    void WaitUntilUp();
    // Milliseconds from the process's creation (the system's record, which lag in the driver cannot move)
    // until the main window was shown with its list filled, or a message box of it came up.
    DWORD OpeningMs() const { return openingMs_; }
    // Waits until the main window exists and does not answer at once: its thread is held up in what it
    // is doing (reading the file at start, handling a click). False when that does not happen in time.
    bool WaitUntilBusy(DWORD timeoutMs = 10000) const;

    // The folder.
    const std::wstring& Folder() const { return folder_; }
    std::wstring PathOf(const std::wstring& name) const;
    FileBytes Recipients() const;  // the bytes of net_send.ini now
    FileBytes ReadBytes(const std::wstring& name) const;
    void WriteBytes(const std::wstring& name, const std::string& bytes);
    void MakeFolder(const std::wstring& name);
    // A copy of a built file in the folder, under the given name (which may name a subfolder).
    void CopyIn(const std::wstring& built, const std::wstring& name);
    // A copy of the net.exe stand-in as net.exe in the folder, or in a subfolder of it: where no net.exe
    // may be run from. It logs into the same log as the system's.
    void PutNet(const std::wstring& subfolder = std::wstring());
    // A variable of the program's environment from the next start on, in place of the driver's.
    void SetEnvironment(const std::wstring& name, const std::wstring& value);

    // The main window and its controls.
    HWND Main() const { return main_; }
    HWND Combo() const { return combo_; }
    HWND Message() const { return message_; }
    HWND AddButton() const { return addButton_; }
    HWND SendButton() const { return sendButton_; }

    // A child of the main window of the class, the one whose top left corner is nearest the position
    // (in twips at the expected dpi), as an outsider who knows the layout finds it.
    // The same in another window, and for a style that is a value under a mask (SS_TYPEMASK) rather than
    // flags.
    HWND ControlNear(const Placement& placement, LONG requiredStyle = 0, HWND window = nullptr,
                     LONG styleMask = 0) const;
    RECT RectInClient(HWND control, HWND window = nullptr) const;
    int Pixels(int twips) const;

    e2e::Items Items() const;
    // For long lists, where reading every item would take long: the count, and one item.
    int ItemCount() const;
    std::wstring Item(int index) const;
    size_t ItemLength(int index) const;
    int Selection() const;
    std::wstring Text(HWND control) const;
    void SetText(HWND control, const std::wstring& text);
    void Fill(const std::wstring& name, const std::wstring& message);  // cmbComp's text, then txtMessage's
    void Select(int index);
    // Clicks a button and returns when its handling is over or waits for the user in a message box.
    void Click(HWND button);
    // Clicks a button and returns at once.
    void StartClick(HWND button);
    // Returns once the program has nothing left to do, or has ended: the window (the main one when not
    // given) painted anew, which a thread does only when nothing else waits in its queue (what was sent,
    // posted or typed, what that posted in turn, a request to end).
    void Idle(HWND window = nullptr) const;
    // In front, with the mouse away from it (no tooltip), every control asked to paint itself anew; the
    // painting is for a ShotWhen to wait for.
    void ShowFreshlyPainted(HWND window);
    // Real input, as from the user's keyboard and mouse: it goes to the foreground window.
    void BringToFront();
    HWND Focus() const;  // the control that has the keyboard focus in the program
    void PressKey(WORD key, bool withShift = false);
    void MoveMouseTo(POINT inClient);
    void ClickAt(POINT inClient);
    // Chooses the entry of the menu bar at the given position (0: Exit, 1: Help) by its letter, pressed.
    void ChooseMenuEntry(int position);
    // Sends the message and waits for its handling, as a window of another program would.
    LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    // Visible top-level windows of the process with the given caption, or of the given class.
    std::vector<HWND> WindowsCaptioned(const std::wstring& caption) const;
    std::vector<HWND> WindowsOfClass(const wchar_t* className) const;
    // Opens the About window with its menu entry and returns it; a failure ends the case.
    HWND OpenAbout();
    // The message box (dialog class #32770) owned by the main window once the program is idle (see Idle),
    // shown or still being made; null when there is none.
    HWND MessageBoxOfMain() const;
    // A shown message box owned by the main window, or by no window, within the time; null when none came.
    HWND WaitForMessageBox(DWORD timeoutMs, bool ownedByMain = true) const;
    std::wstring MessageBoxText(HWND box) const;
    // The box that must come within the time (or the case ends): titled with the main window's caption,
    // its text opening as given, with the system's icon ("error", "warning").
    HWND ExpectBox(const std::wstring& opening, const char* icon, DWORD timeoutMs = 5000,
                   bool ownedByMain = true) const;
    void Dismiss(HWND box);
    // The box that must be up now, or within a few seconds: titled with the main window's caption, with
    // the icon of the failure (a warning for reading, an error for adding), opening with what failed (an
    // add names the list's text) and the names file's full path in the current directory, then, when
    // given, the system's reason for `error` (or the reason given) and nothing more. Closes it, and checks
    // that no second box follows.
    void ExpectFailureBox(Failed what, std::optional<DWORD> error = std::nullopt);
    void ExpectFailureBox(Failed what, const std::wstring& reason);

    // Waits until the stand-in has logged at least `count` starts, then returns them all, once every
    // process started by then has ended.
    std::vector<NetCall> WaitForCalls(size_t count, DWORD timeoutMs = 10000) const;
    // The one start that follows `earlier` ones, once it has ended: another count of starts ends the case,
    // another command line fails it.
    NetCall ExpectNetCall(const std::wstring& commandLine, size_t earlier = 0) const;
    // The starts logged, once every process started by the program has ended (so has logged, if at all).
    std::vector<NetCall> Calls() const;
    // Waits until no process of this case is running besides net_send.exe itself.
    void WaitForStartedProcesses(DWORD timeoutMs = 10000) const;

    bool WaitForExit(DWORD timeoutMs) const;
    bool Running() const;
    DWORD ExitCode() const;

    // One running program for every row of a table, where a start each would repeat the same start: the
    // first row starts it, a row that left it ended, busy or with a message box up has it started anew,
    // and the table's end ends it. Each row finds the names file as given, both fields empty, and no
    // start of net.exe logged; the list shows what the file held at the program's start.
    static Program& ForRow(const FileBytes& recipients);
    static void EndRows();

private:
    bool ReadyForRow(const FileBytes& recipients);
    HWND BoxOwnedBy(HWND owner, bool shownOnly) const;
    void FindControls();
    std::unique_ptr<WineSettingsForOneStart> settings_;
    HWND FindMainWindow() const;
    void Stop();

    std::vector<wchar_t> EnvironmentBlock() const;

    std::wstring folder_;
    std::wstring currentDirectory_;  // the last start's
    std::vector<std::pair<std::wstring, std::wstring>> environment_;
    KernelHandle job_;
    KernelHandle process_;
    DWORD processId_ = 0;
    HWND main_ = nullptr;
    HWND combo_ = nullptr;
    HWND message_ = nullptr;
    HWND addButton_ = nullptr;
    HWND sendButton_ = nullptr;
    DWORD openingMs_ = 0;
};

}  // namespace e2e
