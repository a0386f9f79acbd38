// The exported entry points of every deliverable: their forms, as the host
// calls them. The framework defines them (entry_points.cpp, from the object's
// description); the host stand-in resolves them by name with these types.
//
// Arguments the host passes as 16-bit values arrive as intptr_t; only their
// low 16 bits count, read as signed. Results named 16-bit are int16_t or
// uint16_t: the host reads only the low half of the register.
#pragma once

#include "records.h"

extern "C" {

// Edit time.
using GetInfosProc = int32_t(HOSTAPI*)(intptr_t number);
using DefaultOIProc = void(HOSTAPI*)(intptr_t, intptr_t);
using InitObjectProc = void(HOSTAPI*)(intptr_t, intptr_t, intptr_t, intptr_t);
using ReinitObjectProc = void(HOSTAPI*)(intptr_t, intptr_t, intptr_t, intptr_t);
using LoadObjectProc = int32_t(HOSTAPI*)(intptr_t, intptr_t, intptr_t, intptr_t);
using UnloadObjectProc = void(HOSTAPI*)(intptr_t, intptr_t, intptr_t);
using PutObjectProc = void(HOSTAPI*)(intptr_t, intptr_t, intptr_t, intptr_t);
using RemoveObjectProc = void(HOSTAPI*)(intptr_t, intptr_t, intptr_t, intptr_t);
using MakeIconProc = int32_t(HOSTAPI*)(intptr_t, void* destination, intptr_t, intptr_t, intptr_t);
using GetDescProc = void(HOSTAPI*)(intptr_t, char* destination, intptr_t, const char* text, intptr_t, intptr_t);
using AppendPopupProc = void(HOSTAPI*)(intptr_t, void* menu, intptr_t, intptr_t, intptr_t);
using SelectPopupProc = int32_t(HOSTAPI*)(HostContext* host, intptr_t command, intptr_t, intptr_t,
                                         EditStructure* edit, intptr_t, intptr_t);
using CreateObjectProc = int32_t(HOSTAPI*)(HostContext* host, intptr_t, EditStructure* edit);
using ModifyObjectProc = int32_t(HOSTAPI*)(intptr_t, EditStructure* edit, intptr_t, intptr_t, intptr_t changeKind,
                                          const void* sizeRecord);
using RebuildExtProc = int32_t(HOSTAPI*)(intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t);
using EndModifyObjectProc = void(HOSTAPI*)(intptr_t, intptr_t, intptr_t);
using GetObjectCursorProc = void*(HOSTAPI*)(intptr_t, intptr_t, intptr_t, intptr_t);
using GetObjectRectProc = void(HOSTAPI*)(intptr_t, int32_t* rect, intptr_t, EditStructure* edit);
using EditorDisplayProc = void(HOSTAPI*)(HostContext* host, intptr_t, intptr_t, intptr_t, const int32_t* rect);
using IsTransparentProc = int32_t(HOSTAPI*)(intptr_t, intptr_t, intptr_t, intptr_t, intptr_t);
using PrepareToWriteObjectProc = void(HOSTAPI*)(intptr_t, intptr_t, intptr_t);
using UpdateFileNamesProc = void(HOSTAPI*)(intptr_t, intptr_t, intptr_t, intptr_t);
using UpdateEditStructureProc = int32_t(HOSTAPI*)(intptr_t, intptr_t);

// Descriptors of conditions, actions and expressions.
using GetMenuProc = void*(HOSTAPI*)(intptr_t, intptr_t, intptr_t);
using GetCodeFromMenuProc = int16_t(HOSTAPI*)(intptr_t, intptr_t command);
using GetStringProc = int32_t(HOSTAPI*)(intptr_t, intptr_t code, char* buffer, intptr_t size);
using InitParameterProc = int16_t(HOSTAPI*)(intptr_t, intptr_t, intptr_t);
using EditParameterProc = int16_t(HOSTAPI*)(intptr_t, intptr_t, intptr_t);
using GetParameterStringProc = int16_t(HOSTAPI*)(intptr_t, intptr_t, intptr_t, intptr_t);
using GetTitleProc = int32_t(HOSTAPI*)(intptr_t, intptr_t code, intptr_t index, char* buffer, intptr_t size);
using GetExpressionTitleProc = int32_t(HOSTAPI*)(intptr_t, intptr_t code, char* buffer, intptr_t size);
using GetInfosOfEntryProc = const EntryInfo*(HOSTAPI*)(intptr_t, intptr_t code);

// Run time.
using GetRunObjectDataSizeProc = uint16_t(HOSTAPI*)(intptr_t, intptr_t);
using CreateRunObjectProc = int16_t(HOSTAPI*)(RunObjectData* rd, EditStructure* edit, intptr_t);
using DestroyRunObjectProc = int16_t(HOSTAPI*)(RunObjectData* rd, intptr_t);
using HandleRunObjectProc = int16_t(HOSTAPI*)(RunObjectData* rd);
using RunObjectNoticeProc = int16_t(HOSTAPI*)(RunObjectData* rd);  // Display, ReInit, Pause, Continue
using GetRunObjectInfosProc = int16_t(HOSTAPI*)(intptr_t, RunInfos* infos);

}  // extern "C"

