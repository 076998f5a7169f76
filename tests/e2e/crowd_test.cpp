// Many at once: several instances adding names to one net_send.ini through their windows, each from a
// thread of the driver, lose nothing and never join or split a line; many sends in a row start one process
// each while the window keeps answering.

#include "harness.h"
#include "program.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <set>

namespace e2e {
namespace {

constexpr int kInstances = 4;
constexpr int kAddsEach = 50;

// Of different lengths, so that a line joined to or cut by another would not pass for a name.
std::wstring NameOf(int instance, int add)
{
    std::wstring name = L"ПК-" + std::to_wstring(instance) + L"-" + std::to_wstring(add) + L"-";
    name.resize(name.size() + static_cast<size_t>(instance * 7 + add % 5), static_cast<wchar_t>(L'a' + instance));
    return name;
}

std::string In1251(const std::wstring& text)
{
    std::string bytes(text.size() * 2, '\0');
    const int made = WideCharToMultiByte(1251, 0, text.data(), static_cast<int>(text.size()), &bytes[0],
                                         static_cast<int>(bytes.size()), nullptr, nullptr);
    bytes.resize(static_cast<size_t>(made));
    return bytes;
}

TEST(Crowd, FourInstancesAddingAtOnceLoseNothing)
{
    // The last line has no line end: exactly one of the instances must end it, once.
    const std::string start = "PC-start";
    // The first instance's folder is everyone's current directory; the others are declared after it so
    // that they end first and the folder can be removed at once.
    Program first(start);
    first.Start();
    std::vector<std::unique_ptr<Program>> others;
    std::vector<Program*> apps = {&first};
    for (int i = 1; i < kInstances; ++i) {
        others.push_back(std::make_unique<Program>(std::nullopt));
        others.back()->StartIn(first.Folder());
        apps.push_back(others.back().get());
    }

    // Each instance on a thread of its own: type a name, press the button, fifty times, as fast as each
    // window takes it.
    std::vector<std::string> trouble(kInstances);
    const DWORD begin = GetTickCount();
    {
        std::vector<std::unique_ptr<Thread>> threads;
        for (int k = 0; k < kInstances; ++k) {
            Program& app = *apps[static_cast<size_t>(k)];
            std::string& problem = trouble[static_cast<size_t>(k)];
            threads.push_back(std::make_unique<Thread>([&app, &problem, k] {
                for (int i = 0; i < kAddsEach && problem.empty(); ++i) {
                    app.SetText(app.Combo(), NameOf(k, i));
                    app.Click(app.AddButton());
                    if (app.MessageBoxOfMain() != nullptr)
                        problem = "a message box after add " + std::to_string(i) + ": " +
                                  ToUtf8(app.MessageBoxText(app.MessageBoxOfMain()));
                }
            }));
        }
        for (auto& thread : threads)
            thread->Join();
    }
    const DWORD took = GetTickCount() - begin;
    for (int k = 0; k < kInstances; ++k)
        EXPECT_TRUE(trouble[static_cast<size_t>(k)].empty()) << "instance " << k << ": " << trouble[static_cast<size_t>(k)];

    // Every line whole, each name once, each instance's names in the order it added them.
    const std::string bytes = first.Recipients().value_or(std::string());
    std::vector<std::string> lines;
    size_t at = 0;
    for (size_t end = bytes.find("\r\n"); end != std::string::npos; at = end + 2, end = bytes.find("\r\n", at))
        lines.push_back(bytes.substr(at, end - at));
    E2E_EXPECT_EQ(at, bytes.size()) << "the file does not end with a whole line";
    std::vector<std::string> expected = {start};
    for (int k = 0; k < kInstances; ++k)
        for (int i = 0; i < kAddsEach; ++i)
            expected.push_back(In1251(NameOf(k, i)));
    const std::multiset<std::string> got(lines.begin(), lines.end());
    const std::multiset<std::string> wanted(expected.begin(), expected.end());
    size_t lost = 0;
    for (const std::string& line : wanted)
        lost += got.count(line) == 0 ? 1 : 0;
    // How often the file goes from one instance's name to another's: a measure of how much they overlapped.
    int switches = 0;
    for (size_t i = 2; i < lines.size(); ++i)
        switches += lines[i].compare(0, 5, lines[i - 1], 0, 5) != 0 ? 1 : 0;
    std::printf("  %d instances x %d adds in %lu ms: %zu lines written, %zu expected, %zu lost, %d switches "
                "between instances\n",
                kInstances, kAddsEach, static_cast<unsigned long>(took), lines.size(), expected.size(), lost, switches);
    EXPECT_TRUE(got == wanted) << lines.size() << " lines, " << lost << " names missing";
    EXPECT_TRUE(!lines.empty() && lines[0] == start);
    for (int k = 0; k < kInstances; ++k) {
        std::vector<std::string> own;
        for (const std::string& line : lines)
            if (line.compare(0, 5, In1251(L"ПК-" + std::to_wstring(k) + L"-")) == 0)
                own.push_back(line);
        EXPECT_TRUE(std::equal(own.begin(), own.end(), expected.begin() + 1 + k * kAddsEach,
                         expected.begin() + 1 + (k + 1) * kAddsEach) &&
              own.size() == static_cast<size_t>(kAddsEach))
            << "instance " << k << "'s names are not in the order it added them";
    }
    for (Program* app : apps)
        EXPECT_TRUE(app->Running());
}

// Windows takes a window that has not answered for five seconds for hung, and the user sees it so.
constexpr DWORD kHungAfterMs = 5000;

// The longest time the window took to answer WM_NULL while the body ran, probing all the time from a
// thread of its own; a probe that gets no answer counts as the time a window is taken for hung.
DWORD LongestSilence(HWND window, const std::function<void()>& body)
{
    std::atomic<bool> done{false};
    std::atomic<DWORD> longest{0};
    Thread probe([&] {
        while (!done) {
            const DWORD start = GetTickCount();
            DWORD_PTR result = 0;
            const bool answered =
                SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, UpperBound(kHungAfterMs), &result) != 0;
            const DWORD took = answered ? GetTickCount() - start : UpperBound(kHungAfterMs);
            if (took > longest)
                longest = took;
            Sleep(5);
        }
    });
    try {
        body();
    } catch (...) {
        done = true;
        throw;
    }
    done = true;
    probe.Join();
    return longest;
}

TEST(Crowd, FiftySendsInARowStartFiftyProcessesWindowAnswering)
{
    constexpr int kSends = 50;
    Program app("PC1\r\n");
    app.Start();
    app.SetText(app.Combo(), L"PC12");
    const DWORD begin = GetTickCount();
    const DWORD silence = LongestSilence(app.Main(), [&app] {
        for (int i = 0; i < kSends; ++i) {
            app.SetText(app.Message(), L"burst " + std::to_wstring(i));
            app.Click(app.SendButton());
        }
    });
    const DWORD took = GetTickCount() - begin;

    app.WaitForCalls(kSends, 30000);
    app.WaitForStartedProcesses(30000);
    std::printf("  %d sends in %lu ms, %zu records, longest wait for an answer %lu ms\n", kSends,
                static_cast<unsigned long>(took), app.Calls().size(), static_cast<unsigned long>(silence));
    EXPECT_TRUE(silence < UpperBound(kHungAfterMs)) << "the window did not answer for " << silence << " ms";
    std::set<std::wstring> got;
    for (const NetCall& call : app.Calls())
        got.insert(call.commandLine);
    std::set<std::wstring> wanted;
    for (int i = 0; i < kSends; ++i)
        wanted.insert(L"net send PC12 burst " + std::to_wstring(i));
    E2E_EXPECT_EQ(app.Calls().size(), static_cast<size_t>(kSends));
    EXPECT_TRUE(got == wanted) << "the records are not the fifty messages";
    EXPECT_TRUE(app.MessageBoxOfMain() == nullptr);
    EXPECT_TRUE(app.Running());
}

}  // namespace
}  // namespace e2e
