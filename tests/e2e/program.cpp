#include "program.h"

#include "harness.h"
#include "screen.h"

#include <commctrl.h>
#include <oleacc.h>
#include <tlhelp32.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cwchar>
#include <iostream>
#include <stdexcept>
#include <utility>

namespace e2e {
namespace {

std::wstring builtProgram;
std::wstring builtNetDouble;
int expectedDpi = 96;
bool dpiSetForEachStart = false;

// Build paths reach us in the form of the build machine. Under Wine a path that starts with '/' is a
// Unix path, which Wine shows as drive Z:.
std::wstring ToWindowsPath(std::wstring path)
{
    if (!path.empty() && path[0] == L'/') {
        std::replace(path.begin(), path.end(), L'/', L'\\');
        path = L"Z:" + path;
    }
    return path;
}

std::string Narrow(const std::wstring& text) { return ToUtf8(text); }

[[noreturn]] void Fail(const std::wstring& what)
{
    const DWORD error = GetLastError();
    throw std::runtime_error(Narrow(what) + " (system error " + std::to_string(error) + ")");
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

bool SameClass(HWND window, const wchar_t* name) { return lstrcmpiW(ClassOf(window).c_str(), name) == 0; }

std::wstring CaptionOf(HWND window)
{
    // GetWindowTextW reads the caption of a top-level window of another process without waiting on it.
    wchar_t caption[512] = {};
    GetWindowTextW(window, caption, 512);
    return caption;
}

DWORD ProcessOf(HWND window)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId;
}

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindowOfProcess(HWND window, LPARAM param)
{
    auto& search = *reinterpret_cast<WindowSearch*>(param);
    if (ProcessOf(window) == search.processId)
        search.found.push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelWindowsOf(DWORD processId)
{
    WindowSearch search{processId, {}};
    EnumWindows(CollectWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::optional<std::string> ReadWholeFile(const std::wstring& path)
{
    const KernelHandle file = OpenFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (!file) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return std::nullopt;
        Fail(L"cannot read " + path);
    }
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    return bytes;
}

void WriteWholeFile(const std::wstring& path, const std::string& bytes)
{
    const KernelHandle file = OpenFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (!file)
        Fail(L"cannot write " + path);
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        Fail(L"cannot write " + path);
}

bool RemoveTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + L"\\" + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    return RemoveDirectoryW(folder.c_str()) != 0;
}

std::wstring MakeFreshFolder()
{
    wchar_t temp[MAX_PATH + 1] = {};
    if (GetTempPathW(MAX_PATH + 1, temp) == 0)
        Fail(L"no temporary folder");
    static unsigned counter = 0;
    for (;;) {
        const std::wstring folder = std::wstring(temp) + L"netsend-e2e-" + std::to_wstring(GetCurrentProcessId()) +
                                    L"-" + std::to_wstring(++counter);
        if (CreateDirectoryW(folder.c_str(), nullptr))
            return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            Fail(L"cannot make " + folder);
    }
}

// One registry value, set for as long as this object lives.
class RegistryValueForAWhile {
public:
    // Without `restore` the value is removed afterwards, whatever it was before.
    RegistryValueForAWhile(const wchar_t* key, const wchar_t* name, DWORD type, const void* data, DWORD size,
                           bool restore)
        : name_(name)
    {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_,
                            nullptr) != ERROR_SUCCESS)
            throw std::runtime_error("cannot open the registry key " + Narrow(key));
        DWORD oldSize = 0;
        if (restore && RegQueryValueExW(key_, name, nullptr, &oldType_, nullptr, &oldSize) == ERROR_SUCCESS) {
            old_.resize(oldSize);
            hadValue_ = RegQueryValueExW(key_, name, nullptr, &oldType_, old_.data(), &oldSize) == ERROR_SUCCESS;
        }
        RegSetValueExW(key_, name, 0, type, static_cast<const BYTE*>(data), size);
    }
    RegistryValueForAWhile(const RegistryValueForAWhile&) = delete;
    RegistryValueForAWhile& operator=(const RegistryValueForAWhile&) = delete;
    ~RegistryValueForAWhile()
    {
        if (hadValue_)
            RegSetValueExW(key_, name_, 0, oldType_, old_.data(), static_cast<DWORD>(old_.size()));
        else
            RegDeleteValueW(key_, name_);
        RegCloseKey(key_);
    }

private:
    HKEY key_ = nullptr;
    const wchar_t* name_;
    bool hadValue_ = false;
    DWORD oldType_ = 0;
    std::vector<BYTE> old_;
};

}  // namespace

