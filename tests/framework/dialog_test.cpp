// The setup dialog mechanism (CreateObject, SelectPopup, the dialog context,
// Help) through the test object, scripted through the HRTL32 stand-in.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dialogobj/dialogobj.h"
#include "host.h"

namespace {

using dialogobj::Edit;

class SetupDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(library.loaded()) << library.path();
        HrtlReset();
        edit = editor.newEditStructure(library);
        ASSERT_EQ(edit.size(), sizeof(Edit));
    }
    void TearDown() override { HrtlReset(); }

    const Edit& fields() const { return *reinterpret_cast<const Edit*>(edit.data()); }
    static void Script(const std::vector<HrtlStep>& steps)
    {
        HrtlSetDialogScript(steps.data(), static_cast<int32_t>(steps.size()));
    }
    static HrtlDialogCall LastDialog()
    {
        HrtlDialogCall call{};
        HrtlLastDialog(&call);
        return call;
    }

    host::Library library{host::DeliverablePath("dialogobj")};
    host::Editor editor;
    std::vector<uint8_t> edit;
};

TEST_F(SetupDialog, CreateObjectReadsTheEndValueOfOkAndCancel)
{
    struct Case {
        const char* name;
        std::vector<HrtlStep> steps;
        intptr_t endValue;
        int32_t created;
    } cases[] = {
        {"OK, box checked", {{HrtlCheck, dialogobj::CheckControl, 1, nullptr}, {HrtlPress, IDOK, 0, nullptr}}, -1, 0},
        {"OK, box clear", {{HrtlPress, IDOK, 0, nullptr}}, 1, 0},
        {"Cancel", {{HrtlPress, IDCANCEL, 0, nullptr}}, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> e = editor.newEditStructure(library);
        Script(c.steps);
        EXPECT_EQ(editor.createObject(library, e), c.created);
        EXPECT_EQ(LastDialog().result, c.endValue);
    }
}

TEST_F(SetupDialog, OkStoresTheFieldsOverTheDefaults)
{
    Script({{HrtlSetText, dialogobj::TextControl, 0, "typed by the author"},
            {HrtlCheck, dialogobj::CheckControl, 1, nullptr},
            {HrtlPress, IDOK, 0, nullptr}});
    ASSERT_EQ(editor.createObject(library, edit), 0);
    EXPECT_EQ(fields().options, dialogobj::DefaultOptions);
    EXPECT_EQ(fields().checked, 1);
    EXPECT_STREQ(fields().text, "typed by the author");
}

TEST_F(SetupDialog, DefaultsAreSetBeforeTheDialogAndCancelKeepsThem)
{
    // The dialog shows what the EditStructure held when it opened.
    Script({{HrtlReadText, dialogobj::TextControl, 0, nullptr},
            {HrtlSetText, dialogobj::TextControl, 0, "not kept"},
            {HrtlCheck, dialogobj::CheckControl, 1, nullptr},
            {HrtlPress, IDCANCEL, 0, nullptr}});
    const std::vector<uint8_t> before = [&] {
        std::vector<uint8_t> e = edit;
        Edit* f = reinterpret_cast<Edit*>(e.data());
        f->options = dialogobj::DefaultOptions;
        std::strcpy(f->text, dialogobj::DefaultText);
        return e;
    }();
    EXPECT_NE(editor.createObject(library, edit), 0);
    EXPECT_EQ(edit, before);
    ASSERT_EQ(HrtlReadCount(), 1);
    char text[64];
    HrtlReadAt(0, text, sizeof text);
    EXPECT_STREQ(text, dialogobj::DefaultText);
}

TEST_F(SetupDialog, SelectPopupOpensTheDialogOnlyForTheSetupCommand)
{
    Edit& f = *reinterpret_cast<Edit*>(edit.data());
    std::strcpy(f.text, "stored");
    Script({{HrtlReadText, dialogobj::TextControl, 0, nullptr}, {HrtlPress, IDOK, 0, nullptr}});
    EXPECT_EQ(editor.selectPopup(library, SetupCommand, edit), 4);
    char text[64];
    ASSERT_EQ(HrtlReadCount(), 1);
    HrtlReadAt(0, text, sizeof text);
    EXPECT_STREQ(text, "stored");

    Script({{HrtlSetText, dialogobj::TextControl, 0, "dropped"}, {HrtlPress, IDCANCEL, 0, nullptr}});
    EXPECT_EQ(editor.selectPopup(library, SetupCommand, edit), 0);
    EXPECT_STREQ(fields().text, "stored");
    EXPECT_EQ(HrtlDialogCount(), 2);

    for (intptr_t command : {0, 2003, 2004, 2006, 2021, SetupCommand + 0x10000}) {
        Script({{HrtlPress, IDOK, 0, nullptr}});
        EXPECT_EQ(editor.selectPopup(library, command, edit), 0) << command;
    }
    EXPECT_EQ(HrtlDialogCount(), 2);
}

TEST_F(SetupDialog, HelpShowsTheLibrarysHelpAndKeepsTheDialogOpen)
{
    Script({{HrtlSetText, dialogobj::TextControl, 0, "before help"},
            {HrtlPress, dialogobj::HelpControl, 0, nullptr},
            {HrtlReadText, dialogobj::TextControl, 0, nullptr}});
    // The script runs out with the dialog still open: the stand-in ends it.
    EXPECT_EQ(editor.createObject(library, edit), 0);
    EXPECT_EQ(LastDialog().result, HrtlScriptExhausted);
    ASSERT_EQ(editor.helpCalls.size(), 1u);
    EXPECT_EQ(editor.helpCalls[0].a, 1);
    EXPECT_EQ(editor.helpCalls[0].b, 1);
    char expected[MAX_PATH] = "";
    GetModuleFileNameA(library.module(), expected, sizeof expected);
    EXPECT_EQ(editor.helpCalls[0].path, expected);
    EXPECT_EQ(HrtlReadCount(), 1);
    EXPECT_STREQ(fields().text, dialogobj::DefaultText);  // Help stores nothing
}

TEST_F(SetupDialog, HostDialogBoxReceivesTheModuleTemplateParentAndContext)
{
    Script({{HrtlPress, IDOK, 0, nullptr}});
    ASSERT_EQ(editor.createObject(library, edit), 0);
    const HrtlDialogCall call = LastDialog();
    EXPECT_EQ(call.module, library.module());
    EXPECT_EQ(call.templateId, SetupDialogId);
    EXPECT_EQ(call.parent, editor.window());
    EXPECT_NE(call.parent, nullptr);
    EXPECT_NE(call.procedure, nullptr);
    EXPECT_EQ(call.arg5, 0);
    EXPECT_EQ(call.arg6, 0);
    EXPECT_EQ(call.arg7, 3);
    EXPECT_STREQ(call.caption, "Dialog object setup");
    // The init parameter is the SetupDialogContext {EditStructure, HostContext}.
    EXPECT_NE(call.initParameter, 0);
    EXPECT_EQ(call.initWords[0], reinterpret_cast<intptr_t>(edit.data()));
    EXPECT_EQ(call.initWords[1], reinterpret_cast<intptr_t>(editor.context()));
    EXPECT_EQ(fields().checked, 0);
    EXPECT_EQ(HrtlDialogCount(), 1);
}

}  // namespace
