#pragma once

namespace ui {

// Shows the program's one About window without blocking: creates it from its table when it is not
// open, otherwise brings the open one to the front. When it cannot be created, throws Failure with the
// whole text for the user: that the window did not open, then why.
void ShowAbout();

} // namespace ui