// Wine settings that a process reads when it starts, set around one start of the program under test.
//
// Unmanaged windows: with no window manager on the display (the virtual display of a test run) Wine waits
// up to two seconds for one whenever a managed window is hidden or closed; unmanaged ones go at once.
//
// The system dpi, when the driver is told one: it is removed right after the start, back to Wine's
// default (96 dpi), so other programs in the prefix never see it for long and a run cut short leaves it
// behind only until the next start.
class WineSettingsForOneStart {
public:
    explicit WineSettingsForOneStart(int dpi)
    {
        static const wchar_t no[] = L"N";
        managed_.emplace(L"Software\\Wine\\X11 Driver", L"Managed", REG_SZ, no, static_cast<DWORD>(sizeof no), true);
        if (dpi > 0) {
            const DWORD value = static_cast<DWORD>(dpi);
            dpi_.emplace(L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &value, static_cast<DWORD>(sizeof value),
                         false);
        }
    }

private:
    std::optional<RegistryValueForAWhile> managed_;
    std::optional<RegistryValueForAWhile> dpi_;
};

namespace {

DWORD TimeScale()
{
    static const DWORD scale = [] {
        wchar_t text[16] = {};
        const DWORD length = GetEnvironmentVariableW(L"NETSEND_TIME_SCALE", text, 16);
        const int value = length > 0 && length < 16 ? _wtoi(text) : 1;
        return value > 1 ? static_cast<DWORD>(value) : 1u;
    }();
    return scale;
}

bool IsRed(COLORREF c) { return GetRValue(c) > 180 && GetGValue(c) < 100 && GetBValue(c) < 100; }
bool IsYellow(COLORREF c) { return GetRValue(c) > 180 && GetGValue(c) > 160 && GetBValue(c) < 100; }

}  // namespace

DWORD UpperBound(DWORD ms) { return ms * TimeScale(); }

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= UpperBound(timeoutMs))
            return false;
        Sleep(20);
    }
}

// Told once painted: the warning is a yellow triangle, the error a red disc.
std::string IconOf(HWND box)
{
    HWND icon = nullptr;
    for (HWND child = GetWindow(box, GW_CHILD); child && !icon; child = GetWindow(child, GW_HWNDNEXT))
        if (SameClass(child, L"Static") && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            icon = child;
    if (!icon)
        return "none";
    RECT area;
    GetClientRect(icon, &area);
    MapWindowPoints(icon, HWND_DESKTOP, reinterpret_cast<POINT*>(&area), 2);
    int red = 0;
    int yellow = 0;
    const int enough = (area.right - area.left) * (area.bottom - area.top) / 10;
    ShotWhen(area, [&](const Screenshot& shot) {
        red = yellow = 0;
        for (LONG y = area.top; y < area.bottom; ++y)
            for (LONG x = area.left; x < area.right; ++x) {
                red += IsRed(shot.At({x, y}));
                yellow += IsYellow(shot.At({x, y}));
            }
        return red + yellow > enough;
    });
    if (red > enough && red > 4 * yellow)
        return "error";
    if (yellow > enough && yellow > 4 * red)
        return "warning";
    return "neither (" + std::to_string(red) + " red and " + std::to_string(yellow) + " yellow pixels)";
}

namespace {

constexpr DWORD kStartTimeoutMs = 20000;
constexpr DWORD kAnswerTimeoutMs = 10000;
constexpr UINT kKilledExitCode = 0xE2E;

}  // namespace

void SetBuiltFiles(const std::wstring& program, const std::wstring& netDouble)
{
    builtProgram = ToWindowsPath(program);
    builtNetDouble = ToWindowsPath(netDouble);
}

int WineMajorVersion()
{
    using GetVersion = const char*(CDECL*)();
    const auto version = reinterpret_cast<GetVersion>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
    return version ? std::atoi(version()) : 0;
}

bool RunningUnderWine() { return WineMajorVersion() > 0; }

void SetExpectedDpi(int dpi, bool setForEachStart)
{
    expectedDpi = dpi;
    dpiSetForEachStart = setForEachStart;
}

int ExpectedDpi() { return expectedDpi; }

std::wstring BuiltProgram() { return builtProgram; }

std::wstring BuiltNetDouble() { return builtNetDouble; }

std::wstring EnvironmentVariable(const wchar_t* name)
{
    std::wstring value(32768, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, &value[0], static_cast<DWORD>(value.size()));
    value.resize(length < value.size() ? length : 0);
    return value;
}

std::wstring BuiltBesideNetDouble(const std::wstring& name)
{
    return builtNetDouble.substr(0, builtNetDouble.find_last_of(L"\\/") + 1) + name;
}

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], size, nullptr, nullptr);
    return utf8;
}

