// The HRTL32 stand-in: the five functions of the host's runtime library that
// the objects import by ordinal, and the script and record that tests use to
// drive dialogs and watch the editor image calls.
//
// Everything runs on the editor's one thread; the state below is the
// library's and is reset by HrtlReset.
#include <windows.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "hrtl32_script.h"
#include "records.h"

namespace {

// Private messages of the dialog wrapper.
constexpr UINT StepMessage = WM_APP + 0x4C1;
constexpr UINT_PTR GuardTimerId = 0x4C1;
// No scripted dialog stays open longer than this.
constexpr UINT GuardMilliseconds = 10000;
// The window property that ties a dialog to its run.
const char RunProperty[] = "HrtlDialogRun";

struct Step {
    int32_t kind;
    int32_t control;
    int32_t value;
    std::string text;
};

// One image of the bank.
struct Image {
    void* bank;
    int32_t width;
    int32_t height;
    int32_t bits;
};

struct State {
    std::vector<Step> script;        // for the next HostDialogBox call
    std::vector<std::string> reads;  // of the last dialog
    int32_t dialogCount = 0;
    HrtlDialogCall lastDialog{};
    std::vector<HrtlImageCall> imageCalls;
    std::map<uint16_t, Image> images;
    bool failImages = false;
};

State& S()
{
    static State state;
    return state;
}

// The dialog that HostDialogBox is running.
struct DialogRun {
    DLGPROC procedure;
    LPARAM initParameter;
    std::vector<Step> steps;
    size_t next = 0;
};
DialogRun* current = nullptr;

// Width, height and bits per pixel from a packed bitmap's header.
void ReadBitmapHeader(const void* dib, int32_t& width, int32_t& height, int32_t& bits)
{
    width = height = bits = 0;
    if (dib == nullptr)
        return;
    BITMAPINFOHEADER h;
    std::memcpy(&h, dib, sizeof h);
    width = h.biWidth;
    height = h.biHeight;
    bits = h.biBitCount;
}

// Carries out one scripted step on the open dialog.
void RunStep(HWND dialog, const Step& step)
{
    switch (step.kind) {
    case HrtlSetText:
        SetDlgItemTextA(dialog, step.control, step.text.c_str());
        break;
    case HrtlCheck:
        CheckDlgButton(dialog, step.control, step.value != 0 ? BST_CHECKED : BST_UNCHECKED);
        break;
    case HrtlPress:
        // What a click on the button sends to its dialog.
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(step.control, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, step.control)));
        break;
    case HrtlReadText: {
        char text[1024] = "";
        GetDlgItemTextA(dialog, step.control, text, sizeof text);
        S().reads.emplace_back(text);
        break;
    }
    case HrtlReadCheck:
        S().reads.emplace_back(IsDlgButtonChecked(dialog, step.control) == BST_CHECKED ? "1" : "0");
        break;
    default:
        break;
    }
}

// Stands between the dialog and the object's procedure: hands over the init
// parameter, runs the script one posted step at a time, and ends the dialog
// when the script is exhausted or the guard timer fires. Every other message
// goes to the object's procedure unchanged.
INT_PTR CALLBACK WrapperProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Each dialog keeps its run from initialisation on, so that an outer
    // dialog still reaches its own procedure while an inner one is open.
    DialogRun* run = static_cast<DialogRun*>(GetPropA(dialog, RunProperty));
    if (run == nullptr)
        run = current;
    if (run == nullptr)
        return FALSE;
    switch (message) {
    case WM_INITDIALOG: {
        SetPropA(dialog, RunProperty, run);
        GetWindowTextA(dialog, S().lastDialog.caption, sizeof S().lastDialog.caption);
        if (run->initParameter != 0)
            std::memcpy(S().lastDialog.initWords, reinterpret_cast<const void*>(run->initParameter),
                        sizeof S().lastDialog.initWords);
        SetTimer(dialog, GuardTimerId, GuardMilliseconds, nullptr);
        const INT_PTR r = run->procedure(dialog, message, wParam, run->initParameter);
        PostMessageA(dialog, StepMessage, 0, 0);
        return r;
    }
    case StepMessage:
        // Posted messages that reach an ended dialog are dropped with it, so a
        // step after the one that closed the dialog never runs.
        if (run->next < run->steps.size()) {
            RunStep(dialog, run->steps[run->next++]);
            PostMessageA(dialog, StepMessage, 0, 0);
        } else {
            EndDialog(dialog, HrtlScriptExhausted);
        }
        return TRUE;
    case WM_TIMER:
        if (wParam == GuardTimerId) {
            EndDialog(dialog, HrtlScriptExhausted);
            return TRUE;
        }
        break;
    case WM_DESTROY:
        KillTimer(dialog, GuardTimerId);
        RemovePropA(dialog, RunProperty);
        break;
    default:
        break;
    }
    return run->procedure(dialog, message, wParam, lParam);
}

}  // namespace

