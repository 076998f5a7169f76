// Times how long a program takes from its start until its main window is visible with the list filled,
// against two floors, under Wine or on Windows.
//
//   bench_open_driver [--runs=N] [--counts=0,10000,100000] [--smoke] FLOOR.exe FULL_FLOOR.exe PROGRAM.exe
//                     [OTHER.exe...]
//
// FLOOR.exe (bench_floor_window) is a bare window; FULL_FLOOR.exe (bench_full_floor) is the same main
// window as the program's, written by hand as lean as it gets. For every count of saved names it makes a
// folder whose net_send.ini holds that many names, one to a line (an empty file for 0), then starts both floors and
// each program in turn in that folder, N times each, in an order that alternates from run to run, after
// one warm-up start of each that is not counted. A program is "open" once a visible top-level window of
// its process has the caption below and the COMBOBOX in it holds exactly as many items as the file has
// names (one to a line, so the full floor, which splits at line ends alone, lists the same names); the
// bare floor is open once its window is visible. Then it is closed with WM_CLOSE. Prints a table row per count,
// program and floor: medians and spreads, and as the ratio the median over the runs of (program's time
// / floor's time in the same run). OTHER.exe are further builds to compare (say, with a change being
// tried).

#include "name_list.h"

#include "common/unique_handle_win.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const wchar_t kCaption[] = L"Отправка сообщений";
constexpr DWORD kOpenTimeoutMs = 120000;
constexpr DWORD kCloseTimeoutMs = 20000;

std::string Narrow(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
}

[[noreturn]] void Fail(const std::wstring& what)
{
    throw std::runtime_error(Narrow(what) + " (system error " + std::to_string(GetLastError()) + ")");
}

// Paths given on the command line of a Unix build machine start with '/'; Wine shows them as drive Z:.
std::wstring ToWindowsPath(std::wstring path)
{
    if (!path.empty() && path[0] == L'/') {
        std::replace(path.begin(), path.end(), L'/', L'\\');
        path = L"Z:" + path;
    }
    return path;
}

void WriteWholeFile(const std::wstring& path, const std::string& bytes)
{
    const KernelHandle file =
        OwnFile(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        Fail(L"cannot write " + path);
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        Fail(L"cannot write " + path);
}

void RemoveTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW entry;
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

std::wstring MakeWorkFolder()
{
    wchar_t temp[MAX_PATH + 1] = {};
    if (GetTempPathW(MAX_PATH + 1, temp) == 0)
        Fail(L"no temporary folder");
    const std::wstring folder = std::wstring(temp) + L"net_send-bench-" + std::to_wstring(GetCurrentProcessId());
    RemoveTree(folder);
    if (!CreateDirectoryW(folder.c_str(), nullptr))
        Fail(L"cannot make " + folder);
    return folder;
}

// ---- finding the window ----

struct Search {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM param)
{
    auto& search = *reinterpret_cast<Search*>(param);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != search.processId || !IsWindowVisible(window))
        return TRUE;
    wchar_t caption[64] = {};
    GetWindowTextW(window, caption, 64);
    if (std::wcscmp(caption, kCaption) != 0)
        return TRUE;
    search.found = window;
    return FALSE;
}

BOOL CALLBACK FindCombo(HWND window, LPARAM param)
{
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    if (lstrcmpiW(name, L"ComboBox") != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
}

// The main window once it is up and, when `expected` is not negative, its list holds that many items.
HWND OpenWindow(DWORD processId, long expected)
{
    Search search{processId, nullptr};
    EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr || expected < 0)
        return search.found;
    HWND combo = nullptr;
    EnumChildWindows(search.found, FindCombo, reinterpret_cast<LPARAM>(&combo));
    if (combo == nullptr)
        return nullptr;
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutW(combo, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 10000, &count))
        return nullptr;
    return static_cast<long>(count) == expected ? search.found : nullptr;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    static LARGE_INTEGER frequency{};
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Starts the exe in the folder and returns the seconds until it is open (see above).
double TimeOpening(const std::wstring& exe, const std::wstring& folder, long expected)
{
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};

    LARGE_INTEGER start{};
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &info))
        Fail(L"cannot start " + exe);
    const KernelHandle process(info.hProcess);
    const KernelHandle thread(info.hThread);

    // The first wait for input is when a window is normally up; polling covers whatever comes after.
    WaitForInputIdle(process.Get(), kOpenTimeoutMs);
    HWND window = nullptr;
    LARGE_INTEGER now{};
    for (;;) {
        window = OpenWindow(info.dwProcessId, expected);
        QueryPerformanceCounter(&now);
        if (window != nullptr)
            break;
        if (WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0)
            Fail(L"the program ended before its window was up: " + exe);
        if (Seconds(start, now) * 1000 > kOpenTimeoutMs) {
            TerminateProcess(process.Get(), 1);
            Fail(L"the window did not open in time: " + exe);
        }
        Sleep(1);
    }

    PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.Get(), kCloseTimeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.Get(), 1);
        WaitForSingleObject(process.Get(), kCloseTimeoutMs);
    }
    return Seconds(start, now);
}

// ---- figures ----

struct Spread {
    double median;
    double low;
    double high;
};

Spread SpreadOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const double median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {median, values.front(), values.back()};
}