std::wstring FromUtf8(const std::string& text) { return WideFromUtf8(text); }

KernelHandle OpenFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition)
{
    return OwnFile(CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::optional<std::string> BytesOf(const std::wstring& path) { return ReadWholeFile(path); }

KernelHandle Hold(const std::wstring& path, DWORD access, DWORD share)
{
    KernelHandle file = OpenFile(path, access, share);
    E2E_ASSERT(file) << "cannot open " << path << " (error " << GetLastError() << ")";
    return file;
}

std::wstring SystemReason(DWORD error)
{
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = buffer ? std::wstring(buffer, length) : std::wstring();
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    return text;
}

AccessibleView AskAsScreenReader(HWND window)
{
    // The answer crosses into this process through COM, which this thread may already have in either mode.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    AccessibleView view;
    IAccessible* object = nullptr;
    view.reached = AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                              reinterpret_cast<void**>(&object));
    if (SUCCEEDED(view.reached) && object) {
        VARIANT self{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR name = nullptr;
        if (object->get_accName(self, &name) == S_OK && name)
            view.name = std::wstring(name, SysStringLen(name));
        SysFreeString(name);
        VARIANT role{};
        if (SUCCEEDED(object->get_accRole(self, &role)) && role.vt == VT_I4)
            view.role = role.lVal;
        VariantClear(&role);
        object->Release();
    } else if (SUCCEEDED(view.reached)) {
        view.reached = E_POINTER;
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return view;
}

std::optional<bool> HasModule(DWORD processId, const wchar_t* fileName)
{
    // Like CreateFileW, it fails with INVALID_HANDLE_VALUE.
    const KernelHandle snapshot = OwnFile(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
    MODULEENTRY32W module{};
    module.dwSize = sizeof module;
    if (!snapshot || !Module32FirstW(snapshot.Get(), &module))
        return std::nullopt;
    do {
        if (lstrcmpiW(module.szModule, fileName) == 0)
            return true;
    } while (Module32NextW(snapshot.Get(), &module));
    return false;
}

Thread::Thread(std::function<void()> body) : body_(std::move(body))
{
    thread_.Reset(CreateThread(nullptr, 0, Run, this, 0, nullptr));
    if (!thread_)
        Fail(L"cannot start a thread");
}

Thread::~Thread()
{
    if (thread_)
        WaitForSingleObject(thread_.Get(), INFINITE);
}

void Thread::Join()
{
    WaitForSingleObject(thread_.Get(), INFINITE);
    thread_.Reset();
    if (!error_.empty())
        throw std::runtime_error(error_);
}

DWORD WINAPI Thread::Run(void* self)
{
    auto& thread = *static_cast<Thread*>(self);
    try {
        thread.body_();
    } catch (const std::exception& error) {
        thread.error_ = error.what();
    } catch (...) {
        thread.error_ = "unknown exception";
    }
    return 0;
}

Program::Program(const FileBytes& recipients) : folder_(MakeFreshFolder())
{
    try {
        if (!CopyFileW(builtProgram.c_str(), PathOf(L"net_send.exe").c_str(), FALSE))
            Fail(L"cannot copy " + builtProgram);
        if (recipients)
            WriteWholeFile(PathOf(L"net_send.ini"), *recipients);

        // Every process of the case, the net.exe starts included, lives in this job and ends with it.
        job_.Reset(CreateJobObjectW(nullptr, nullptr));
        if (!job_)
            Fail(L"cannot make a job object");
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job_.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
    } catch (...) {
        RemoveTree(folder_);
        throw;
    }
}

Program::~Program()
{
    Stop();
    job_.Reset();
    WaitUntil([this] { return RemoveTree(folder_); }, 5000);
}

void Program::Stop()
{
    if (job_)
        TerminateJobObject(job_.Get(), kKilledExitCode);
    if (process_) {
        TerminateProcess(process_.Get(), kKilledExitCode);
        WaitForSingleObject(process_.Get(), UpperBound(5000));
    }
    WaitForStartedProcesses(5000);
}

std::wstring Program::PathOf(const std::wstring& name) const { return folder_ + L"\\" + name; }

FileBytes Program::Recipients() const { return ReadBytes(L"net_send.ini"); }

FileBytes Program::ReadBytes(const std::wstring& name) const { return ReadWholeFile(PathOf(name)); }

void Program::WriteBytes(const std::wstring& name, const std::string& bytes) { WriteWholeFile(PathOf(name), bytes); }

void Program::MakeFolder(const std::wstring& name)
{
    if (!CreateDirectoryW(PathOf(name).c_str(), nullptr))
        Fail(L"cannot make " + PathOf(name));
}

void Program::CopyIn(const std::wstring& built, const std::wstring& name)
{
    if (!CopyFileW(built.c_str(), PathOf(name).c_str(), FALSE))
        Fail(L"cannot copy " + built + L" to " + PathOf(name));
}

void Program::PutNet(const std::wstring& subfolder)
{
    CopyIn(builtNetDouble, subfolder.empty() ? L"net.exe" : subfolder + L"\\net.exe");
}

void Program::SetEnvironment(const std::wstring& name, const std::wstring& value)
{
    environment_.emplace_back(name, value);
}

// The driver's environment with the case's own variables in place of its: the stand-in's log in the
// case's folder first of all.
std::vector<wchar_t> Program::EnvironmentBlock() const
{
    std::vector<std::pair<std::wstring, std::wstring>> own = {{L"NET_DOUBLE_LOG", PathOf(L"net_calls.log")}};
    own.insert(own.end(), environment_.begin(), environment_.end());
    const auto isOwn = [&own](const std::wstring& entry) {
        for (const auto& [name, value] : own)
            if (entry.size() > name.size() && entry[name.size()] == L'=' &&
                _wcsnicmp(entry.c_str(), name.c_str(), name.size()) == 0)
                return true;
        return false;
    };
    std::vector<wchar_t> block;
    wchar_t* const inherited = GetEnvironmentStringsW();
    for (const wchar_t* entry = inherited; entry && *entry; entry += lstrlenW(entry) + 1)
        if (!isOwn(std::wstring(entry)))
            block.insert(block.end(), entry, entry + lstrlenW(entry) + 1);
    FreeEnvironmentStringsW(inherited);
    // A later setting of a name wins, as SetEnvironmentVariableW would have it.
    for (size_t i = 0; i < own.size(); ++i) {
        bool later = false;
        for (size_t j = i + 1; j < own.size(); ++j)
            later = later || _wcsicmp(own[i].first.c_str(), own[j].first.c_str()) == 0;
        if (later)
            continue;
        const std::wstring entry = own[i].first + L"=" + own[i].second;
        block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
    }
    block.push_back(L'\0');
    return block;
}

void Program::Start(const std::wstring& currentSubfolder)
{
    StartIn(currentSubfolder.empty() ? folder_ : PathOf(currentSubfolder));
}

void Program::StartIn(const std::wstring& currentDirectory)
{
    Launch(currentDirectory);
    WaitUntilUp();
}

void Program::Launch(const std::wstring& currentDirectory)
{
    currentDirectory_ = currentDirectory;
    main_ = combo_ = message_ = addButton_ = sendButton_ = nullptr;
    const std::wstring exe = PathOf(L"net_send.exe");
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    // Under Wine only: on Windows these settings are the user's own. They stay until the window is up.
    if (RunningUnderWine())
        settings_ = std::make_unique<WineSettingsForOneStart>(dpiSetForEachStart ? expectedDpi : 0);
    // Wine now and then refuses a start with ERROR_INTERNAL_ERROR while processes come and go (seen once
    // in a few hundred starts, before the program's first instruction): that is the emulator, not the
    // program under test, so such a start is tried again, saying so, before the test fails.
    std::vector<wchar_t> environment = EnvironmentBlock();
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                           CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT, environment.data(), currentDirectory.c_str(),
                           &startup, &started))
            break;
        const DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == 3 || !RunningUnderWine()) {
            SetLastError(error);
            Fail(L"cannot start " + exe);
        }
        std::cerr << "Wine refused to start net_send.exe (system error 1359); trying again\n";
        Sleep(200);
    }
    process_.Reset(started.hProcess);
    const KernelHandle thread(started.hThread);
    processId_ = started.dwProcessId;
    AssignProcessToJobObject(job_.Get(), started.hProcess);
    ResumeThread(thread.Get());
}

