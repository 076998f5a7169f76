#pragma once

// GoogleTest as the drivers use it.
//
// Tables are value-parameterised tests named by their rows' `name`: E2E_TABLE(Suite, Row, rows) declares
// the suite, then TEST_P(Suite, Name) { const Row& row = GetParam(); ... } is run once per row. The driver's main adds a
// listener that turns every fatal failure into an exception, so an ASSERT_* (or E2E_ASSERT_*) anywhere,
// also in a helper that returns a value, ends the whole test.
//
// E2E_EXPECT_EQ / E2E_ASSERT_EQ compare like EXPECT_EQ but show both values through Describe: texts as
// readable UTF-8 with control characters escaped, file bytes escaped. GoogleTest's own printer shows
// Cyrillic as \x41F-style escapes, and cannot be taught otherwise for std types. E2E_ASSERT_EQ and
// E2E_ASSERT work in functions of any return type.

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace e2e {

std::string Describe(const std::wstring& text);
std::string Describe(const std::string& bytes);
std::string Describe(const char* bytes);
std::string Describe(const wchar_t* text);
std::string Describe(bool value);
std::string Describe(const RECT& rect);
template <typename T>
std::string Describe(const T& value)
{
    std::ostringstream out;
    out << value;
    return out.str();
}
template <typename T>
std::string Describe(const std::optional<T>& value)
{
    return value ? Describe(*value) : std::string("(none)");
}
template <typename T>
std::string Describe(const std::vector<T>& values)
{
    std::string text = "{";
    for (size_t i = 0; i < values.size(); ++i)
        text += (i ? ", " : "") + Describe(values[i]);
    return text + "}";
}

inline bool operator==(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

template <typename A, typename B>
::testing::AssertionResult Equal(const char* actualText, const char* expectedText, const A& actual,
                                 const B& expected)
{
    if (actual == expected)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actualText << " == " << expectedText << "\n  actual:   "
                                         << Describe(actual) << "\n  expected: " << Describe(expected);
}

// Reports a fatal failure from a function of any return type; the listener makes it end the test.
class FatalFailure {
public:
    FatalFailure(const char* file, int line, std::string what) : file_(file), line_(line), what_(std::move(what)) {}
    void operator=(const ::testing::Message& note) const;

private:
    const char* file_;
    int line_;
    std::string what_;
};

void ThrowOnFatalFailures();

template <typename Row>
std::string NameOfRow(const ::testing::TestParamInfo<Row>& info)
{
    return info.param.name;
}

}  // namespace e2e

// The printer shows a failed row by its name rather than as the bytes of the struct.
#define E2E_TABLE(Suite, Row, rows) E2E_TABLE_OF(Suite, Row, rows, )
// The same for rows that share one running program (Program::ForRow), which the table's end ends.
#define E2E_TABLE_ONE_START(Suite, Row, rows) \
    E2E_TABLE_OF(Suite, Row, rows, public: static void TearDownTestSuite() { ::e2e::Program::EndRows(); })
#define E2E_TABLE_OF(Suite, Row, rows, members)                                                   \
    class Suite : public ::testing::TestWithParam<Row> { members };                               \
    [[maybe_unused]] inline void PrintTo(const Row& row, std::ostream* out) { *out << row.name; } \
    INSTANTIATE_TEST_SUITE_P(, Suite, ::testing::ValuesIn(rows), ::e2e::NameOfRow<Row>)

#define E2E_EXPECT_EQ(actual, expected) EXPECT_PRED_FORMAT2(::e2e::Equal, actual, expected)

#define E2E_ASSERT(condition) \
    if (condition) {          \
    } else                    \
        ::e2e::FatalFailure(__FILE__, __LINE__, "Value of: " #condition "\n  Actual: false") = ::testing::Message()

#define E2E_ASSERT_EQ(actual, expected)                                                                 \
    if (const ::testing::AssertionResult e2e_equal_ = ::e2e::Equal(#actual, #expected, actual, expected); \
        e2e_equal_) {                                                                                   \
    } else                                                                                              \
        ::e2e::FatalFailure(__FILE__, __LINE__, e2e_equal_.message()) = ::testing::Message()
