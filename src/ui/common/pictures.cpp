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

int StoredPictureSize(Picture picture, int atMost)
{
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(ResourceId(picture)), RT_GROUP_ICON);
    const auto* directory = static_cast<const BYTE*>(found ? LockResource(LoadResource(module, found)) : nullptr);
    const DWORD bytes = directory ? SizeofResource(module, found) : 0;
    // The icon's directory: three WORDs, the last the count, then 14 bytes an image, its width first (0: 256).
    const DWORD count = bytes >= 6 ? directory[4] | directory[5] << 8 : 0;
    int best = 0;
    for (DWORD i = 0; i < count && 6 + 14 * (i + 1) <= bytes; ++i) {
        const int size = directory[6 + 14 * i] == 0 ? 256 : directory[6 + 14 * i];
        best = size <= atMost && size > best ? size : best;
    }
    return best > 0 ? best : atMost;
}

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
