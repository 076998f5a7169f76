#include "harness.h"

#include "program.h"

namespace e2e {
namespace {

std::string Hex(unsigned value)
{
    static const char digits[] = "0123456789ABCDEF";
    return std::string("\\x") + digits[(value >> 4) & 0xF] + digits[value & 0xF];
}

// GoogleTest ends a test at a fatal failure only in the function that failed; thrown, it ends the test
// from any depth, and GoogleTest takes this exception as already reported.
class ThrowingListener : public ::testing::EmptyTestEventListener {
    void OnTestPartResult(const ::testing::TestPartResult& result) override
    {
        if (result.fatally_failed())
            throw ::testing::AssertionException(result);
    }
};

}  // namespace

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

std::string Describe(const RECT& r)
{
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

void FatalFailure::operator=(const ::testing::Message& note) const
{
    const std::string more = note.GetString();
    [this, &more] { GTEST_FAIL_AT(file_, line_) << what_ << (more.empty() ? "" : "\n") << more; }();
}

void ThrowOnFatalFailures() { ::testing::UnitTest::GetInstance()->listeners().Append(new ThrowingListener); }

}  // namespace e2e
