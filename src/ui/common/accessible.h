#pragma once

#include <windows.h>

// Names and roles for screen readers where the system's own guess is wrong: an edit field or a combo box
// takes its name from the label just before it in the stacking order, and our labels lie behind every
// control. The control answers WM_GETOBJECT with the system's standard accessible object, wrapped so that
// it reports the given name and role. Nothing of the accessibility runtime (oleacc, COM) is loaded until
// an accessibility client first asks; if it cannot be loaded, the control answers as it always did.

namespace ui {

struct AccessibleAnswer {
    const wchar_t* name = nullptr; // nullptr: the standard object's own name; must outlive the control
    LONG role = 0;                 // 0: the standard object's own role
};

// Subclasses the control for the rest of its life. A combo box's edit field is named with it, so that
// the name is read whichever of the two has the focus. False when the control could not be subclassed.
bool AnswerAccessibility(HWND control, AccessibleAnswer answer);

// Whether the accessibility runtime has been loaded in this process: only an accessibility client's
// request loads it.
bool AccessibilityRuntimeLoaded();

} // namespace ui
