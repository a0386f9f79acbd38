// What the editor learns from wbplugin's descriptor entry points: GetInfos,
// RunInfos, codes from menu commands, the entry menus, DisplayStrings, titles
// and EntryInfo rows.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "plugin_fixture.h"

namespace {

// A menu as one line: items separated by '|', separators as '-', popups as
// `popup TEXT{...}`, commands as `ID TEXT`.
std::string MenuText(HMENU menu)
{
    std::string out;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            out += '|';
        char text[128] = "";
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        const UINT id = GetMenuItemID(menu, i);
        if (HMENU sub = GetSubMenu(menu, i))
            out += std::string("popup ") + text + "{" + MenuText(sub) + "}";
        else if (id == 0)
            out += '-';
        else
            out += std::to_string(id) + " " + text;
    }
    return out;
}

using Descriptors = Plugin;

TEST_F(Descriptors, GetInfosAnswersOnlyNumberZero)
{
    const struct {
        intptr_t number;
        int32_t answer;
    } cases[] = {{0, 512}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {-1, 0}, {512, 0}, {0x10000, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(lib.GetInfos(c.number), c.answer) << c.number;
}

TEST_F(Descriptors, RunInfosCarriesTheValuesAndLeavesTheHostsBytes)
{
    EXPECT_EQ(lib.GetRunObjectDataSize(0, 0), 152);
    for (uint8_t fill : {uint8_t{0xCC}, uint8_t{0x33}}) {
        SCOPED_TRACE(fill);
        // The host's record may be longer than the fields: nothing past them moves.
        uint8_t record[sizeof(RunInfos) + 16];
        std::memset(record, fill, sizeof record);
        EXPECT_EQ(lib.GetRunObjectInfos(0, reinterpret_cast<RunInfos*>(record)), 1);
        RunInfos infos;
        std::memcpy(&infos, record, sizeof infos);
        EXPECT_EQ(infos.conditionCount, 1);
        EXPECT_EQ(infos.actionCount, 7);
        EXPECT_EQ(infos.expressionCount, 1);
        EXPECT_EQ(infos.editStructureSize, 24);
        EXPECT_EQ(infos.optionWord, 1);
        EXPECT_EQ(infos.optionByte, fill);
        EXPECT_EQ(infos.unwritten, fill);
        EXPECT_EQ(infos.reserved1, 0);
        EXPECT_EQ(infos.reserved2, 0);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(infos.ObjectId), 4), "GULP");
        for (size_t i = sizeof(RunInfos); i < sizeof record; ++i)
            EXPECT_EQ(record[i], fill) << i;

        // The routine tables: no condition, seven actions, one expression,
        // each closed by a null address.
        ASSERT_NE(infos.conditionRoutines, nullptr);
        EXPECT_EQ(infos.conditionRoutines[0], nullptr);
        for (int code = 0; code < 7; ++code)
            EXPECT_NE(infos.actionRoutines[code], nullptr) << code;
        EXPECT_EQ(infos.actionRoutines[7], nullptr);
        EXPECT_NE(infos.expressionRoutines[0], nullptr);
        EXPECT_EQ(infos.expressionRoutines[1], nullptr);
    }
}