std::string Percent(const Spread& s)
{
    char text[64];
    std::snprintf(text, sizeof text, "-%.0f%%/+%.0f%%", 100 * (1 - s.low / s.median), 100 * (s.high / s.median - 1));
    return text;
}

// Against the full floor; the bare floor's ratios are for information.
double GoalFor(long count)
{
    return count <= 10000 ? 1.1 : 1.2;
}

std::wstring BaseName(const std::wstring& path)
{
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

struct Options {
    int runs = 11;
    std::vector<long> counts{0, 10000, 100000};
    std::vector<std::wstring> exes;  // the bare floor, the full floor, then the programs
};

constexpr std::size_t kBareFloor = 0;
constexpr std::size_t kFullFloor = 1;
constexpr std::size_t kFirstProgram = 2;

Options ParseOptions(int argc, wchar_t** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--smoke") {
            options.runs = 1;
            options.counts = {0, 100};
        } else if (arg.compare(0, 7, L"--runs=") == 0) {
            options.runs = std::max(1, std::stoi(arg.substr(7)));
        } else if (arg.compare(0, 9, L"--counts=") == 0) {
            options.counts.clear();
            std::wstring list = arg.substr(9);
            for (std::size_t at = 0; at <= list.size();) {
                const std::size_t comma = std::min(list.find(L',', at), list.size());
                options.counts.push_back(std::stol(list.substr(at, comma - at)));
                at = comma + 1;
            }
        } else {
            options.exes.push_back(ToWindowsPath(arg));
        }
    }
    if (options.exes.size() < kFirstProgram + 1)
        throw std::runtime_error("usage: bench_open_driver [--runs=N] [--counts=0,10000,100000] [--smoke] FLOOR.exe "
                                 "FULL_FLOOR.exe PROGRAM.exe [OTHER.exe...]");
    return options;
}

void PrintRow(const Options& options, long count, std::size_t exe, std::size_t floorExe,
              const std::vector<std::vector<double>>& times)
{
    const Spread program = SpreadOf(times[exe]);
    const Spread floor = SpreadOf(times[floorExe]);
    // Each start against the floor's start of the same run: a slow spell of the machine then slows
    // both sides of a ratio, which the medians of two separate columns cannot promise.
    std::vector<double> paired;
    for (int run = 0; run < options.runs; ++run)
        paired.push_back(times[exe][run] / times[floorExe][run]);
    const double ratio = SpreadOf(paired).median;
    const bool full = floorExe == kFullFloor;
    char what[80];
    std::snprintf(what, sizeof what, "open, %ld names, %s (Wine)%s", count, full ? "full floor" : "bare window",
                  exe == kFirstProgram ? "" : " *");
    char adds[96];
    std::snprintf(adds, sizeof adds, "%+7.1f ms; medians %4.2fx, minima %4.2fx", (program.median - floor.median) * 1e3,
                  program.median / floor.median, program.low / floor.low);
    char goal[32] = "information";
    if (full)
        std::snprintf(goal, sizeof goal, "<= %.1f %s", GoalFor(count), ratio <= GoalFor(count) ? "met    " : "NOT met");
    std::printf("| %-34s | %10.1f ms %-11s | %10.1f ms %-11s | %-48s | %5.2f | %-14s | %2d |\n", what,
                program.median * 1e3, Percent(program).c_str(), floor.median * 1e3, Percent(floor).c_str(), adds, ratio,
                goal, options.runs);
    if (exe != kFirstProgram)
        std::printf("|   * %s\n", Narrow(BaseName(options.exes[exe])).c_str());
}

void Measure(const Options& options, const std::wstring& root)
{
    std::printf("\n| benchmark                          | median (spread) of the program | median (spread) of the floor   | "
                "program - floor; ratio of medians and of minima  | ratio | goal           | n  |\n");
    std::fflush(stdout);
    for (const long count : options.counts) {
        const std::wstring folder = root + L"\\names-" + std::to_wstring(count);
        if (!CreateDirectoryW(folder.c_str(), nullptr))
            Fail(L"cannot make " + folder);
        WriteWholeFile(folder + L"\\net_send.ini", bench::MakeNameLines(static_cast<std::size_t>(count)));

        const std::size_t n = options.exes.size();
        const auto expectedOf = [count](std::size_t exe) { return exe == kBareFloor ? -1L : count; };
        for (std::size_t exe = 0; exe < n; ++exe)
            TimeOpening(options.exes[exe], folder, expectedOf(exe));  // warm-up: caches, fonts, wineserver

        std::vector<std::vector<double>> times(n);
        for (int run = 0; run < options.runs; ++run) {
            for (std::size_t k = 0; k < n; ++k) {
                // Forwards on even runs, backwards on odd ones: no program always comes right after another.
                const std::size_t exe = run % 2 == 0 ? k : n - 1 - k;
                times[exe].push_back(TimeOpening(options.exes[exe], folder, expectedOf(exe)));
            }
        }

        for (std::size_t exe = kFirstProgram; exe < n; ++exe) {
            PrintRow(options, count, exe, kFullFloor, times);
            PrintRow(options, count, exe, kBareFloor, times);
        }
        std::fflush(stdout);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    try {
        const Options options = ParseOptions(argc, argv);
        const std::wstring root = MakeWorkFolder();
        try {
            Measure(options, root);
        } catch (...) {
            RemoveTree(root);
            throw;
        }
        RemoveTree(root);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_open_driver: %s\n", error.what());
        return 1;
    }
}
