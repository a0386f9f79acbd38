// The records exchanged with the host, the routine and service signatures, and
// the constants of the boundary.
//
// The offsets asserted below are the 32-bit product's. The x86_64 run build,
// loaded only by our own host stand-in, widens every address and handle to 8
// bytes and keeps the other fields where the layout then puts them; its
// offsets are asserted too. Every record is packed: fields are read and
// written through their names only, and an unaligned pointer
// (RunObjectHeader::playerContext) is read with memcpy.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define HOSTAPI __stdcall
#else
#define HOSTAPI
#endif

#if defined(_WIN64) || defined(__x86_64__) || defined(__aarch64__)
#define RECORDS_WIDE 1
#else
#define RECORDS_WIDE 0
#endif

// Selects the offset of a field in the product's layout or in the wide one.
#if RECORDS_WIDE
#define LAYOUT(narrow, wide) (wide)
#else
#define LAYOUT(narrow, wide) (narrow)
#endif

struct RunObjectData;
struct EditStructure;

// Parameter type codes of EntryInfo.
enum : uint16_t {
    ParamNumber = 22,
    ParamFile = 40,
    ParamText = 45,
    ExpParamInteger = 1,
};

// EntryInfo flags of a condition that the object never raises.
constexpr uint16_t PolledConditionFlags = 0x0220;
// Bit of RunObjectHeader::flags set by an expression that returns text.
constexpr uint16_t TextResultFlag = 0x8000;

// Menu and resource numbers.
constexpr int ActionMenuId = 20000;
constexpr int ConditionMenuId = 20001;
constexpr int ExpressionMenuId = 20002;
constexpr int SetupDialogId = 20003;
constexpr int ActionCommandBase = 25000;
constexpr int ConditionCommandBase = 26000;
constexpr int ExpressionCommandBase = 27000;
constexpr int ConditionStringBase = 28000;
constexpr int ActionStringBase = 28200;
constexpr int ExpressionStringBase = 28400;
constexpr int DescriptionStringId = 64;
constexpr int PaletteBitmapId = 300;
constexpr int IconBitmapId = 400;
constexpr int EditorBitmapId = 401;
constexpr int ObjectCursorId = 402;
constexpr int SetupCommand = 2020;

#pragma pack(push, 1)

// Routines of the condition, action and expression tables. Parameters arrive
// pointer-sized; a number is the low 32 bits, signed. Actions return a 16-bit
// value.
using ConditionRoutine = int32_t(HOSTAPI*)(RunObjectData* rd, intptr_t p1, intptr_t p2);
using ActionRoutine = int16_t(HOSTAPI*)(RunObjectData* rd, intptr_t p1, intptr_t p2);
using ExpressionRoutine = intptr_t(HOSTAPI*)(RunObjectData* rd, intptr_t token);

// Host service routines reached through PlayerContext and HostContext.
using RaiseEventRoutine = intptr_t(HOSTAPI*)(RunObjectData* rd, intptr_t code, intptr_t value);
using GetExpressionParameterRoutine = int32_t(HOSTAPI*)(RunObjectData* rd, intptr_t zero, intptr_t token);
using GetApplicationPathPartRoutine = intptr_t(HOSTAPI*)(RunObjectData* rd, intptr_t part, char* buffer);
using GetTextResultBufferRoutine = char*(HOSTAPI*)(RunObjectData* rd, intptr_t size, intptr_t zero);
using ShowHelpRoutine = intptr_t(HOSTAPI*)(const char* path, intptr_t one, intptr_t alsoOne);

// GetRunObjectInfos fills the fields below; the rest of the host's record is
// never written (optionByte only by objects that set one, the byte after it
// never).
struct RunInfos {
    const ConditionRoutine* conditionRoutines;
    const ActionRoutine* actionRoutines;
    const ExpressionRoutine* expressionRoutines;
    uint16_t conditionCount;
    uint16_t actionCount;
    uint16_t expressionCount;
    uint16_t editStructureSize;
    uint16_t optionWord;
    uint8_t optionByte;
    uint8_t unwritten;
    uint16_t reserved1;
    uint8_t ObjectId[4];
    uint16_t reserved2;
};
static_assert(offsetof(RunInfos, actionRoutines) == LAYOUT(4, 8));
static_assert(offsetof(RunInfos, expressionRoutines) == LAYOUT(8, 16));
static_assert(offsetof(RunInfos, conditionCount) == LAYOUT(12, 24));
static_assert(offsetof(RunInfos, actionCount) == LAYOUT(14, 26));
static_assert(offsetof(RunInfos, expressionCount) == LAYOUT(16, 28));
static_assert(offsetof(RunInfos, editStructureSize) == LAYOUT(18, 30));
static_assert(offsetof(RunInfos, optionWord) == LAYOUT(20, 32));
static_assert(offsetof(RunInfos, optionByte) == LAYOUT(22, 34));
static_assert(offsetof(RunInfos, unwritten) == LAYOUT(23, 35));
static_assert(offsetof(RunInfos, reserved1) == LAYOUT(24, 36));
static_assert(offsetof(RunInfos, ObjectId) == LAYOUT(26, 38));
static_assert(offsetof(RunInfos, reserved2) == LAYOUT(30, 42));
static_assert(sizeof(RunInfos) == LAYOUT(32, 44));