// Name, ordinal and argument count of every entry point, in ordinal order of
// their groups. `online` leaves out the five marked optional.
struct EntryPointRow {
    const char* name;
    int ordinal;
    int args;
    bool optional;
};

inline constexpr EntryPointRow EntryPointTable[] = {
    {"GetInfos", 2, 1, false},
    {"DefaultOI", 3, 2, false},
    {"InitObject", 4, 4, true},
    {"ReinitObject", 5, 4, true},
    {"LoadObject", 6, 4, false},
    {"UnloadObject", 7, 3, false},
    {"PutObject", 8, 4, false},
    {"RemoveObject", 9, 4, false},
    {"MakeIcon", 10, 5, false},
    {"GetDesc", 11, 6, false},
    {"AppendPopup", 12, 5, false},
    {"SelectPopup", 13, 7, false},
    {"CreateObject", 14, 3, false},
    {"ModifyObject", 15, 6, false},
    {"RebuildExt", 16, 6, false},
    {"EndModifyObject", 17, 3, false},
    {"GetObjectCursor", 18, 4, false},
    {"GetObjectRect", 19, 4, false},
    {"EditorDisplay", 20, 5, false},
    {"IsTransparent", 21, 5, false},
    {"PrepareToWriteObject", 22, 3, false},
    {"UpdateFileNames", 23, 4, false},
    {"CreateRunObject", 50, 3, false},
    {"DestroyRunObject", 51, 2, false},
    {"HandleRunObject", 52, 1, false},
    {"DisplayRunObject", 53, 1, false},
    {"ReInitRunObject", 56, 1, false},
    {"PauseRunObject", 57, 1, false},
    {"ContinueRunObject", 58, 1, false},
    {"GetRunObjectInfos", 59, 2, false},
    {"GetConditionMenu", 60, 3, false},
    {"GetActionMenu", 61, 3, false},
    {"GetExpressionMenu", 62, 3, false},
    {"GetConditionCodeFromMenu", 63, 2, false},
    {"GetActionCodeFromMenu", 64, 2, false},
    {"GetExpressionCodeFromMenu", 65, 2, false},
    {"GetConditionString", 66, 4, false},
    {"GetActionString", 67, 4, false},
    {"GetExpressionString", 68, 4, false},
    {"InitParameter", 69, 3, true},
    {"EditParameter", 70, 3, true},
    {"GetParameterString", 71, 4, true},
    {"GetConditionTitle", 72, 5, false},
    {"GetActionTitle", 73, 5, false},
    {"GetExpressionTitle", 74, 4, false},
    {"GetConditionInfos", 75, 2, false},
    {"GetActionInfos", 76, 2, false},
    {"GetExpressionInfos", 77, 2, false},
    {"UpdateEditStructure", 78, 2, false},
    {"GetRunObjectDataSize", 80, 2, false},
};
static_assert(sizeof(EntryPointTable) / sizeof(EntryPointTable[0]) == 50);
