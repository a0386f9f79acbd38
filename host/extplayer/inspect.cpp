// extplayer inspect: loads an extension library as the host's editor does and
// prints what it learns, section by section: the library, GetInfos and the
// run-time sizes, RunInfos, the edit-time presentation, and for each kind its
// menu as a tree and every entry with its menu text, titles, DisplayString
// and EntryInfo row.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands.h"
#include "host.h"

namespace extplayer {

namespace {

// The machine field of a PE file's header, 0 when it cannot be read.
unsigned PeMachine(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return 0;
    unsigned char dos[64] = {};
    unsigned machine = 0;
    if (std::fread(dos, 1, sizeof dos, f) == sizeof dos && dos[0] == 'M' && dos[1] == 'Z') {
        long at = static_cast<long>(dos[60] | dos[61] << 8 | dos[62] << 16 | static_cast<unsigned>(dos[63]) << 24);
        unsigned char pe[6] = {};
        if (std::fseek(f, at, SEEK_SET) == 0 && std::fread(pe, 1, sizeof pe, f) == sizeof pe && pe[0] == 'P' &&
            pe[1] == 'E')
            machine = pe[4] | pe[5] << 8;
    }
    std::fclose(f);
    return machine;
}

// A text in quotes with control characters escaped.
std::string Quoted(const char* text)
{
    std::string out = "\"";
    for (const char* p = text; *p != '\0'; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += *p;
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        } else {
            out += *p;
        }
    }
    return out + "\"";
}

const char* ParamTypeName(unsigned type)
{
    switch (type) {
    case 0:
        return "";
    case ExpParamInteger:
        return " (integer)";
    case ParamNumber:
        return " (number)";
    case ParamFile:
        return " (file)";
    case ParamText:
        return " (text)";
    default:
        return " (?)";
    }
}

// Prints the items of a popup menu, one per line, nested popups indented.
void PrintMenu(HMENU menu, int depth)
{
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        char text[256] = "";
        MENUITEMINFOA item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STATE | MIIM_STRING;
        item.dwTypeData = text;
        item.cch = sizeof text;
        if (!GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &item)) {
            Out("%*s(unreadable item at %d)\n", depth * 2, "", position);
            continue;
        }
        std::string state;
        if (item.fState & MFS_CHECKED)
            state += " checked";
        if (item.fState & MFS_DISABLED)
            state += " disabled";
        if (item.fType & MFT_MENUBREAK)
            state += " break";
        if (item.hSubMenu != nullptr) {
            Out("%*spopup %s%s\n", depth * 2, "", Quoted(text).c_str(), state.c_str());
            PrintMenu(item.hSubMenu, depth + 1);
        } else if (item.fType & MFT_SEPARATOR) {
            Out("%*s--------\n", depth * 2, "");
        } else {
            Out("%*s%u  %s%s\n", depth * 2, "", item.wID, Quoted(text).c_str(), state.c_str());
        }
    }
}

// The entry points of one kind of entry.
struct Kind {
    const char* name;    // "condition"
    const char* plural;  // "conditions"
    int menuId;
    int commandBase;
    int stringBase;
    uint16_t count;
    GetMenuProc getMenu;
    GetCodeFromMenuProc codeFromMenu;
    GetStringProc getString;
    GetInfosOfEntryProc getInfos;
    GetTitleProc getTitle;                // conditions and actions
    GetExpressionTitleProc getExprTitle;  // expressions
};

