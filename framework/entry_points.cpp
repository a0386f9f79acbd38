// The fifty exported entry points, served from the object's description.
// Descriptor entry points: menus, codes, titles, strings and EntryInfo rows.
// Run-time entry points: sizes, RunInfos, and the object's own routines.
#include "entry_points.h"

#include <cstring>

#include "description.h"
#include "text.h"

HINSTANCE moduleHandle = nullptr;

namespace {

// Sizes and codes the host passes as 16-bit values: the low half, signed.
int16_t Low16(intptr_t value) { return static_cast<int16_t>(static_cast<uint16_t>(value & 0xFFFF)); }

// Codes from menu command numbers, compared as 16-bit signed values.
int16_t CodeFromMenu(intptr_t command, int base, uint16_t count)
{
    const int number = Low16(command);
    if (base <= number && number < base + count)
        return static_cast<int16_t>(number - base);
    return -1;
}

// Loads string `id` into buffer (size characters with the zero); returns the
// count copied, 0 when the string is missing. The buffer keeps at most a zero.
int32_t LoadEntryString(int id, char* buffer, intptr_t size)
{
    const int16_t room = Low16(size);
    if (buffer == nullptr || room <= 0)
        return 0;
    buffer[0] = '\0';
    const int n = LoadStringA(moduleHandle, static_cast<UINT>(id & 0xFFFF), buffer, room);
    if (n <= 0) {
        buffer[0] = '\0';
        return 0;
    }
    return n;
}

// Copies the items of one popup into another, nested popups included.
void CopyMenuItems(HMENU destination, HMENU source)
{
    const int count = GetMenuItemCount(source);
    char text[80];
    for (int position = 0; position < count; ++position) {
        std::memset(text, 0, sizeof text);
        const UINT id = GetMenuItemID(source, position);
        if (id == 0) {
            AppendMenuA(destination, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        GetMenuStringA(source, position, text, sizeof text, MF_BYPOSITION);
        text[sizeof text - 1] = '\0';
        if (id == static_cast<UINT>(-1)) {
            HMENU popup = CreatePopupMenu();
            if (popup == nullptr)
                continue;
            if (!AppendMenuA(destination, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), text)) {
                DestroyMenu(popup);
                continue;
            }
            CopyMenuItems(popup, GetSubMenu(source, position));
            continue;
        }
        // Keep the state flags (checked, greyed, disabled, breaks); the item
        // stays a text item whatever else the state word carries.
        const UINT state = GetMenuState(source, position, MF_BYPOSITION) &
                           (MF_CHECKED | MF_GRAYED | MF_DISABLED | MF_MENUBREAK | MF_MENUBARBREAK);
        AppendMenuA(destination, MF_STRING | state, id, text);
    }
}

// A new popup holding the content of the first popup of menu resource `id`,
// or 0 when the resource or its first popup is missing.
HMENU LoadEntryMenu(int id)
{
    HMENU loaded = LoadMenuA(moduleHandle, MAKEINTRESOURCEA(id));
    if (loaded == nullptr)
        return nullptr;
    HMENU result = nullptr;
    HMENU first = GetSubMenu(loaded, 0);
    if (first != nullptr) {
        result = CreatePopupMenu();
        if (result != nullptr)
            CopyMenuItems(result, first);
    }
    DestroyMenu(loaded);
    return result;
}

// The title of a parameter: string `stringId` when it is not 0, else the text
// of menu item `command` anywhere in menu `menuId`.
int32_t LoadEntryTitle(uint16_t stringId, int menuId, int command, char* buffer, intptr_t size)
{
    if (stringId != 0)
        return LoadEntryString(stringId, buffer, size);
    HMENU menu = LoadMenuA(moduleHandle, MAKEINTRESOURCEA(menuId));
    if (menu == nullptr)
        return 0;
    const int16_t room = Low16(size);
    if (buffer != nullptr && room > 0) {
        buffer[0] = '\0';
        // A cut text is not always terminated by the system (Wine fills the
        // whole buffer): end it inside the buffer here.
        const int n = GetMenuStringA(menu, static_cast<UINT>(command), buffer, room, MF_BYCOMMAND);
        buffer[n <= 0 ? 0 : (n < room ? n : room - 1)] = '\0';
    }
    DestroyMenu(menu);
    return 1;
}

const EntryInfo* InfoRow(const EntryInfo* table, intptr_t code)
{
    return table + Low16(code);
}

uint16_t TitleId(const EntryInfo* table, uint16_t count, intptr_t code, intptr_t index)
{
    const int16_t c = Low16(code);
    if (c < 0 || c >= count)
        return 0;
    return Low16(index) == 0 ? table[c].paramTitle1 : table[c].paramTitle2;
}

}  // namespace

extern "C" {

// Module attach: keeps the instance handle, the source of every resource.
BOOL WINAPI ObjectDllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        moduleHandle = instance;
    return TRUE;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    return ObjectDllMain(instance, reason, reserved);
}

int32_t HOSTAPI GetInfos(intptr_t number)
{
    const int32_t n = static_cast<int32_t>(number);
    if (n == 0)
        return TheObject.infos0;
    if (n == 2)
        return TheObject.infos2;
    return 0;
}

int16_t HOSTAPI GetRunObjectInfos(intptr_t, RunInfos* infos)
{
    const ObjectDescription& d = TheObject;
    infos->conditionRoutines = d.conditionRoutines;
    infos->actionRoutines = d.actionRoutines;
    infos->expressionRoutines = d.expressionRoutines;
    infos->conditionCount = d.conditionCount;
    infos->actionCount = d.actionCount;
    infos->expressionCount = d.expressionCount;
    infos->editStructureSize = d.editStructureSize;
    infos->optionWord = d.optionWord;
    if (d.writesOptionByte)
        infos->optionByte = d.optionByte;
    infos->reserved1 = 0;
    std::memcpy(infos->ObjectId, d.objectId, sizeof infos->ObjectId);
    infos->reserved2 = 0;
    return 1;
}

uint16_t HOSTAPI GetRunObjectDataSize(intptr_t, intptr_t) { return TheObject.runObjectDataSize; }

int16_t HOSTAPI CreateRunObject(RunObjectData* rd, EditStructure* edit, intptr_t)
{
    if (TheObject.createRunObject != nullptr)
        TheObject.createRunObject(rd, edit);
    return 0;
}

int16_t HOSTAPI DestroyRunObject(RunObjectData* rd, intptr_t)
{
    if (TheObject.destroyRunObject != nullptr)
        TheObject.destroyRunObject(rd);
    return 0;
}

int16_t HOSTAPI HandleRunObject(RunObjectData* rd)
{
    if (TheObject.handleRunObject != nullptr)
        TheObject.handleRunObject(rd);
    return TheObject.handleResult;
}

int16_t HOSTAPI DisplayRunObject(RunObjectData*) { return 0; }
int16_t HOSTAPI ReInitRunObject(RunObjectData*) { return 0; }
int16_t HOSTAPI PauseRunObject(RunObjectData*) { return 0; }
int16_t HOSTAPI ContinueRunObject(RunObjectData*) { return 0; }

void* HOSTAPI GetConditionMenu(intptr_t, intptr_t, intptr_t) { return LoadEntryMenu(ConditionMenuId); }
void* HOSTAPI GetActionMenu(intptr_t, intptr_t, intptr_t) { return LoadEntryMenu(ActionMenuId); }
void* HOSTAPI GetExpressionMenu(intptr_t, intptr_t, intptr_t) { return LoadEntryMenu(ExpressionMenuId); }

int16_t HOSTAPI GetConditionCodeFromMenu(intptr_t, intptr_t command)
{
    return CodeFromMenu(command, ConditionCommandBase, TheObject.conditionCount);
}
int16_t HOSTAPI GetActionCodeFromMenu(intptr_t, intptr_t command)
{
    return CodeFromMenu(command, ActionCommandBase, TheObject.actionCount);
}
int16_t HOSTAPI GetExpressionCodeFromMenu(intptr_t, intptr_t command)
{
    return CodeFromMenu(command, ExpressionCommandBase, TheObject.expressionCount);
}

int32_t HOSTAPI GetConditionString(intptr_t, intptr_t code, char* buffer, intptr_t size)
{
    return LoadEntryString(ConditionStringBase + Low16(code), buffer, size);
}
int32_t HOSTAPI GetActionString(intptr_t, intptr_t code, char* buffer, intptr_t size)
{
    return LoadEntryString(ActionStringBase + Low16(code), buffer, size);
}
int32_t HOSTAPI GetExpressionString(intptr_t, intptr_t code, char* buffer, intptr_t size)
{
    return LoadEntryString(ExpressionStringBase + Low16(code), buffer, size);
}

int16_t HOSTAPI InitParameter(intptr_t, intptr_t, intptr_t) { return 0; }
int16_t HOSTAPI EditParameter(intptr_t, intptr_t, intptr_t) { return 0; }
int16_t HOSTAPI GetParameterString(intptr_t, intptr_t, intptr_t, intptr_t) { return 0; }

int32_t HOSTAPI GetConditionTitle(intptr_t, intptr_t code, intptr_t index, char* buffer, intptr_t size)
{
    const uint16_t id = TitleId(TheObject.conditionInfos, TheObject.conditionCount, code, index);
    return LoadEntryTitle(id, ConditionMenuId, ConditionCommandBase + Low16(code), buffer, size);
}
int32_t HOSTAPI GetActionTitle(intptr_t, intptr_t code, intptr_t index, char* buffer, intptr_t size)
{
    const uint16_t id = TitleId(TheObject.actionInfos, TheObject.actionCount, code, index);
    return LoadEntryTitle(id, ActionMenuId, ActionCommandBase + Low16(code), buffer, size);
}
int32_t HOSTAPI GetExpressionTitle(intptr_t, intptr_t code, char* buffer, intptr_t size)
{
    const uint16_t id = TitleId(TheObject.expressionInfos, TheObject.expressionCount, code, 0);
    return LoadEntryTitle(id, ExpressionMenuId, ExpressionCommandBase + Low16(code), buffer, size);
}

// The code is not compared with the count: the host asks only for codes below it.
const EntryInfo* HOSTAPI GetConditionInfos(intptr_t, intptr_t code) { return InfoRow(TheObject.conditionInfos, code); }
const EntryInfo* HOSTAPI GetActionInfos(intptr_t, intptr_t code) { return InfoRow(TheObject.actionInfos, code); }
const EntryInfo* HOSTAPI GetExpressionInfos(intptr_t, intptr_t code) { return InfoRow(TheObject.expressionInfos, code); }

}  // extern "C"
