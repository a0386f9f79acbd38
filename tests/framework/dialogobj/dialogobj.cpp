// A test object with a setup dialog: one action that does nothing, defaults
// set by CreateObject, and dialog 20003 with an edit field, a check box, OK,
// Cancel and Help. OK ends the dialog with -1 when the box is checked and 1
// when it is not, so that both OK values of the end rule are met.
#include <cstring>

#include "description.h"
#include "dialogobj.h"
#include "text.h"

namespace {

using dialogobj::Edit;

Edit* EditOf(HWND dialog)
{
    SetupDialogContext* context = DialogContextOf(dialog);
    return context != nullptr ? reinterpret_cast<Edit*>(context->editStructure) : nullptr;
}

INT_PTR CALLBACK SetupProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        StoreDialogContext(dialog, lParam);
        if (Edit* edit = EditOf(dialog)) {
            char text[sizeof edit->text + 1] = "";
            std::memcpy(text, edit->text, sizeof edit->text);
            SetDlgItemTextA(dialog, dialogobj::TextControl, text);
            CheckDlgButton(dialog, dialogobj::CheckControl, edit->checked != 0 ? BST_CHECKED : BST_UNCHECKED);
        }
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            Edit* edit = EditOf(dialog);
            const bool checked = IsDlgButtonChecked(dialog, dialogobj::CheckControl) == BST_CHECKED;
            if (edit != nullptr) {
                char text[256] = "";
                GetDlgItemTextA(dialog, dialogobj::TextControl, text, sizeof text);
                CopyText(edit->text, text);
                edit->checked = checked ? 1 : 0;
            }
            EndDialog(dialog, checked ? -1 : 1);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        case dialogobj::HelpControl:
            ShowObjectHelp(DialogContextOf(dialog));
            return 0;
        default:
            break;
        }
        break;
    default:
        break;
    }
    return 0;
}

void SetDefaults(EditStructure* edit)
{
    Edit* fields = reinterpret_cast<Edit*>(edit);
    fields->options = dialogobj::DefaultOptions;
    CopyText(fields->text, dialogobj::DefaultText);
}

int16_t HOSTAPI DoNothing(RunObjectData*, intptr_t, intptr_t) { return 0; }

const ConditionRoutine Conditions[] = {nullptr};
const ActionRoutine Actions[] = {DoNothing, nullptr};
const ExpressionRoutine Expressions[] = {nullptr};
const EntryInfo ConditionInfos[] = {{0, 0, 0, 0, 0, 0}};
const EntryInfo ActionInfos[] = {{0, 0, 0, 0, 0, 0}};
const EntryInfo ExpressionInfos[] = {{0, 0, 0, 0, 0, 0}};
const PopupRemoval Removals[] = {{true, 0}, {false, 2004}, {false, 2003}, {false, 2006}};

}  // namespace

extern "C" const ObjectDescription TheObject = {
    /* runObjectDataSize */ 152,
    /* conditionCount */ 0,
    /* actionCount */ 1,
    /* expressionCount */ 0,
    /* editStructureSize */ sizeof(Edit),
    /* optionWord */ 1,
    /* writesOptionByte */ false,
    /* optionByte */ 0,
    /* objectId */ {'G', 'O', 'L', 'D'},
    Conditions,
    Actions,
    Expressions,
    ConditionInfos,
    ActionInfos,
    ExpressionInfos,
    /* infos0 */ 0x200,
    /* infos2 */ 0,
    /* createRunObject */ nullptr,
    /* destroyRunObject */ nullptr,
    /* handleRunObject */ nullptr,
    /* handleResult */ 1,
    SetDefaults,
    SetupProcedure,
    RunSetupDialog,
    DialogEndRule::OkNonZero,
    Removals,
    sizeof Removals / sizeof Removals[0],
    RectRule::Fixed32,
    /* modifyObjectSetsSize */ false,
};
