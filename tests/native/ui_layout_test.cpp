#include "ui/about/frm_help_table.h"
#include "ui/common/twips.h"
#include "ui/main/frm_main_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using namespace ui;

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

} // namespace