extern "C" {

// 12: runs dialog `templateId` of `module` modally with the object's
// procedure; returns the value the procedure ended it with (-1 when the
// dialog could not be made).
__declspec(dllexport) intptr_t HOSTAPI HostDialogBox(HINSTANCE module, intptr_t templateId, void* parent,
                                                     DLGPROC procedure, intptr_t zero1, intptr_t zero2,
                                                     intptr_t three, LPARAM initParameter)
{
    State& s = S();
    ++s.dialogCount;
    s.lastDialog = HrtlDialogCall{};
    s.lastDialog.module = module;
    s.lastDialog.templateId = templateId;
    s.lastDialog.parent = parent;
    s.lastDialog.procedure = reinterpret_cast<void*>(procedure);
    s.lastDialog.arg5 = zero1;
    s.lastDialog.arg6 = zero2;
    s.lastDialog.arg7 = three;
    s.lastDialog.initParameter = initParameter;
    s.reads.clear();

    DialogRun run{procedure, initParameter, std::move(s.script), 0};
    s.script.clear();
    if (procedure == nullptr) {
        s.lastDialog.result = -1;
        return -1;
    }
    DialogRun* outer = current;
    current = &run;
    const INT_PTR result = DialogBoxParamA(module, MAKEINTRESOURCEA(templateId & 0xFFFF),
                                           static_cast<HWND>(parent), WrapperProcedure, initParameter);
    current = outer;
    s.lastDialog.result = result;
    return result;
}

// 127: a new image number (lowest free, from 1 up), or 0 when told to fail.
__declspec(dllexport) uint16_t HOSTAPI CreateImageFromDib(void* imageBank, ImageCreateInfo* info, const void* dib)
{
    State& s = S();
    HrtlImageCall call{};
    call.kind = HrtlCallCreateImageFromDib;
    call.handle = imageBank;
    call.args[0] = reinterpret_cast<intptr_t>(info);
    call.args[1] = reinterpret_cast<intptr_t>(dib);
    ReadBitmapHeader(dib, call.width, call.height, call.bits);
    if (info != nullptr) {
        call.infoTail[0] = info->field16;
        call.infoTail[1] = info->field18;
        call.infoTail[2] = info->field20;
        call.infoTail[3] = info->field22;
    }
    uint16_t number = 0;
    if (!s.failImages && dib != nullptr) {
        number = 1;
        while (s.images.count(number) != 0 && number != 0xFFFF)
            ++number;
        if (s.images.count(number) != 0)
            number = 0;  // the bank is full
        else
            s.images[number] = Image{imageBank, call.width, call.height, call.bits};
    }
    call.result = number;
    s.imageCalls.push_back(call);
    return number;
}

// 128: only recorded.
__declspec(dllexport) intptr_t HOSTAPI PrepareDib(const void* dib, void* imageBank, intptr_t zero)
{
    HrtlImageCall call{};
    call.kind = HrtlCallPrepareDib;
    call.handle = const_cast<void*>(dib);
    call.args[0] = reinterpret_cast<intptr_t>(imageBank);
    call.args[1] = zero;
    ReadBitmapHeader(dib, call.width, call.height, call.bits);
    S().imageCalls.push_back(call);
    return 0;
}

// 132: releases the image; an unknown number is recorded and ignored.
__declspec(dllexport) intptr_t HOSTAPI DeleteImage(void* imageBank, intptr_t image)
{
    HrtlImageCall call{};
    call.kind = HrtlCallDeleteImage;
    call.handle = imageBank;
    call.args[0] = image;
    S().imageCalls.push_back(call);
    S().images.erase(static_cast<uint16_t>(image & 0xFFFF));
    return 0;
}

// 136: only recorded; nothing is painted.
__declspec(dllexport) intptr_t HOSTAPI DrawImage(void* drawSurface, intptr_t image, intptr_t x, intptr_t y,
                                                 intptr_t mode)
{
    HrtlImageCall call{};
    call.kind = HrtlCallDrawImage;
    call.handle = drawSurface;
    call.args[0] = image;
    call.args[1] = x;
    call.args[2] = y;
    call.args[3] = mode;
    S().imageCalls.push_back(call);
    return 0;
}

void HrtlSetDialogScript(const HrtlStep* steps, int32_t count)
{
    State& s = S();
    s.script.clear();
    for (int32_t i = 0; steps != nullptr && i < count; ++i)
        s.script.push_back(Step{steps[i].kind, steps[i].control, steps[i].value,
                                steps[i].text != nullptr ? steps[i].text : ""});
}

int32_t HrtlReadCount() { return static_cast<int32_t>(S().reads.size()); }

// Copies read `index` into buffer, cut to size - 1 characters; returns the
// length copied, or -1 when there is no such read.
int32_t HrtlReadAt(int32_t index, char* buffer, int32_t size)
{
    const State& s = S();
    if (index < 0 || static_cast<size_t>(index) >= s.reads.size() || buffer == nullptr || size <= 0)
        return -1;
    const std::string& text = s.reads[static_cast<size_t>(index)];
    const size_t n = text.size() < static_cast<size_t>(size - 1) ? text.size() : static_cast<size_t>(size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<int32_t>(n);
}

int32_t HrtlDialogCount() { return S().dialogCount; }

void HrtlLastDialog(HrtlDialogCall* out)
{
    if (out != nullptr)
        *out = S().lastDialog;
}

int32_t HrtlImageCallCount() { return static_cast<int32_t>(S().imageCalls.size()); }

void HrtlImageCallAt(int32_t index, HrtlImageCall* out)
{
    if (out == nullptr)
        return;
    const State& s = S();
    *out = (index >= 0 && static_cast<size_t>(index) < s.imageCalls.size()) ? s.imageCalls[static_cast<size_t>(index)]
                                                                              : HrtlImageCall{};
}

int32_t HrtlLiveImages() { return static_cast<int32_t>(S().images.size()); }

void HrtlFailImages(int32_t fail) { S().failImages = fail != 0; }

// Back to the state of a fresh load: no script, reads, dialogs, calls or
// images, and image creation works again.
void HrtlReset() { S() = State{}; }

}  // extern "C"
