// Edit-time entry points: icon, editor image, description, cursor, rectangle,
// the host's popup menu, object creation and the setup command.
#include <cstring>

#include "description.h"
#include "entry_points.h"
#include "hrtl32.h"

namespace {

// A bitmap resource of the module, locked for reading.
struct BitmapResource {
    const uint8_t* bits = nullptr;
    DWORD size = 0;
};

BitmapResource FindBitmap(int id)
{
    BitmapResource r;
    HRSRC found = FindResourceA(moduleHandle, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    if (found == nullptr)
        return r;
    HGLOBAL loaded = LoadResource(moduleHandle, found);
    if (loaded == nullptr)
        return r;
    r.bits = static_cast<const uint8_t*>(LockResource(loaded));
    r.size = r.bits != nullptr ? SizeofResource(moduleHandle, found) : 0;
    return r;
}

uint16_t Read16(const uint8_t* p)
{
    uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

int16_t ReadSigned16(const void* base, size_t offset)
{
    int16_t v;
    std::memcpy(&v, static_cast<const uint8_t*>(base) + offset, sizeof v);
    return v;
}

void WriteSigned16(void* base, size_t offset, int16_t v)
{
    std::memcpy(static_cast<uint8_t*>(base) + offset, &v, sizeof v);
}

// Bytes of a packed bitmap: the 40-byte header, the colour table and the
// pixel rows, with the pixel array size computed in 16-bit arithmetic.
size_t PackedBitmapSize(const uint8_t* header)
{
    const uint32_t w = Read16(header + 4);
    const uint32_t h = Read16(header + 8);
    const uint32_t b = Read16(header + 14);
    const uint32_t colours = b <= 8 ? (4u << b) : 0u;
    const uint32_t row = ((w * b + 31) & ~31u) / 8;
    const uint16_t pixels = static_cast<uint16_t>(row * h);
    return 40 + colours + pixels;
}

// Makes an image of bitmap `id` in the host's image bank; 0 when none.
uint16_t LoadBitmapImage(int id, void* imageBank)
{
    const BitmapResource bitmap = FindBitmap(id);
    if (bitmap.bits == nullptr || bitmap.size < 40)
        return 0;
    ImageCreateInfo info;  // the first 16 bytes are left unset on purpose
    info.field16 = 0;
    info.field18 = 0;
    info.field20 = 0;
    info.field22 = 0;
    if (Read16(bitmap.bits + 14) > 4)
        PrepareDib(bitmap.bits, imageBank, 0);
    return CreateImageFromDib(imageBank, &info, bitmap.bits);
}

}  // namespace

extern "C" {

void HOSTAPI DefaultOI(intptr_t, intptr_t) {}
void HOSTAPI InitObject(intptr_t, intptr_t, intptr_t, intptr_t) {}
void HOSTAPI ReinitObject(intptr_t, intptr_t, intptr_t, intptr_t) {}
int32_t HOSTAPI LoadObject(intptr_t, intptr_t, intptr_t, intptr_t) { return 0; }
void HOSTAPI UnloadObject(intptr_t, intptr_t, intptr_t) {}
void HOSTAPI PutObject(intptr_t, intptr_t, intptr_t, intptr_t) {}
void HOSTAPI RemoveObject(intptr_t, intptr_t, intptr_t, intptr_t) {}
int32_t HOSTAPI RebuildExt(intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t) { return 0; }
void HOSTAPI EndModifyObject(intptr_t, intptr_t, intptr_t) {}
int32_t HOSTAPI IsTransparent(intptr_t, intptr_t, intptr_t, intptr_t, intptr_t) { return 0; }
void HOSTAPI PrepareToWriteObject(intptr_t, intptr_t, intptr_t) {}
void HOSTAPI UpdateFileNames(intptr_t, intptr_t, intptr_t, intptr_t) {}
int32_t HOSTAPI UpdateEditStructure(intptr_t, intptr_t) { return 0; }

// Copies bitmap 400 as a packed bitmap into destination: 0, or -1 when the
// bitmap cannot be had. Never reads past the resource.
int32_t HOSTAPI MakeIcon(intptr_t, void* destination, intptr_t, intptr_t, intptr_t)
{
    const BitmapResource bitmap = FindBitmap(IconBitmapId);
    if (bitmap.bits == nullptr || bitmap.size < 40 || destination == nullptr)
        return -1;
    size_t n = PackedBitmapSize(bitmap.bits);
    if (n > bitmap.size)
        n = bitmap.size;
    std::memcpy(destination, bitmap.bits, n);
    return 0;
}

// Draws bitmap 401 at the rectangle's top-left corner; the image is made and
// deleted within the call.
void HOSTAPI EditorDisplay(HostContext* host, intptr_t, intptr_t, intptr_t, const int32_t* rect)
{
    if (host == nullptr || rect == nullptr)
        return;
    const uint16_t image = LoadBitmapImage(EditorBitmapId, host->imageBank);
    if (image == 0)
        return;
    DrawImage(host->drawSurface, image, rect[0], rect[1], 2);
    DeleteImage(host->imageBank, image);
}

// Formats string 64 with `text` into destination.
void HOSTAPI GetDesc(intptr_t, char* destination, intptr_t, const char* text, intptr_t, intptr_t)
{
    if (destination == nullptr)
        return;
    char* format = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 128));
    if (format == nullptr)
        return;
    if (LoadStringA(moduleHandle, DescriptionStringId, format, 127) <= 0)
        format[0] = '\0';
    wsprintfA(destination, format, text != nullptr ? text : "");
    HeapFree(GetProcessHeap(), 0, format);
}

void* HOSTAPI GetObjectCursor(intptr_t, intptr_t, intptr_t, intptr_t)
{
    return LoadCursorA(moduleHandle, MAKEINTRESOURCEA(ObjectCursorId));
}

// right = left + width, bottom = top + height.
void HOSTAPI GetObjectRect(intptr_t, int32_t* rect, intptr_t, EditStructure* edit)
{
    if (rect == nullptr)
        return;
    int32_t width = 32;
    int32_t height = 32;
    if (TheObject.rectRule == RectRule::FromEditStructure && edit != nullptr) {
        width = ReadSigned16(edit, 8);
        height = ReadSigned16(edit, 10);
    }
    rect[2] = rect[0] + width;
    rect[3] = rect[1] + height;
}

// Kind 0 carries the new size at offsets 4 and 6 of the size record.
int32_t HOSTAPI ModifyObject(intptr_t, EditStructure* edit, intptr_t, intptr_t, intptr_t changeKind,
                             const void* sizeRecord)
{
    if (TheObject.modifyObjectSetsSize && static_cast<int32_t>(changeKind) == 0 && edit != nullptr &&
        sizeRecord != nullptr) {
        WriteSigned16(edit, 8, ReadSigned16(sizeRecord, 4));
        WriteSigned16(edit, 10, ReadSigned16(sizeRecord, 6));
    }
    return 0;
}

// Removes the host's items that the object does not offer; a removal that
// finds no item does nothing.
void HOSTAPI AppendPopup(intptr_t, void* menu, intptr_t, intptr_t, intptr_t)
{
    if (menu == nullptr)
        return;
    for (uint8_t i = 0; i < TheObject.popupRemovalCount; ++i) {
        const PopupRemoval& r = TheObject.popupRemovals[i];
        DeleteMenu(static_cast<HMENU>(menu), r.value, r.byPosition ? MF_BYPOSITION : MF_BYCOMMAND);
    }
}

// The setup command of the popup menu: 4 after OK, 0 after Cancel or for any
// other command.
int32_t HOSTAPI SelectPopup(HostContext* host, intptr_t command, intptr_t, intptr_t, EditStructure* edit, intptr_t,
                            intptr_t)
{
    const ObjectDescription& d = TheObject;
    if (d.dialogEndRule == DialogEndRule::None || d.runSetupDialog == nullptr || host == nullptr ||
        static_cast<int32_t>(command) != SetupCommand)
        return 0;
    const intptr_t end = d.runSetupDialog(host, edit, d.dialogProcedure);
    if (d.dialogEndRule == DialogEndRule::OkZero)
        return end == 0 ? 4 : 0;
    return end != 0 ? 4 : 0;
}

// A new object: defaults, then the setup dialog; 0 creates the object.
int32_t HOSTAPI CreateObject(HostContext* host, intptr_t, EditStructure* edit)
{
    const ObjectDescription& d = TheObject;
    if (d.setDefaults != nullptr && edit != nullptr)
        d.setDefaults(edit);
    if (d.dialogEndRule == DialogEndRule::None || d.runSetupDialog == nullptr || host == nullptr)
        return 0;
    const intptr_t end = d.runSetupDialog(host, edit, d.dialogProcedure);
    if (d.dialogEndRule == DialogEndRule::OkZero)
        return static_cast<int32_t>(end);
    return end == 0 ? 1 : 0;
}

}  // extern "C"
