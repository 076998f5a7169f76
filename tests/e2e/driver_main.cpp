// The end-to-end driver:
//   e2e_driver [GoogleTest's --gtest_* options] [--dpi=<dpi>] <net_send.exe> <net.exe stand-in>
// --dpi starts every program at that system dpi, through Wine's setting (so under Wine only); without it
// they are shown at the system's own. Exit code: 0 when every case passed, 77 when some were skipped and
// none failed, 1 when one failed, 2 for a wrong command line.

#include "harness.h"
#include "program.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <exception>

namespace {

// Window positions are read in the screen's own pixels, whatever dpi the program under test uses.
void BecomeDpiAware()
{
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    using SetContext = BOOL(WINAPI*)(HANDLE);
    using SetAware = BOOL(WINAPI*)();
    // Through void(*)() because a cast between unrelated function types draws a warning.
    const auto setContext =
        reinterpret_cast<SetContext>(reinterpret_cast<void (*)()>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
    const HANDLE perMonitorAware = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3));
    if (setContext && setContext(perMonitorAware))
        return;
    const auto setAware =
        reinterpret_cast<SetAware>(reinterpret_cast<void (*)()>(GetProcAddress(user32, "SetProcessDPIAware")));
    if (setAware)
        setAware();
}

int ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

}  // namespace

int main()
{
    // The paths may hold any character, so they are taken from the wide command line. GoogleTest takes
    // its own options out of it; what is left is ours.
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments)
        return 2;
    testing::InitGoogleTest(&count, arguments);
    std::vector<std::wstring> files;
    int dpi = 0;
    for (int i = 1; i < count; ++i) {
        const std::wstring argument = arguments[i];
        if (argument.compare(0, 6, L"--dpi=") == 0)
            dpi = _wtoi(argument.c_str() + 6);
        else
            files.push_back(argument);
    }
    LocalFree(arguments);
    if (files.size() != 2 || dpi < 0 || (dpi > 0 && !e2e::RunningUnderWine())) {
        std::fprintf(stderr, "usage: e2e_driver [--gtest_...] [--dpi=<dpi>] <net_send.exe> <net.exe>\n");
        return 2;
    }
    e2e::SetBuiltFiles(files[0], files[1]);
    BecomeDpiAware();
    e2e::SetExpectedDpi(dpi > 0 ? dpi : ScreenDpi(), dpi > 0);

    // Each start of the program is told the log of its own case; a crash of the program under test must
    // end it rather than wait in a crash dialog.
    SetEnvironmentVariableW(L"NET_DOUBLE_LOG", nullptr);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);

    std::printf("net_send.exe shown at %d dpi\n", e2e::ExpectedDpi());
    e2e::ThrowOnFatalFailures();
    int result = 1;
    try {
        // What the program starts is the system's net.exe; for this run that is the stand-in.
        const SystemNetStandIn standIn(e2e::BuiltNetDouble());
        result = RUN_ALL_TESTS();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    // A run that skipped a case and failed none says so in its exit code, which ctest shows as a skip.
    constexpr int kSkippedExitCode = 77;
    return result == 0 && testing::UnitTest::GetInstance()->skipped_test_count() > 0 ? kSkippedExitCode : result;
}