// Milliseconds since the process was created, by the system's record of it.
DWORD MsSinceCreation(HANDLE process)
{
    FILETIME times[5] = {};  // created, ended, in the kernel, in user mode; now
    GetProcessTimes(process, &times[0], &times[1], &times[2], &times[3]);
    GetSystemTimeAsFileTime(&times[4]);
    const auto ticks = [](const FILETIME& t) { return (ULONGLONG{t.dwHighDateTime} << 32) | t.dwLowDateTime; };
    return static_cast<DWORD>((ticks(times[4]) - ticks(times[0])) / 10000);
}

void Program::WaitUntilUp()
{
    const auto up = [this] { return main_ && (IsWindowVisible(main_) || BoxOwnedBy(main_, true)); };
    WaitUntil([&] { return (main_ = FindMainWindow(), up()) || !Running(); }, kStartTimeoutMs);
    if (!up() && !Running())
        throw std::runtime_error("net_send.exe ended during start-up with exit code " + std::to_string(ExitCode()));
    if (!up())
        throw std::runtime_error("no main window \"" + Narrow(kMainCaption) + "\" within " +
                                 std::to_string(UpperBound(kStartTimeoutMs) / 1000) + " s");
    openingMs_ = MsSinceCreation(process_.Get());
    settings_.reset();
    // Past this message the start-up handling is over (or waits in a message box).
    Send(main_, WM_NULL);
    FindControls();
}

