#pragma once

#include "ui/common/handles.h"
#include "ui/common/window_table.h"

namespace ui {

bool SameFont(const FontDef& a, const FontDef& b);

// The font of the table at this DPI. Measured on `dc`, it is the table face's TrueType twin where the
// system cannot make that face at the wanted height, and narrowed where a substitute face would not fit
// the form's one-line labels that use it.
FontHandle CreateFormFont(HDC dc, const FormTable& form, const FontDef& wanted, int dpi);

} // namespace ui