void PrintKind(const Kind& kind)
{
    Out("\n%s: %u\n", kind.plural, kind.count);
    HMENU menu = kind.getMenu != nullptr ? static_cast<HMENU>(kind.getMenu(0, 0, 0)) : nullptr;
    if (menu == nullptr) {
        Out("  menu %d: none\n", kind.menuId);
    } else {
        Out("  menu %d:\n", kind.menuId);
        PrintMenu(menu, 2);
    }
    for (int code = 0; code < kind.count; ++code) {
        Out("  %s %d\n", kind.name, code);

        const int command = kind.commandBase + code;
        char text[256] = "";
        if (menu != nullptr && GetMenuStringA(menu, static_cast<UINT>(command), text, sizeof text, MF_BYCOMMAND) > 0) {
            const int back = kind.codeFromMenu != nullptr ? kind.codeFromMenu(0, command) : -1;
            Out("    menu item   %d %s (code from menu: %d)\n", command, Quoted(text).c_str(), back);
        } else {
            Out("    menu item   %d not in the menu\n", command);
        }

        char display[512] = "";
        const int32_t n = kind.getString != nullptr ? kind.getString(0, code, display, sizeof display) : 0;
        if (n > 0)
            Out("    display     %d %s\n", kind.stringBase + code, Quoted(display).c_str());
        else
            Out("    display     %d none\n", kind.stringBase + code);

        const EntryInfo* info = kind.getInfos != nullptr ? kind.getInfos(0, code) : nullptr;
        if (info == nullptr) {
            Out("    info        none\n");
            continue;
        }
        Out("    info        code %u  flags 0x%04X  param1 %u%s  param2 %u%s  title1 %u  title2 %u\n", info->code,
            info->flags, info->paramType1, ParamTypeName(info->paramType1), info->paramType2,
            ParamTypeName(info->paramType2), info->paramTitle1, info->paramTitle2);

        if (kind.getExprTitle != nullptr) {
            char title[256] = "";
            kind.getExprTitle(0, code, title, sizeof title);
            Out("    title       %s\n", Quoted(title).c_str());
        } else if (kind.getTitle != nullptr) {
            const unsigned types[2] = {info->paramType1, info->paramType2};
            for (int index = 0; index < 2; ++index) {
                if (types[index] == 0)
                    continue;
                char title[256] = "";
                kind.getTitle(0, code, index, title, sizeof title);
                Out("    title %d     %s\n", index + 1, Quoted(title).c_str());
            }
        }
    }
    if (menu != nullptr)
        DestroyMenu(menu);
}

void PrintRunInfos(const host::Library& library)
{
    if (library.GetRunObjectInfos == nullptr) {
        Out("RunInfos            GetRunObjectInfos missing\n");
        return;
    }
    // Two fills tell the bytes the library writes from those it leaves.
    const RunInfos a = library.runInfos(0xCC);
    const RunInfos b = library.runInfos(0x33);
    RunInfos probe;
    std::memset(&probe, 0xCC, sizeof probe);
    const int16_t result = library.GetRunObjectInfos(0, &probe);
    Out("RunInfos            (GetRunObjectInfos returned %d)\n", result);
    Out("  conditionCount    %u\n", a.conditionCount);
    Out("  actionCount       %u\n", a.actionCount);
    Out("  expressionCount   %u\n", a.expressionCount);
    Out("  editStructureSize %u\n", a.editStructureSize);
    Out("  optionWord        %u\n", a.optionWord);
    if (a.optionByte == 0xCC && b.optionByte == 0x33)
        Out("  optionByte        not written\n");
    else
        Out("  optionByte        %u\n", a.optionByte);
    Out("  unwritten byte    %s\n", a.unwritten == 0xCC && b.unwritten == 0x33 ? "untouched" : "WRITTEN");
    Out("  reserved          %u, %u\n", a.reserved1, a.reserved2);
    char id[5] = {};
    std::memcpy(id, a.ObjectId, 4);
    for (char& c : id)
        if (c != '\0' && (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E))
            c = '.';
    Out("  ObjectId          \"%s\" (%02X %02X %02X %02X)\n", id, a.ObjectId[0], a.ObjectId[1], a.ObjectId[2],
        a.ObjectId[3]);
}

void PrintEditTime(const host::Library& library)
{
    Out("\nedit time\n");
    if (library.MakeIcon != nullptr) {
        // The copy's length: the last byte that differs from both fills.
        std::vector<uint8_t> one(65536, 0xCC), two(65536, 0x33);
        const int32_t r1 = library.MakeIcon(0, one.data(), 0, 0, 0);
        library.MakeIcon(0, two.data(), 0, 0, 0);
        size_t copied = 0;
        for (size_t i = one.size(); i > 0; --i)
            if (one[i - 1] != 0xCC || two[i - 1] != 0x33) {
                copied = i;
                break;
            }
        if (r1 == 0 && copied >= 16) {
            BITMAPINFOHEADER h;
            std::memcpy(&h, one.data(), sizeof h);
            Out("  MakeIcon          0, %lu bytes (%ld x %ld, %u bits per pixel)\n", static_cast<unsigned long>(copied),
                static_cast<long>(h.biWidth), static_cast<long>(h.biHeight), static_cast<unsigned>(h.biBitCount));
        } else {
            Out("  MakeIcon          %d, %lu bytes\n", r1, static_cast<unsigned long>(copied));
        }
    }
    if (library.GetObjectCursor != nullptr)
        Out("  GetObjectCursor   %s\n", library.GetObjectCursor(0, 0, 0, 0) != nullptr ? "a cursor" : "none (0)");
    if (library.GetObjectRect != nullptr) {
        std::vector<uint8_t> edit(std::max<size_t>(library.runInfos().editStructureSize, 64), 0);
        int32_t rect[4] = {10, 20, 0, 0};
        library.GetObjectRect(0, rect, 0, reinterpret_cast<EditStructure*>(edit.data()));
        Out("  GetObjectRect     (10, 20) -> (%d, %d) with a zero EditStructure\n", rect[2], rect[3]);
    }
    if (library.IsTransparent != nullptr)
        Out("  IsTransparent     %d\n", library.IsTransparent(0, 0, 0, 0, 0));
}

}  // namespace