bool Program::WaitUntilBusy(DWORD timeoutMs) const
{
    // Two unanswered probes of 100 ms in a row: past the making of the window, into what holds it up.
    int unanswered = 0;
    return WaitUntil(
        [&] {
            const HWND window = main_ ? main_ : FindMainWindow();
            DWORD_PTR ignored = 0;
            const bool answered = !window || SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 100, &ignored);
            unanswered = answered ? 0 : unanswered + 1;
            return unanswered == 2;
        },
        timeoutMs);
}

HWND Program::FindMainWindow() const
{
    // The main window has the caption and no owner; a message box with the same caption is owned by it.
    for (HWND window : TopLevelWindowsOf(processId_))
        if (GetWindow(window, GW_OWNER) == nullptr && CaptionOf(window) == kMainCaption)
            return window;
    return nullptr;
}

void Program::FindControls()
{
    combo_ = ControlNear(kCmbComp);
    message_ = ControlNear(kTxtMessage, ES_MULTILINE);
    addButton_ = ControlNear(kCmdKompName);
    sendButton_ = ControlNear(kCmdSend);
    if (addButton_ == sendButton_)
        throw std::runtime_error("the main window has only one button");
}

int Program::Pixels(int twips) const { return MulDiv(twips, expectedDpi, 1440); }

RECT Program::RectInClient(HWND control, HWND window) const
{
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(HWND_DESKTOP, window ? window : main_, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

HWND Program::ControlNear(const Placement& placement, LONG requiredStyle, HWND window, LONG styleMask) const
{
    const wchar_t* className = placement.systemClass;
    const POINT at = {Pixels(placement.left), Pixels(placement.top)};
    window = window ? window : main_;
    const LONG mask = styleMask ? styleMask : requiredStyle;
    HWND best = nullptr;
    long long bestDistance = LLONG_MAX;
    std::string seen;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const RECT rect = RectInClient(child, window);
        seen += " " + Narrow(ClassOf(child)) + "@(" + std::to_string(rect.left) + "," + std::to_string(rect.top) + ")";
        if (!SameClass(child, className) || (GetWindowLongW(child, GWL_STYLE) & mask) != requiredStyle)
            continue;
        const long long dx = rect.left - at.x;
        const long long dy = rect.top - at.y;
        if (dx * dx + dy * dy < bestDistance) {
            bestDistance = dx * dx + dy * dy;
            best = child;
        }
    }
    if (!best)
        throw std::runtime_error("the window has no " + Narrow(className) + " control of style " +
                                 std::to_string(requiredStyle) + "; its children:" +
                                 (seen.empty() ? std::string(" none") : seen));
    return best;
}

LRESULT Program::Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, UpperBound(kAnswerTimeoutMs), &result))
        throw std::runtime_error("the window did not answer message " + std::to_string(message) + " (" +
                                 Narrow(ClassOf(window)) + ")");
    return static_cast<LRESULT>(result);
}

