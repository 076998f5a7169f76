#include "ui/about/frm_help_table.h"
#include "ui/main/frm_main_table.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace ui;

std::vector<int> Walk(const FormTable& form, int start, bool forward, int steps)
{
    std::vector<int> ids;
    int index = FindControl(form, start);
    for (int i = 0; i < steps; ++i) {
        index = NextTabStop(form, index, forward);
        ids.push_back(index < 0 ? -1 : form.controls[index].id);
    }
    return ids;
}

// The walk itself, from the message box where the focus starts, forward and back, is pressed from outside
// by the end-to-end driver; here, what it cannot reach.
TEST(TabOrder, FromALabelOrFromOutsideStartsAtTheEnds)
{
    using namespace frm_main;
    // Focus on something that is not a tab stop (a label, or nothing of ours) enters at the first or
    // last stop, whatever the label's own tab index.
    EXPECT_EQ(Walk(kForm, kLabel2, true, 1), std::vector<int>{kTxtMessage});
    EXPECT_EQ(Walk(kForm, kLabel2, false, 1), std::vector<int>{kCmbComp});
    EXPECT_EQ(kForm.controls[NextTabStop(kForm, -1, false)].id, kCmbComp);
}

TEST(TabOrder, AWindowWithoutTabStopsHasNone)
{
    EXPECT_EQ(FirstTabStop(frm_help::kForm), -1);
    EXPECT_EQ(NextTabStop(frm_help::kForm, 0, true), -1);
}

} // namespace
