#pragma once

namespace ui {

// Shows the program's one About window without blocking: creates it from its table when it is not
// open, otherwise brings the open one to the front. Throws Failure when it cannot be created.
void ShowAbout();

} // namespace ui
