#pragma once

// The driver's view of net_send.exe: a fresh folder holding the program, the net.exe stand-in and a
// prepared net_send.ini, the running process, and its window reached only through what any other
// program can see (window captions, class names, positions) and window messages.

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

inline const std::wstring kMainCaption = L"Отправка сообщений";
inline const std::wstring kAboutCaption = L"О программе...";

// The built files under test, as given on the driver's command line.
void SetBuiltFiles(const std::wstring& program, const std::wstring& netDouble);
std::wstring BuiltProgram();

// The dpi the program lays its window out at: the system's, or one that the driver sets for every start
// (under Wine only).
bool RunningUnderWine();
void SetExpectedDpi(int dpi, bool setForEachStart);
int ExpectedDpi();

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

class Handle {
public:
    Handle() noexcept = default;
    explicit Handle(HANDLE handle) noexcept : handle_(handle) {}
    Handle(Handle&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { Reset(); }

    HANDLE Get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE handle = nullptr) noexcept;

private:
    HANDLE handle_ = nullptr;
};

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
    Handle thread_;
};

// One start of the net.exe stand-in, as its log tells it.
struct NetCall {
    bool showFlagSet = false;  // STARTF_USESHOWWINDOW
    int showMode = -1;         // wShowWindow
    std::wstring commandLine;  // exactly as the stand-in got it
};

// Bytes of net_send.ini for a case; no value means there is no such file.
using FileBytes = std::optional<std::string>;

// The items of the drop-down list, in order.
using Items = std::vector<std::wstring>;

class Program {
public:
    // Makes a fresh folder with net_send.exe, net.exe and, when given, net_send.ini. Does not start.
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

    // The folder.
    const std::wstring& Folder() const { return folder_; }
    std::wstring PathOf(const std::wstring& name) const;
    FileBytes Recipients() const;  // the bytes of net_send.ini now
    FileBytes ReadBytes(const std::wstring& name) const;
    void WriteBytes(const std::wstring& name, const std::string& bytes);
    void MakeFolder(const std::wstring& name);

    // The main window and its controls.
    HWND Main() const { return main_; }
    HWND Combo() const { return combo_; }
    HWND Message() const { return message_; }
    HWND AddButton() const { return addButton_; }
    HWND SendButton() const { return sendButton_; }

    // A child of the main window of the class, the one whose top left corner is nearest the position
    // (in twips at the expected dpi), as an outsider who knows the layout finds it.
    HWND ControlNear(const wchar_t* className, int leftTwips, int topTwips, LONG requiredStyle = 0) const;
    RECT RectInClient(HWND control) const;
    int Pixels(int twips) const;

    e2e::Items Items() const;
    // For long lists, where reading every item would take long: the count, and one item.
    int ItemCount() const;
    std::wstring Item(int index) const;
    int Selection() const;
    std::wstring Text(HWND control) const;
    void SetText(HWND control, const std::wstring& text);
    void Select(int index);
    // Clicks a button and returns when its handling is over or waits for the user in a message box.
    void Click(HWND button);
    // Real input, as from the user's keyboard and mouse: it goes to the foreground window.
    void BringToFront();
    HWND Focus() const;  // the control that has the keyboard focus in the program
    void PressKey(WORD key, bool withShift = false);
    void MoveMouseTo(POINT inClient);
    void ClickAt(POINT inClient);
    // Chooses the entry of the menu bar at the given position (0: Exit, 1: Help) by its letter.
    void ChooseMenuEntry(int position);
    // Chooses an entry of the menu bar by its underlined letter, as Alt+letter does.
    void ChooseMenuEntryByLetter(wchar_t letter);
    // Sends the message and waits for its handling, as a window of another program would.
    LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    // Visible top-level windows of the process with the given caption, or of the given class.
    std::vector<HWND> WindowsCaptioned(const std::wstring& caption) const;
    std::vector<HWND> WindowsOfClass(const wchar_t* className) const;
    HWND WaitForWindow(const std::wstring& caption, DWORD timeoutMs) const;
    // A message box (dialog class #32770) owned by the main window, or null.
    HWND MessageBoxOfMain() const;
    HWND WaitForMessageBox(DWORD timeoutMs) const;
    std::wstring MessageBoxText(HWND box) const;
    void Dismiss(HWND box);

    // Waits until the stand-in has logged at least `count` starts, then returns them all.
    std::vector<NetCall> WaitForCalls(size_t count, DWORD timeoutMs = 10000) const;
    std::vector<NetCall> Calls() const;
    // Waits until no process of this case is running besides net_send.exe itself.
    void WaitForStartedProcesses(DWORD timeoutMs = 10000) const;

    bool WaitForExit(DWORD timeoutMs) const;
    bool Running() const;
    DWORD ExitCode() const;

private:
    void FindControls();
    HWND FindMainWindow() const;
    void Stop();

    std::wstring folder_;
    Handle job_;
    Handle process_;
    DWORD processId_ = 0;
    HWND main_ = nullptr;
    HWND combo_ = nullptr;
    HWND message_ = nullptr;
    HWND addButton_ = nullptr;
    HWND sendButton_ = nullptr;
};

}  // namespace e2e