Items Program::Items() const
{
    e2e::Items items;
    const int count = ItemCount();
    for (int i = 0; i < count; ++i)
        items.push_back(Item(i));
    return items;
}

int Program::ItemCount() const { return static_cast<int>(Send(combo_, CB_GETCOUNT)); }

size_t Program::ItemLength(int index) const
{
    const LRESULT length = Send(combo_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
    if (length == CB_ERR)
        throw std::runtime_error("cannot read item " + std::to_string(index));
    return static_cast<size_t>(length);
}

std::wstring Program::Item(int index) const
{
    std::wstring item(ItemLength(index) + 1, L'\0');
    const LRESULT got = Send(combo_, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item[0]));
    item.resize(got == CB_ERR ? 0 : static_cast<size_t>(got));
    return item;
}

int Program::Selection() const { return static_cast<int>(Send(combo_, CB_GETCURSEL)); }

std::wstring Program::Text(HWND control) const
{
    const LRESULT length = Send(control, WM_GETTEXTLENGTH);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT got = Send(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(got));
    return text;
}

void Program::SetText(HWND control, const std::wstring& text)
{
    Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Program::Fill(const std::wstring& name, const std::wstring& message)
{
    SetText(combo_, name);
    SetText(message_, message);
}

void Program::Select(int index) { Send(combo_, CB_SETCURSEL, static_cast<WPARAM>(index)); }

void Program::Click(HWND button)
{
    // Sent messages are handled in order, so once WM_NULL is answered the click has been handled, or
    // its handler waits in a modal loop.
    StartClick(button);
    Send(main_, WM_NULL);
}

void Program::StartClick(HWND button)
{
    // Not SendMessage: a handler that shows a message box would hold us until the box is closed.
    if (!SendNotifyMessageW(button, BM_CLICK, 0, 0))
        Fail(L"cannot click the button");
}

void Program::Idle(HWND window) const
{
    // A hidden window is never painted, so it would seem idle at once.
    window = window ? window : main_;
    E2E_ASSERT(!Running() || IsWindowVisible(window)) << "waiting for a hidden window to be painted";
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_NOCHILDREN);
    const bool idle =
        WaitUntil([&] { return !Running() || !IsWindow(window) || !GetUpdateRect(window, nullptr, FALSE); },
                  kAnswerTimeoutMs);
    E2E_ASSERT(idle) << "the program never came to rest: its window was not painted within "
                     << UpperBound(kAnswerTimeoutMs) << " ms";
}

void Program::ShowFreshlyPainted(HWND window)
{
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    WaitUntil([this] { return WindowsOfClass(TOOLTIPS_CLASSW).empty(); }, 2000);
    if (window == main_)
        BringToFront();
    else
        SetForegroundWindow(window);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
    Send(window, WM_NULL);
}

void Program::BringToFront()
{
    SetForegroundWindow(main_);
    if (!WaitUntil([this] { return GetForegroundWindow() == main_; }, 3000))
        throw std::runtime_error("the main window does not come to the front");
    Send(main_, WM_NULL);
}

HWND Program::Focus() const
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(main_, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

void Program::PressKey(WORD key, bool withShift)
{
    std::vector<INPUT> inputs;
    auto add = [&inputs](WORD virtualKey, DWORD flags) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = virtualKey;
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    };
    if (withShift)
        add(VK_SHIFT, 0);
    add(key, 0);
    add(key, KEYEVENTF_KEYUP);
    if (withShift)
        add(VK_SHIFT, KEYEVENTF_KEYUP);
    if (SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size())
        Fail(L"cannot send key presses");
}

void Program::MoveMouseTo(POINT inClient)
{
    ClientToScreen(main_, &inClient);
    if (!SetCursorPos(inClient.x, inClient.y))
        Fail(L"cannot move the mouse");
}

void Program::ClickAt(POINT inClient)
{
    MoveMouseTo(inClient);
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    if (SendInput(2, inputs, sizeof(INPUT)) != 2)
        Fail(L"cannot click");
}