TEST_F(Descriptors, CodesFromMenuCommandsCompareSixteenBitValues)
{
    const struct {
        GetCodeFromMenuProc proc;
        intptr_t command;
        int16_t code;
    } cases[] = {
        {lib.GetActionCodeFromMenu, 24999, -1},
        {lib.GetActionCodeFromMenu, 25000, 0},
        {lib.GetActionCodeFromMenu, 25006, 6},
        {lib.GetActionCodeFromMenu, 25007, -1},
        {lib.GetActionCodeFromMenu, 25000 + 65536, 0},
        {lib.GetActionCodeFromMenu, 25003 - 65536, 3},
        {lib.GetActionCodeFromMenu, 0xFFFF, -1},
        {lib.GetActionCodeFromMenu, 26000, -1},
        {lib.GetConditionCodeFromMenu, 26000, 0},
        {lib.GetConditionCodeFromMenu, 26001, -1},
        {lib.GetConditionCodeFromMenu, 25999, -1},
        {lib.GetExpressionCodeFromMenu, 27000, 0},
        {lib.GetExpressionCodeFromMenu, 27001, -1},
        {lib.GetExpressionCodeFromMenu, 26999, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.proc(0, c.command), c.code) << c.command;
}

TEST_F(Descriptors, MenusAreNewCopiesOfTheFirstPopup)
{
    HMENU actions = static_cast<HMENU>(lib.GetActionMenu(0, 0, 0));
    ASSERT_NE(actions, nullptr);
    EXPECT_EQ(MenuText(actions),
              "popup Open URL{25000 in plug-in window (.tvn only)|-|25001 in current window|25002 in parent window|"
              "25003 in top-level window|25006 in target window|-|25004 in a new window}|"
              "25005 Display Status Message");
    // Each call hands the host a menu of its own.
    HMENU again = static_cast<HMENU>(lib.GetActionMenu(0, 0, 0));
    EXPECT_NE(again, actions);
    EXPECT_TRUE(DestroyMenu(actions));
    EXPECT_EQ(GetMenuItemCount(again), 2);
    EXPECT_TRUE(DestroyMenu(again));

    HMENU expressions = static_cast<HMENU>(lib.GetExpressionMenu(0, 0, 0));
    ASSERT_NE(expressions, nullptr);
    EXPECT_EQ(MenuText(expressions), "27000 Current URL");
    DestroyMenu(expressions);

    EXPECT_EQ(lib.GetConditionMenu(0, 0, 0), nullptr);
}

TEST_F(Descriptors, DisplayStringsCountAndCut)
{
    const struct {
        GetStringProc proc;
        int code;
        const char* text;
    } cases[] = {
        {lib.GetActionString, 0, "01Open URL %s in plug-in window"},
        {lib.GetActionString, 1, "01Open URL %s in current window"},
        {lib.GetActionString, 2, "01Open URL %s in parent window"},
        {lib.GetActionString, 3, "01Open URL %s in top-level window"},
        {lib.GetActionString, 4, "01Open URL %s in new window"},
        {lib.GetActionString, 5, "01Display Status Message %s"},
        {lib.GetActionString, 6, "01Open URL %s in window %s"},
        {lib.GetExpressionString, 0, "Current URL$("},
        // Missing strings: 0 and an empty buffer.
        {lib.GetConditionString, 0, ""},
        {lib.GetActionString, 7, ""},
        {lib.GetExpressionString, 1, ""},
    };
    for (const auto& c : cases) {
        char buffer[128];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(c.proc(0, c.code, buffer, sizeof buffer), static_cast<int32_t>(std::strlen(c.text))) << c.text;
        EXPECT_STREQ(buffer, c.text);
    }

    // A small buffer cuts the text and holds its zero inside; nothing past it
    // is written.
    const struct {
        intptr_t size;
        int32_t count;
        const char* text;
    } cuts[] = {{8, 7, "01Open "}, {2, 1, "0"}, {1, 0, ""}};
    for (const auto& c : cuts) {
        char buffer[16];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(lib.GetActionString(0, 0, buffer, c.size), c.count) << c.size;
        EXPECT_STREQ(buffer, c.text);
        for (size_t i = static_cast<size_t>(c.size); i < sizeof buffer; ++i)
            EXPECT_EQ(buffer[i], 'x') << "size " << c.size << " byte " << i;
    }
    char untouched[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(lib.GetActionString(0, 0, untouched, 0), 0);
    EXPECT_EQ(untouched[0], 'x');
}

TEST_F(Descriptors, TitlesComeFromTheirStringOrTheMenuItem)
{
    struct Case {
        const char* what;
        std::function<int32_t(char*, intptr_t)> call;
        const char* text;
        bool fromString;  // a string title returns its length, a menu title non-zero
    };
    const Case cases[] = {
        {"action 0, index 0", [&](char* b, intptr_t n) { return lib.GetActionTitle(0, 0, 0, b, n); }, "URL", true},
        {"action 6, index 0", [&](char* b, intptr_t n) { return lib.GetActionTitle(0, 6, 0, b, n); }, "URL", true},
        {"action 6, index 1", [&](char* b, intptr_t n) { return lib.GetActionTitle(0, 6, 1, b, n); }, "Target", true},
        {"action 5, index 0", [&](char* b, intptr_t n) { return lib.GetActionTitle(0, 5, 0, b, n); },
         "Display Status Message", false},
        // paramTitle2 is 0 for action 0: the menu item's text, found inside the popup.
        {"action 0, index 1", [&](char* b, intptr_t n) { return lib.GetActionTitle(0, 0, 1, b, n); },
         "in plug-in window (.tvn only)", false},
        {"expression 0", [&](char* b, intptr_t n) { return lib.GetExpressionTitle(0, 0, b, n); }, "Current URL",
         false},
    };
    for (const Case& c : cases) {
        char buffer[128];
        std::memset(buffer, 'x', sizeof buffer);
        const int32_t r = c.call(buffer, sizeof buffer);
        EXPECT_STREQ(buffer, c.text) << c.what;
        if (c.fromString)
            EXPECT_EQ(r, static_cast<int32_t>(std::strlen(c.text))) << c.what;
        else
            EXPECT_NE(r, 0) << c.what;
    }

    // Cut to the buffer, both ways.
    char buffer[8];
    EXPECT_EQ(lib.GetActionTitle(0, 6, 1, buffer, 4), 3);
    EXPECT_STREQ(buffer, "Tar");
    EXPECT_NE(lib.GetActionTitle(0, 5, 0, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "Display");

    // No condition menu: 0.
    EXPECT_EQ(lib.GetConditionTitle(0, 0, 0, buffer, sizeof buffer), 0);
}

TEST_F(Descriptors, EntryInfoRowsAreTheTablesInCodeOrder)
{
    const EntryInfo actions[] = {
        {0, 0, ParamText, 0, 65, 0}, {1, 0, ParamText, 0, 65, 0}, {2, 0, ParamText, 0, 65, 0},
        {3, 0, ParamText, 0, 65, 0}, {4, 0, ParamText, 0, 65, 0}, {5, 0, ParamText, 0, 0, 0},
        {6, 0, ParamText, ParamText, 65, 66},
    };
    const EntryInfo* first = lib.GetActionInfos(0, 0);
    ASSERT_NE(first, nullptr);
    for (int code = 0; code < 7; ++code) {
        const EntryInfo* row = lib.GetActionInfos(0, code);
        EXPECT_EQ(row, first + code);
        EXPECT_EQ(std::memcmp(row, &actions[code], sizeof(EntryInfo)), 0) << "action " << code;
    }
    const EntryInfo zero{};
    EXPECT_EQ(std::memcmp(lib.GetConditionInfos(0, 0), &zero, sizeof zero), 0);
    EXPECT_EQ(std::memcmp(lib.GetExpressionInfos(0, 0), &zero, sizeof zero), 0);
}

TEST_F(Descriptors, EntryPointsThatDoNothingAnswerZero)
{
    EXPECT_EQ(lib.LoadObject(0, 0, 0, 0), 0);
    EXPECT_EQ(lib.RebuildExt(0, 0, 0, 0, 0, 0), 0);
    EXPECT_EQ(lib.UpdateEditStructure(0, 0), 0);
    EXPECT_EQ(lib.InitParameter(0, 0, 0), 0);
    EXPECT_EQ(lib.EditParameter(0, 0, 0), 0);
    EXPECT_EQ(lib.GetParameterString(0, 0, 0, 0), 0);
    int count = 0;
    for (const EntryPointRow& row : EntryPointTable)
        count += lib.proc(row.name) != nullptr;
    EXPECT_EQ(count, 50);
}

}  // namespace
