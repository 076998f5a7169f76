#include "ui/about/frm_help_table.h"
#include "ui/common/twips.h"
#include "ui/main/frm_main_table.h"

#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <string>

namespace {

using namespace ui;

struct PixelRect {
    const char* name;
    int left, top, width, height;
};

template <std::size_t count>
void ExpectPixels(const FormTable& form, const PixelRect (&expected)[count], int dpi)
{
    ASSERT_EQ(form.controlCount, count);
    for (std::size_t i = 0; i < count; ++i) {
        const ControlRow& c = form.controls[i];
        SCOPED_TRACE(c.name);
        EXPECT_STREQ(c.name, expected[i].name);
        EXPECT_EQ(TwipsToPixels(c.leftTwips, dpi), expected[i].left);
        EXPECT_EQ(TwipsToPixels(c.topTwips, dpi), expected[i].top);
        EXPECT_EQ(TwipsToPixels(c.widthTwips, dpi), expected[i].width);
        EXPECT_EQ(TwipsToPixels(c.heightTwips, dpi), expected[i].height);
    }
}

TEST(MulDivRounded, RoundsHalvesAwayFromZeroAndFailsLikeMulDiv)
{
    EXPECT_EQ(MulDivRounded(7, 1, 2), 4);
    EXPECT_EQ(MulDivRounded(-7, 1, 2), -4);
    EXPECT_EQ(MulDivRounded(7, -1, 2), -4);
    EXPECT_EQ(MulDivRounded(7, 1, -2), -4);
    EXPECT_EQ(MulDivRounded(5, 1, 3), 2);
    EXPECT_EQ(MulDivRounded(1, 1, 0), -1);
    EXPECT_EQ(MulDivRounded(2147483647, 2, 1), -1);
    // The product may exceed int as long as the quotient does not.
    EXPECT_EQ(MulDivRounded(2147483647, 1440, 1440), 2147483647);
}

TEST(TwipsToPixels, FollowsTheDpiWithoutAFixedTwipsPerPixel)
{
    EXPECT_EQ(TwipsToPixels(1440, 96), 96);
    EXPECT_EQ(TwipsToPixels(15, 96), 1);
    EXPECT_EQ(TwipsToPixels(3375, 144), 338); // 337.5 rounds up
    EXPECT_EQ(TwipsToPixels(7470, 120), 623); // 622.5
    EXPECT_EQ(TwipsToPixels(2895, 192), 386);
}

TEST(FontHeightPixels, HandlesFractionalPointSizesExactly)
{
    EXPECT_EQ(FontHeightPixels(1350, 96), -18);
    EXPECT_EQ(FontHeightPixels(975, 96), -13);
    EXPECT_EQ(FontHeightPixels(1200, 96), -16);
    EXPECT_EQ(FontHeightPixels(1350, 144), -27);
    EXPECT_EQ(FontHeightPixels(975, 144), -20); // 19.5 rounds away from zero
    EXPECT_EQ(FontHeightPixels(975, 120), -16); // 16.25
}

// The places themselves are checked from outside, against the design's figures, by the end-to-end
// driver at 96 and 144 dpi; here, what must hold between them at any DPI.
TEST(FrmMainTable, KeepsEveryControlInsideTheClientAreaAndApartFromTheOthers)
{
    const FormTable& form = frm_main::kForm;
    for (const int dpi : {96, 120, 144, 192}) {
        SCOPED_TRACE(std::to_string(dpi) + " dpi");
        const int clientWidth = TwipsToPixels(form.clientWidthTwips, dpi);
        const int clientHeight = TwipsToPixels(form.clientHeightTwips, dpi);
        for (std::size_t i = 0; i < form.controlCount; ++i) {
            const ControlRow& c = form.controls[i];
            SCOPED_TRACE(c.name);
            const int left = TwipsToPixels(c.leftTwips, dpi);
            const int top = TwipsToPixels(c.topTwips, dpi);
            EXPECT_GT(left, 0);
            EXPECT_GT(top, 0);
            EXPECT_LT(left + TwipsToPixels(c.widthTwips, dpi), clientWidth);
            EXPECT_LT(top + TwipsToPixels(c.heightTwips, dpi), clientHeight);
            for (std::size_t j = i + 1; j < form.controlCount; ++j) {
                const ControlRow& d = form.controls[j];
                const bool apart = c.leftTwips + c.widthTwips <= d.leftTwips || d.leftTwips + d.widthTwips <= c.leftTwips ||
                                   c.topTwips + c.heightTwips <= d.topTwips || d.topTwips + d.heightTwips <= c.topTwips;
                const bool stacked = (c.id == frm_main::kTxtMessage && d.id == frm_main::kCmdSend) ||
                                     (c.id == frm_main::kCmdSend && d.id == frm_main::kTxtMessage);
                EXPECT_TRUE(apart || stacked) << "overlaps " << d.name;
            }
        }
    }
}

TEST(FrmMainTable, UsesTheBoldCyrillicFontsAndGreenColours)
{
    for (std::size_t i = 0; i < frm_main::kForm.controlCount; ++i) {
        const ControlRow& c = frm_main::kForm.controls[i];
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(c.colours.custom);
        EXPECT_EQ(c.colours.groundRgb, 0x004000u); // RGB(0, 64, 0) as COLORREF
        EXPECT_EQ(c.colours.textRgb, 0x00FF00u);
        if (c.kind == ControlKind::PictureButton)
            continue;
        EXPECT_EQ(std::wstring(c.font.face), L"MS Sans Serif");
        EXPECT_EQ(c.font.weight, 700);
        EXPECT_EQ(c.font.charset, 204);
    }
}

TEST(FrmMainTable, StacksCmdSendInsideAndInFrontOfTxtMessage)
{
    const FormTable& form = frm_main::kForm;
    const ControlRow& send = form.controls[FindControl(form, frm_main::kCmdSend)];
    const ControlRow& message = form.controls[FindControl(form, frm_main::kTxtMessage)];
    EXPECT_LT(send.stackingRank, message.stackingRank);
    EXPECT_GE(send.leftTwips, message.leftTwips);
    EXPECT_GE(send.topTwips, message.topTwips);
    EXPECT_EQ(send.leftTwips + send.widthTwips, message.leftTwips + message.widthTwips);
    EXPECT_EQ(send.topTwips + send.heightTwips, message.topTwips + message.heightTwips);

    // Front to back: cmbComp, cmdSend, cmdKompName, txtMessage, then the labels.
    const int frontToBack[] = {frm_main::kCmbComp, frm_main::kCmdSend, frm_main::kCmdKompName,
                               frm_main::kTxtMessage, frm_main::kLabel1, frm_main::kLabel2};
    for (std::size_t i = 1; i < std::size(frontToBack); ++i)
        EXPECT_LT(form.controls[FindControl(form, frontToBack[i - 1])].stackingRank,
                  form.controls[FindControl(form, frontToBack[i])].stackingRank);
}

TEST(Tables, HaveUniqueIdsAndNames)
{
    for (const FormTable* form : {&frm_main::kForm, &frm_help::kForm}) {
        std::set<int> ids;
        std::set<std::string> names;
        for (std::size_t i = 0; i < form->controlCount; ++i) {
            EXPECT_TRUE(ids.insert(form->controls[i].id).second) << form->controls[i].name;
            EXPECT_TRUE(names.insert(form->controls[i].name).second) << form->controls[i].name;
            // IDOK and IDCANCEL arrive from the system on their own.
            EXPECT_GT(form->controls[i].id, 2);
        }
        for (std::size_t i = 0; i < form->menuCount; ++i)
            EXPECT_TRUE(ids.insert(form->menu[i].id).second) << form->menu[i].name;
    }
}

TEST(FrmHelpTable, GivesTheWindowsPixelFiguresAt96Dpi)
{
    const FormTable& form = frm_help::kForm;
    EXPECT_EQ(TwipsToPixels(form.clientWidthTwips, 96), 295);
    EXPECT_EQ(TwipsToPixels(form.clientHeightTwips, 96), 256);
    const PixelRect expected[] = {{"Label1", 24, 16, 241, 33}, {"Image1", 48, 64, 193, 161}};
    ExpectPixels(form, expected, 96);
    EXPECT_FALSE(form.colours.custom);
    EXPECT_TRUE(form.controls[0].centred);
    EXPECT_TRUE(form.controls[0].font.IsDialogFont());
}

} // namespace
