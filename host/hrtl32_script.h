// What the HRTL32 stand-in offers to tests besides the five functions that
// the objects import by ordinal: a script for the next modal dialog, and a
// record of every call to the image functions.
#pragma once

#include <cstdint>

#if defined(HRTL32_STANDIN_BUILD)
#define HRTL_SCRIPT_API __declspec(dllexport)
#else
#define HRTL_SCRIPT_API __declspec(dllimport)
#endif

extern "C" {

// One step of a dialog script. Steps run in order once the dialog has been
// initialised, each as a posted message, so the dialog procedure sees them as
// it would see the author's input.
enum HrtlStepKind : int32_t {
    HrtlSetText = 1,   // put `text` into control `control`
    HrtlCheck = 2,     // set the check state of button `control` to `value` (0 or 1)
    HrtlPress = 3,     // press button `control` (a BN_CLICKED command)
    HrtlReadText = 4,  // read the text of control `control` into the read list
    HrtlReadCheck = 5, // read the check state of button `control` into the read list ("0"/"1")
};

struct HrtlStep {
    int32_t kind;
    int32_t control;
    int32_t value;
    const char* text;  // copied when the script is set
};

// Sets the script for the next HostDialogBox call. If the script ends and the
// dialog is still open, the stand-in ends it with HrtlScriptExhausted so that
// no test waits on a dialog.
HRTL_SCRIPT_API void HrtlSetDialogScript(const HrtlStep* steps, int32_t count);
constexpr intptr_t HrtlScriptExhausted = -12345;

// Texts gathered by the read steps of the last dialog, oldest first.
HRTL_SCRIPT_API int32_t HrtlReadCount();
HRTL_SCRIPT_API int32_t HrtlReadAt(int32_t index, char* buffer, int32_t size);

// Facts of the last HostDialogBox call.
struct HrtlDialogCall {
    void* module;
    intptr_t templateId;
    void* parent;
    void* procedure;
    intptr_t arg5;
    intptr_t arg6;
    intptr_t arg7;
    intptr_t initParameter;
    intptr_t result;
    char caption[128];  // the dialog window's caption
    // The first two pointer-sized words at initParameter when the dialog
    // opened (a SetupDialogContext: editStructure, hostContext).
    intptr_t initWords[2];
};
HRTL_SCRIPT_API int32_t HrtlDialogCount();
HRTL_SCRIPT_API void HrtlLastDialog(HrtlDialogCall* out);

// The image functions' record.
enum HrtlCallKind : int32_t {
    HrtlCallCreateImageFromDib = 127,
    HrtlCallPrepareDib = 128,
    HrtlCallDeleteImage = 132,
    HrtlCallDrawImage = 136,
};
struct HrtlImageCall {
    int32_t kind;
    void* handle;      // imageBank, or drawSurface for DrawImage; the bitmap for PrepareDib
    intptr_t args[4];  // remaining arguments in order (image, x, y, mode ...)
    int32_t width;     // CreateImageFromDib/PrepareDib: the bitmap's width, height, bits
    int32_t height;
    int32_t bits;
    uint16_t infoTail[4];  // CreateImageFromDib: the ImageCreateInfo fields at 16..22
    uint16_t result;       // CreateImageFromDib: the image number returned
};
HRTL_SCRIPT_API int32_t HrtlImageCallCount();
HRTL_SCRIPT_API void HrtlImageCallAt(int32_t index, HrtlImageCall* out);
// Images created and not yet deleted.
HRTL_SCRIPT_API int32_t HrtlLiveImages();
// Makes CreateImageFromDib fail (return 0) while `fail` is non-zero.
HRTL_SCRIPT_API void HrtlFailImages(int32_t fail);
// Forgets the record, the reads and the script.
HRTL_SCRIPT_API void HrtlReset();
}
