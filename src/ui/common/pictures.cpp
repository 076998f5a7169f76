#include "ui/common/pictures.h"

// The icon numbers are shared with the resource script, which is built only where the resources exist.
#if __has_include("resource_ids.h")
#include "resource_ids.h"
#define NETSEND_HAS_RESOURCE_IDS 1
#else
#define NETSEND_HAS_RESOURCE_IDS 0
#endif

namespace ui {
namespace {

int ResourceId(Picture picture)
{
#if NETSEND_HAS_RESOURCE_IDS
    switch (picture) {
    case Picture::Envelope: return IDI_ENVELOPE;
    case Picture::Send: return IDI_SEND;
    case Picture::Check: return IDI_CHECK;
    case Picture::Computer: return IDI_COMPUTER;
    case Picture::Smile: return IDI_SMILE;
    case Picture::Question: return IDI_QUESTION_DISC;
    case Picture::None: break;
    }
#else
    (void)picture;
#endif
    return 0;
}

} // namespace

IconHandle LoadPicture(Picture picture, int sizePixels)
{
    const int id = ResourceId(picture);
    if (id == 0 || sizePixels <= 0)
        return IconHandle();
    // Not LR_SHARED: each window owns the icons it loads and destroys them when done.
    return IconHandle(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON,
                                                    sizePixels, sizePixels, LR_DEFAULTCOLOR)));
}

} // namespace ui
