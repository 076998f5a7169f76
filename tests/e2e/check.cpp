#include "check.h"

#include "program.h"

#include <windows.h>

#include <cstdio>
#include <exception>

namespace e2e {
namespace {

struct RegisteredTest {
    std::string name;
    std::function<void()> body;
};

std::vector<RegisteredTest>& Registry()
{
    static std::vector<RegisteredTest> tests;
    return tests;
}

// Failures of the running test, printed as they happen.
int failuresOfCurrentTest = 0;

void Print(const std::string& text)
{
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

std::string Hex(unsigned value)
{
    static const char digits[] = "0123456789ABCDEF";
    return std::string("\\x") + digits[(value >> 4) & 0xF] + digits[value & 0xF];
}

// A filter is a comma-separated list of parts of test names; an empty one selects every test.
bool Selected(const std::string& name, const std::string& filter)
{
    if (filter.empty())
        return true;
    size_t begin = 0;
    for (;;) {
        const size_t comma = filter.find(',', begin);
        const std::string part = filter.substr(begin, comma == std::string::npos ? std::string::npos : comma - begin);
        if (!part.empty() && name.find(part) != std::string::npos)
            return true;
        if (comma == std::string::npos)
            return false;
        begin = comma + 1;
    }
}

}  // namespace

bool RegisterTest(const std::string& name, std::function<void()> body)
{
    Registry().push_back({name, std::move(body)});
    return true;
}

std::string Describe(const std::wstring& text)
{
    std::wstring escaped;
    for (wchar_t c : text) {
        if (c == L'\r')
            escaped += L"\\r";
        else if (c == L'\n')
            escaped += L"\\n";
        else if (c == L'\t')
            escaped += L"\\t";
        else if (c == L'"' || c == L'\\')
            escaped += std::wstring(L"\\") + c;
        else if (c < 0x20)
            escaped += FromUtf8(Hex(c));
        else
            escaped += c;
    }
    if (escaped.size() > 200)
        escaped = escaped.substr(0, 200) + L"... (" + std::to_wstring(text.size()) + L" characters)";
    return "L\"" + ToUtf8(escaped) + "\"";
}

std::string Describe(const std::string& bytes)
{
    std::string escaped;
    for (char ch : bytes) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '\r')
            escaped += "\\r";
        else if (c == '\n')
            escaped += "\\n";
        else if (c == '"' || c == '\\')
            escaped += std::string("\\") + ch;
        else if (c < 0x20 || c >= 0x7F)
            escaped += Hex(c);
        else
            escaped += ch;
    }
    return "\"" + escaped + "\"";
}

std::string Describe(const char* bytes) { return Describe(std::string(bytes)); }
std::string Describe(const wchar_t* text) { return Describe(std::wstring(text)); }
std::string Describe(bool value) { return value ? "true" : "false"; }

Failure::Failure(const char* file, int line, std::string what, bool fatal)
    : what_(std::move(what)), fatal_(fatal)
{
    std::string name = file;
    const size_t slash = name.find_last_of("/\\");
    where_ = name.substr(slash == std::string::npos ? 0 : slash + 1) + ":" + std::to_string(line);
}

Failure::~Failure() noexcept(false)
{
    ++failuresOfCurrentTest;
    const std::string note = note_.str();
    Print("  " + where_ + ": failed: " + what_ + (note.empty() ? "" : "\n  " + note) + "\n");
    if (fatal_ && std::uncaught_exceptions() == 0)
        throw TestAborted{};
}

Failure& Failure::operator<<(const std::wstring& more)
{
    note_ << ToUtf8(more);
    return *this;
}

Failure& Failure::operator<<(const wchar_t* more) { return *this << std::wstring(more); }

int RunAllTests(const std::string& filter)
{
    int passed = 0;
    std::vector<std::string> failed;
    std::vector<std::string> skipped;
    const DWORD allStart = GetTickCount();
    for (const RegisteredTest& test : Registry()) {
        if (!Selected(test.name, filter))
            continue;
        Print("[ RUN      ] " + test.name + "\n");
        failuresOfCurrentTest = 0;
        std::string skipReason;
        bool wasSkipped = false;
        const DWORD start = GetTickCount();
        try {
            test.body();
        } catch (const TestAborted&) {
        } catch (const TestSkipped& skip) {
            wasSkipped = true;
            skipReason = skip.why;
        } catch (const std::exception& error) {
            ++failuresOfCurrentTest;
            Print(std::string("  stopped by an error: ") + error.what() + "\n");
        } catch (...) {
            ++failuresOfCurrentTest;
            Print("  stopped by an unknown exception\n");
        }
        const std::string took = " (" + std::to_string(GetTickCount() - start) + " ms)\n";
        if (failuresOfCurrentTest > 0) {
            failed.push_back(test.name);
            Print("[  FAILED  ] " + test.name + took);
        } else if (wasSkipped) {
            skipped.push_back(test.name);
            Print("[  SKIPPED ] " + test.name + ": " + skipReason + took);
        } else {
            ++passed;
            Print("[       OK ] " + test.name + took);
        }
    }
    Print("\n" + std::to_string(passed) + " passed, " + std::to_string(failed.size()) + " failed, " +
          std::to_string(skipped.size()) + " skipped in " + std::to_string((GetTickCount() - allStart) / 1000) +
          " s\n");
    for (const std::string& name : skipped)
        Print("  skipped: " + name + "\n");
    for (const std::string& name : failed)
        Print("  FAILED:  " + name + "\n");
    return failed.empty() ? 0 : 1;
}

}  // namespace e2e
