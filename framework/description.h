// One constant record per object: everything the framework needs to serve
// the fifty entry points for it. Each object defines `TheObject` once; the
// framework never asks which object it is, only what the record says.
#pragma once

#include <windows.h>

#include "records.h"

// How CreateObject and SelectPopup read the value that ended the dialog.
enum class DialogEndRule : uint8_t {
    None,       // no dialog: CreateObject returns 0 at once, SelectPopup 0
    OkNonZero,  // OK ends with non-zero: CreateObject 1 on 0 else 0, SelectPopup 4 on non-zero
    OkZero,     // OK ends with 0: CreateObject returns the end value, SelectPopup 4 on 0
};

// One removal from the host's popup menu for the object.
struct PopupRemoval {
    bool byPosition;  // true: value is a position, false: a command number
    uint16_t value;
};

// Size of the object's rectangle in the editor.
enum class RectRule : uint8_t {
    Fixed32,          // 32 by 32
    FromEditStructure // 16-bit signed width and height at EditStructure offsets 8 and 10
};

using CreateRunObjectRoutine = int16_t (*)(RunObjectData* rd, EditStructure* edit);
using RunObjectRoutine = int16_t (*)(RunObjectData* rd);
using SetDefaultsRoutine = void (*)(EditStructure* edit);
using DialogRoutine = INT_PTR(CALLBACK*)(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Runs dialog 20003 modally with a SetupDialogContext; returns its end value.
using RunSetupDialogRoutine = intptr_t (*)(HostContext* host, EditStructure* edit, DialogRoutine procedure);

struct ObjectDescription {
    // RunInfos values and sizes.
    uint16_t runObjectDataSize;
    uint16_t conditionCount;
    uint16_t actionCount;
    uint16_t expressionCount;
    uint16_t editStructureSize;
    uint16_t optionWord;
    bool writesOptionByte;
    uint8_t optionByte;
    char objectId[4];

    // Routine tables, each closed by a null address, and EntryInfo rows in
    // code order.
    const ConditionRoutine* conditionRoutines;
    const ActionRoutine* actionRoutines;
    const ExpressionRoutine* expressionRoutines;
    const EntryInfo* conditionInfos;
    const EntryInfo* actionInfos;
    const EntryInfo* expressionInfos;

    // GetInfos answers: number 0 and number 2; every other number is 0.
    int32_t infos0;
    int32_t infos2;

    // Run time. A null routine does nothing; HandleRunObject then returns
    // handleResult.
    CreateRunObjectRoutine createRunObject;
    RunObjectRoutine destroyRunObject;
    RunObjectRoutine handleRunObject;
    int16_t handleResult;

    // Edit time.
    SetDefaultsRoutine setDefaults;  // null: no defaults
    DialogRoutine dialogProcedure;   // null: no dialog
    RunSetupDialogRoutine runSetupDialog;  // RunSetupDialog for objects with a dialog
    DialogEndRule dialogEndRule;
    const PopupRemoval* popupRemovals;
    uint8_t popupRemovalCount;
    RectRule rectRule;
    bool modifyObjectSetsSize;  // ModifyObject kind 0 copies the size record into width/height
};

extern "C" const ObjectDescription TheObject;

// Module handle kept at process attach; every resource is loaded from it.
extern HINSTANCE moduleHandle;

// Runs dialog 20003 through HostDialogBox (setup_dialog.cpp, linked only into
// objects that name it in their description).
intptr_t RunSetupDialog(HostContext* host, EditStructure* edit, DialogRoutine procedure);

// Shared Help button behaviour of every setup dialog: the full path of the
// library to ShowHelp, through the HostContext of the dialog's context.
void ShowObjectHelp(const SetupDialogContext* context);

// The SetupDialogContext stored in a dialog's user value at initialisation.
SetupDialogContext* DialogContextOf(HWND dialog);
void StoreDialogContext(HWND dialog, LPARAM initParameter);