void Program::ChooseMenuEntry(int position)
{
    // By the entry's underlined letter ("&Выход", "&О программе..."): Alt pressed and let go hands the
    // menu bar the keyboard, and the letter typed then chooses the entry, as Alt+letter does. The letter
    // goes in as the character itself: no key of the display's keyboard need type Cyrillic (under Wine
    // the keys are the X server's, US ones here, so VkKeyScanExW finds none even in the Russian layout),
    // and Wine makes no menu choice of a character typed with Alt held.
    INPUT inputs[4] = {};
    const DWORD flags[4] = {0, KEYEVENTF_KEYUP, KEYEVENTF_UNICODE, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP};
    for (int i = 0; i < 4; ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = i < 2 ? VK_MENU : 0;
        inputs[i].ki.wScan = i < 2 ? 0 : L"во"[position];
        inputs[i].ki.dwFlags = flags[i];
    }
    BringToFront();
    if (SendInput(4, inputs, sizeof(INPUT)) != 4)
        Fail(L"cannot send key presses");
}

std::vector<HWND> Program::WindowsCaptioned(const std::wstring& caption) const
{
    std::vector<HWND> found;
    for (HWND window : TopLevelWindowsOf(processId_))
        if (IsWindowVisible(window) && CaptionOf(window) == caption)
            found.push_back(window);
    return found;
}

std::vector<HWND> Program::WindowsOfClass(const wchar_t* className) const
{
    std::vector<HWND> found;
    for (HWND window : TopLevelWindowsOf(processId_))
        if (IsWindowVisible(window) && SameClass(window, className))
            found.push_back(window);
    return found;
}

HWND Program::OpenAbout()
{
    ChooseMenuEntry(1);
    std::vector<HWND> found;
    WaitUntil([&] { return !(found = WindowsCaptioned(kAboutCaption)).empty(); }, 5000);
    E2E_ASSERT(!found.empty()) << "no About window \"" << kAboutCaption << "\" after choosing its menu entry";
    const HWND about = found.front();
    Send(about, WM_NULL);
    return about;
}

HWND Program::BoxOwnedBy(HWND owner, bool shownOnly) const
{
    for (HWND window : TopLevelWindowsOf(processId_))
        if ((!shownOnly || IsWindowVisible(window)) && SameClass(window, L"#32770") &&
            GetWindow(window, GW_OWNER) == owner)
            return window;
    return nullptr;
}

HWND Program::MessageBoxOfMain() const
{
    // A box that the system has made but not shown yet already holds the handler that asked for it.
    if (IsWindowVisible(main_))
        Idle();
    return BoxOwnedBy(main_, false);
}

HWND Program::WaitForMessageBox(DWORD timeoutMs, bool ownedByMain) const
{
    HWND box = nullptr;
    WaitUntil([&] { return (box = BoxOwnedBy(ownedByMain ? main_ : nullptr, true)) != nullptr; }, timeoutMs);
    return box;
}

std::wstring Program::MessageBoxText(HWND box) const
{
    std::wstring text;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!SameClass(child, L"Static"))
            continue;
        const std::wstring part = Text(child);
        if (!part.empty())
            text += (text.empty() ? L"" : L"\n") + part;
    }
    return text;
}

void Program::Dismiss(HWND box)
{
    const auto gone = [box] { return !IsWindow(box) || !IsWindowVisible(box); };
    for (UINT message : {static_cast<UINT>(WM_COMMAND), static_cast<UINT>(WM_CLOSE)}) {
        PostMessageW(box, message, message == WM_COMMAND ? IDOK : 0, 0);
        if (WaitUntil(gone, 3000))
            break;
    }
    if (!gone())
        throw std::runtime_error("the message box does not go away");
    // The handler that showed the box goes on from here; wait until it is done.
    if (IsWindow(main_))
        Send(main_, WM_NULL);
}

namespace {

// A file's full path in a folder as the user reads it, a drive's root ("D:\\") included.
std::wstring PathIn(const std::wstring& folder, const std::wstring& name)
{
    return folder + (!folder.empty() && folder.back() == L'\\' ? L"" : L"\\") + name;
}

}  // namespace

void Program::ExpectFailureBox(Failed what, std::optional<DWORD> error)
{
    std::wstring reason;
    if (error) {
        reason = SystemReason(*error);
        E2E_ASSERT(!reason.empty()) << "the system has no text for error " << *error;
    }
    ExpectFailureBox(what, reason);
}