struct PlayerContext;

// The first 152 bytes of every RunObjectData, filled by the host.
struct RunObjectHeader {
    uint8_t hostBytes0[6];
    PlayerContext* playerContext;  // unaligned: read with memcpy
    uint8_t hostBytes1[98 - 6 - sizeof(void*)];
    uint16_t flags;
    uint8_t hostBytes2[152 - 100];
};
static_assert(offsetof(RunObjectHeader, playerContext) == 6);
static_assert(offsetof(RunObjectHeader, flags) == 98);
static_assert(sizeof(RunObjectHeader) == 152);

struct RunObjectData {
    RunObjectHeader header;
};

// The first 8 bytes of every EditStructure: the host's.
struct EditStructureHeader {
    uint8_t hostBytes[8];
};
static_assert(sizeof(EditStructureHeader) == 8);

struct EditStructure {
    EditStructureHeader header;
};

// The host's run-time record. Only the fields below are the objects' business.
struct PlayerContext {
    uint8_t hostBytes0[16];
    int32_t windowInfoOffset;
    uint8_t hostBytes1[788 - 20];
    RaiseEventRoutine RaiseEvent;
    uint8_t hostBytes2[800 - 788 - sizeof(void*)];
    GetExpressionParameterRoutine GetExpressionParameter;
    uint8_t hostBytes3[824 - 800 - sizeof(void*)];
    GetApplicationPathPartRoutine GetApplicationPathPart;
    uint8_t hostBytes4[840 - 824 - sizeof(void*)];
    GetTextResultBufferRoutine GetTextResultBuffer;
};
static_assert(offsetof(PlayerContext, windowInfoOffset) == 16);
static_assert(offsetof(PlayerContext, RaiseEvent) == 788);
static_assert(offsetof(PlayerContext, GetExpressionParameter) == 800);
static_assert(offsetof(PlayerContext, GetApplicationPathPart) == 824);
static_assert(offsetof(PlayerContext, GetTextResultBuffer) == 840);
static_assert(sizeof(PlayerContext) == 840 + sizeof(void*));

// At PlayerContext address + windowInfoOffset.
struct PlayerWindowInfo {
    uint8_t hostBytes0[4];
    void* window;
};
static_assert(offsetof(PlayerWindowInfo, window) == 4);

// The editor's record handed to CreateObject, SelectPopup and EditorDisplay.
struct HostContext {
    uint8_t hostBytes0[4];
    void* imageBank;
    uint8_t hostBytes1[12 - 4 - sizeof(void*)];
    void* drawSurface;
    uint8_t hostBytes2[20 - 12 - sizeof(void*)];
    void* editorWindow;
    uint8_t hostBytes3[580 - 20 - sizeof(void*)];
    ShowHelpRoutine ShowHelp;
};
static_assert(offsetof(HostContext, imageBank) == 4);
static_assert(offsetof(HostContext, drawSurface) == 12);
static_assert(offsetof(HostContext, editorWindow) == 20);
static_assert(offsetof(HostContext, ShowHelp) == 580);
static_assert(sizeof(HostContext) == 580 + sizeof(void*));

// One descriptor row per entry: six 16-bit fields.
struct EntryInfo {
    uint16_t code;
    uint16_t flags;
    uint16_t paramType1;
    uint16_t paramType2;
    uint16_t paramTitle1;
    uint16_t paramTitle2;
};
static_assert(sizeof(EntryInfo) == 12);

// What every setup or information dialog procedure receives with its
// initialisation message.
struct SetupDialogContext {
    EditStructure* editStructure;
    HostContext* hostContext;
};
static_assert(sizeof(SetupDialogContext) == 2 * sizeof(void*));

// Handed to CreateImageFromDib; the caller sets the last four 16-bit fields.
struct ImageCreateInfo {
    uint8_t unset[16];
    uint16_t field16;
    uint16_t field18;
    uint16_t field20;
    uint16_t field22;
};
static_assert(offsetof(ImageCreateInfo, field16) == 16);
static_assert(sizeof(ImageCreateInfo) == 24);

#pragma pack(pop)

// Reads the unaligned playerContext pointer of a RunObjectData.
inline PlayerContext* PlayerContextOf(const RunObjectData* rd)
{
    PlayerContext* pc = nullptr;
    __builtin_memcpy(&pc, reinterpret_cast<const uint8_t*>(rd) + offsetof(RunObjectHeader, playerContext), sizeof pc);
    return pc;
}

// Writes it; used by the host stand-in.
inline void SetPlayerContext(RunObjectData* rd, PlayerContext* pc)
{
    __builtin_memcpy(reinterpret_cast<uint8_t*>(rd) + offsetof(RunObjectHeader, playerContext), &pc, sizeof pc);
}

// Text results: ORs TextResultFlag into the header and keeps every other bit.
inline void SetTextResultFlag(RunObjectData* rd)
{
    rd->header.flags = static_cast<uint16_t>(rd->header.flags | TextResultFlag);
}
