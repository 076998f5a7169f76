#pragma once

// A small test harness for the driver: named tests, tables of cases, and checks that report both values.
//
//   TEST_CASE(Suite, Name) { CHECK_EQ(a, b) << "more words"; }
//   TEST_TABLE(Suite, Row, kRows) { ... row ... }   // one test per row, named Suite.<row.name>
//
// CHECK_* records a failure and goes on; REQUIRE_* records it and ends the test; SKIP(why) ends the test
// as skipped. A test also fails when it throws.

#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace e2e {

bool RegisterTest(const std::string& name, std::function<void()> body);

template <typename Row, size_t N>
bool RegisterTable(const char* suite, const Row (&rows)[N], void (*body)(const Row&))
{
    for (const Row& row : rows)
        RegisterTest(std::string(suite) + "." + row.name, [&row, body] { body(row); });
    return true;
}

// Values in failure messages: texts as UTF-8 with control characters escaped, file bytes escaped.
std::string Describe(const std::wstring& text);
std::string Describe(const std::string& bytes);
std::string Describe(const char* bytes);
std::string Describe(const wchar_t* text);
std::string Describe(bool value);
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

// Collects the words of one failed check and records them when the statement ends.
class Failure {
public:
    Failure(const char* file, int line, std::string what, bool fatal);
    Failure(const Failure&) = delete;
    Failure& operator=(const Failure&) = delete;
    ~Failure() noexcept(false);

    template <typename T>
    Failure& operator<<(const T& more)
    {
        note_ << more;
        return *this;
    }
    Failure& operator<<(const std::wstring& more);
    Failure& operator<<(const wchar_t* more);

private:
    std::string where_;
    std::string what_;
    std::ostringstream note_;
    bool fatal_;
};

// Thrown to end a test early.
struct TestAborted {};
struct TestSkipped {
    std::string why;
};

template <typename A, typename B>
std::optional<std::string> Differ(const A& actual, const B& expected)
{
    if (actual == expected)
        return std::nullopt;
    return "  actual:   " + Describe(actual) + "\n  expected: " + Describe(expected);
}

int RunAllTests(const std::string& filter);

}  // namespace e2e

#define E2E_CONCAT_(a, b) a##b
#define E2E_CONCAT(a, b) E2E_CONCAT_(a, b)

#define TEST_CASE(suite, name)                                                                      \
    static void suite##_##name##_body();                                                            \
    [[maybe_unused]] static const bool suite##_##name##_registered =                                \
        ::e2e::RegisterTest(#suite "." #name, suite##_##name##_body);                               \
    static void suite##_##name##_body()

#define TEST_TABLE(suite, Row, rows)                                                                \
    static void suite##_table_body(const Row& row);                                               \
    [[maybe_unused]] static const bool suite##_table_registered =                                 \
        ::e2e::RegisterTable(#suite, rows, suite##_table_body);                                   \
    static void suite##_table_body(const Row& row)

#define E2E_CHECK_(condition, text, fatal) \
    if (condition) {                       \
    } else                                 \
        ::e2e::Failure(__FILE__, __LINE__, text, fatal)

#define E2E_CHECK_EQ_(actual, expected, fatal)                                                               \
    if (const auto E2E_CONCAT(difference_, __LINE__) = ::e2e::Differ((actual), (expected));                 \
        !E2E_CONCAT(difference_, __LINE__)) {                                                                 \
    } else                                                                                                    \
        ::e2e::Failure(__FILE__, __LINE__, #actual " == " #expected "\n" + *E2E_CONCAT(difference_, __LINE__), \
                       fatal)

#define CHECK(condition) E2E_CHECK_(condition, #condition, false)
#define REQUIRE(condition) E2E_CHECK_(condition, #condition, true)
#define CHECK_EQ(actual, expected) E2E_CHECK_EQ_(actual, expected, false)
#define REQUIRE_EQ(actual, expected) E2E_CHECK_EQ_(actual, expected, true)
#define SKIP(why) throw ::e2e::TestSkipped{why}