HWND Program::ExpectBox(const std::wstring& opening, const char* icon, DWORD timeoutMs, bool ownedByMain) const
{
    const HWND box = WaitForMessageBox(timeoutMs, ownedByMain);
    E2E_ASSERT(box != nullptr) << "no message box; the program is " << (Running() ? "running" : "ended");
    E2E_EXPECT_EQ(CaptionOf(box), kMainCaption);
    const std::wstring text = MessageBoxText(box);
    EXPECT_TRUE(text.compare(0, opening.size(), opening) == 0)
        << "the box does not open with \"" << opening << "\": " << text;
    E2E_EXPECT_EQ(IconOf(box), icon);
    return box;
}

void Program::ExpectFailureBox(Failed what, const std::wstring& reason)
{
    // What failed (for an add, with the name in the field), the file where the user can find it, then why.
    const std::wstring opening =
        (what == Failed::Reading ? std::wstring(L"Не удалось прочитать сохранённые имена компьютеров.")
                                 : L"Не удалось добавить имя «" + Text(combo_) + L"» в список.") +
        L"\nФайл: " + PathIn(currentDirectory_, L"net_send.ini") + L"\n\n";
    const HWND box = ExpectBox(opening, what == Failed::Reading ? "warning" : "error");
    const std::wstring text = MessageBoxText(box);
    EXPECT_TRUE(reason.empty() || text.compare(opening.size(), std::wstring::npos, reason) == 0)
        << "the reason \"" << reason << "\" does not follow: " << text;
    Dismiss(box);
    EXPECT_TRUE(MessageBoxOfMain() == nullptr) << "a second message box";
}

std::vector<NetCall> Program::Calls() const
{
    WaitForStartedProcesses();
    return ReadNetLog(PathOf(L"net_calls.log"));
}

std::vector<NetCall> Program::WaitForCalls(size_t count, DWORD timeoutMs) const
{
    WaitUntil([&] { return ReadNetLog(PathOf(L"net_calls.log")).size() >= count; }, timeoutMs);
    return Calls();
}

NetCall Program::ExpectNetCall(const std::wstring& commandLine, size_t earlier) const
{
    const std::vector<NetCall> calls = WaitForCalls(earlier + 1);
    E2E_ASSERT_EQ(calls.size(), earlier + 1) << "starts of net.exe";
    E2E_EXPECT_EQ(calls.back().commandLine, commandLine);
    return calls.back();
}

void Program::WaitForStartedProcesses(DWORD timeoutMs) const
{
    WaitUntil(
        [this] {
            JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting = {};
            return !QueryInformationJobObject(job_.Get(), JobObjectBasicAccountingInformation, &accounting,
                                              sizeof accounting, nullptr) ||
                   accounting.ActiveProcesses <= (Running() ? 1u : 0u);
        },
        timeoutMs);
}

bool Program::ReadyForRow(const FileBytes& recipients)
{
    DWORD_PTR ignored = 0;
    if (!Running() || BoxOwnedBy(main_, false) ||
        !SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_NORMAL, UpperBound(kAnswerTimeoutMs), &ignored))
        return false;
    WaitForStartedProcesses();
    DeleteFileW(PathOf(L"net_calls.log").c_str());
    if (recipients)
        WriteWholeFile(PathOf(L"net_send.ini"), *recipients);
    else
        DeleteFileW(PathOf(L"net_send.ini").c_str());
    Select(-1);
    Fill(L"", L"");
    return true;
}

static std::unique_ptr<Program> programForRows;

Program& Program::ForRow(const FileBytes& recipients)
{
    if (!programForRows || !programForRows->ReadyForRow(recipients)) {
        programForRows.reset();
        programForRows = std::make_unique<Program>(recipients);
        programForRows->Start();
    }
    return *programForRows;
}

void Program::EndRows() { programForRows.reset(); }

bool Program::WaitForExit(DWORD timeoutMs) const
{
    return process_ && WaitForSingleObject(process_.Get(), UpperBound(timeoutMs)) == WAIT_OBJECT_0;
}

bool Program::Running() const { return process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }

DWORD Program::ExitCode() const
{
    DWORD code = 0;
    GetExitCodeProcess(process_.Get(), &code);
    return code;
}

}  // namespace e2e