int Inspect(const Arguments& args)
{
    if (args.size() != 1) {
        Err("usage: extplayer inspect FILE.dll\n");
        return 2;
    }
    const std::string& path = args[0];
    host::Library library(path);
    if (!library.loaded()) {
        const DWORD error = GetLastError();
        Err("extplayer: cannot load %s (error %lu)\n", path.c_str(), static_cast<unsigned long>(error));
        if (PeMachine(path) == IMAGE_FILE_MACHINE_I386)
            Err("extplayer: it is a 32-bit library; inspect the same object built by the run build (bin/)\n");
        return 1;
    }

    char fullPath[MAX_PATH] = "";
    GetModuleFileNameA(library.module(), fullPath, sizeof fullPath);
    int present = 0;
    std::string missing;
    for (const EntryPointRow& row : EntryPointTable) {
        if (library.proc(row.name) != nullptr)
            ++present;
        else
            missing += std::string(" ") + row.name;
    }
    char name[256] = "";
    LoadStringA(library.module(), 2, name, sizeof name);
    char description[1024] = "";
    if (library.GetDesc != nullptr)
        library.GetDesc(0, description, 0, name, 0, 0);

    Out("library             %s\n", fullPath);
    Out("entry points        %d of %u%s%s\n", present,
        static_cast<unsigned>(sizeof EntryPointTable / sizeof EntryPointTable[0]),
        missing.empty() ? "" : ", missing:", missing.c_str());
    Out("name                %s (string 2)\n", Quoted(name).c_str());
    Out("description         %s (GetDesc with the name)\n", Quoted(description).c_str());
    Out("\n");
    if (library.GetInfos != nullptr)
        Out("GetInfos            0: %d  1: %d  2: %d  3: %d\n", library.GetInfos(0), library.GetInfos(1),
            library.GetInfos(2), library.GetInfos(3));
    if (library.GetRunObjectDataSize != nullptr)
        Out("RunObjectData size  %u\n", library.GetRunObjectDataSize(0, 0));
    PrintRunInfos(library);
    PrintEditTime(library);

    const RunInfos infos = library.runInfos();
    PrintKind(Kind{"condition", "conditions", ConditionMenuId, ConditionCommandBase, ConditionStringBase,
                   infos.conditionCount, library.GetConditionMenu, library.GetConditionCodeFromMenu,
                   library.GetConditionString, library.GetConditionInfos, library.GetConditionTitle, nullptr});
    PrintKind(Kind{"action", "actions", ActionMenuId, ActionCommandBase, ActionStringBase, infos.actionCount,
                   library.GetActionMenu, library.GetActionCodeFromMenu, library.GetActionString,
                   library.GetActionInfos, library.GetActionTitle, nullptr});
    PrintKind(Kind{"expression", "expressions", ExpressionMenuId, ExpressionCommandBase, ExpressionStringBase,
                   infos.expressionCount, library.GetExpressionMenu, library.GetExpressionCodeFromMenu,
                   library.GetExpressionString, library.GetExpressionInfos, nullptr, library.GetExpressionTitle});

    const auto boxes = host::TakeMessageBoxes();
    for (const auto& box : boxes)
        Out("\nmessage box         %s: %s\n", Quoted(box.caption.c_str()).c_str(), Quoted(box.text.c_str()).c_str());
    return 0;
}

}  // namespace extplayer
