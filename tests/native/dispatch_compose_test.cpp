#include "dispatch/send_command.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Composition {
    std::wstring name;
    std::wstring message;
    std::wstring expected;
};

TEST(ComposeSendCommand, ConcatenatesWithoutQuotingTrimmingOrEscaping)
{
    const Composition rows[] = {
        {L"PC12", L"hi", L"net send PC12 hi"},
        {L"", L"hi", L"net send  hi"},
        {L"PC12", L"", L"net send PC12 "},
        {L"PC12", L"one\r\ntwo\r\n", L"net send PC12 one\r\ntwo\r\n"},
        {L" PC 12 ", L" \"a|b\" ", L"net send  PC 12   \"a|b\" "},
    };
    for (const Composition& row : rows)
        EXPECT_EQ(ComposeSendCommand(row.name, row.message), row.expected);
}

}  // namespace
