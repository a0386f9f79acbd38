// wbplugin's edit-time presentation: icon, editor image through HRTL32,
// description, cursor, rectangle, the host's popup menu, and object creation
// without a dialog.
#include <cstring>
#include <string>
#include <vector>

#include "plugin_fixture.h"

namespace {

class EditTime : public Plugin {
protected:
    static std::vector<HrtlImageCall> ImageCalls()
    {
        std::vector<HrtlImageCall> calls(static_cast<size_t>(HrtlImageCallCount()));
        for (size_t i = 0; i < calls.size(); ++i)
            HrtlImageCallAt(static_cast<int32_t>(i), &calls[i]);
        return calls;
    }
    host::Editor editor;
};

TEST_F(EditTime, MakeIconCopiesThePackedBitmapAndNothingMore)
{
    HRSRC found = FindResourceA(lib.module(), MAKEINTRESOURCEA(400), MAKEINTRESOURCEA(2));
    ASSERT_NE(found, nullptr);
    const auto* resource = static_cast<const uint8_t*>(LockResource(LoadResource(lib.module(), found)));
    ASSERT_NE(resource, nullptr);
    BITMAPINFOHEADER header;
    std::memcpy(&header, resource, sizeof header);
    ASSERT_EQ(header.biWidth, 32);
    ASSERT_EQ(header.biHeight, 32);
    ASSERT_EQ(header.biBitCount, 4);

    constexpr size_t Copy = 40 + 64 + 512;
    std::vector<uint8_t> destination(2048, 0xEE);
    EXPECT_EQ(lib.MakeIcon(0, destination.data(), 0, 0, 0), 0);
    EXPECT_EQ(std::memcmp(destination.data(), resource, Copy), 0);
    for (size_t i = Copy; i < destination.size(); ++i)
        ASSERT_EQ(destination[i], 0xEE) << "byte " << i << " written";
}

TEST_F(EditTime, EditorDisplayMakesDrawsAndDeletesOneImage)
{
    const struct {
        int32_t left, top;
    } places[] = {{10, 20}, {-5, -7}};
    for (const auto& at : places) {
        HrtlReset();
        const int32_t rect[4] = {at.left, at.top, at.left + 32, at.top + 32};
        lib.EditorDisplay(editor.context(), 0, 0, 0, rect);
        const auto calls = ImageCalls();
        ASSERT_EQ(calls.size(), 3u);  // a 4-bit bitmap needs no PrepareDib

        const HrtlImageCall& create = calls[0];
        EXPECT_EQ(create.kind, HrtlCallCreateImageFromDib);
        EXPECT_EQ(create.handle, editor.context()->imageBank);
        EXPECT_EQ(create.width, 32);
        EXPECT_EQ(create.height, 32);
        EXPECT_EQ(create.bits, 4);
        for (uint16_t field : create.infoTail)
            EXPECT_EQ(field, 0);
        ASSERT_NE(create.result, 0);

        const HrtlImageCall& draw = calls[1];
        EXPECT_EQ(draw.kind, HrtlCallDrawImage);
        EXPECT_EQ(draw.handle, editor.context()->drawSurface);
        EXPECT_EQ(draw.args[0], create.result);
        EXPECT_EQ(draw.args[1], at.left);
        EXPECT_EQ(draw.args[2], at.top);
        EXPECT_EQ(draw.args[3], 2);

        const HrtlImageCall& erase = calls[2];
        EXPECT_EQ(erase.kind, HrtlCallDeleteImage);
        EXPECT_EQ(erase.handle, editor.context()->imageBank);
        EXPECT_EQ(erase.args[0], create.result);
        EXPECT_EQ(HrtlLiveImages(), 0);
    }

    // Nothing is cached: a second call makes its image anew.
    HrtlReset();
    const int32_t rect[4] = {0, 0, 32, 32};
    lib.EditorDisplay(editor.context(), 0, 0, 0, rect);
    lib.EditorDisplay(editor.context(), 0, 0, 0, rect);
    EXPECT_EQ(ImageCalls().size(), 6u);
}

TEST_F(EditTime, EditorDisplayDrawsNothingWithoutAnImage)
{
    HrtlFailImages(1);
    const int32_t rect[4] = {10, 20, 42, 52};
    lib.EditorDisplay(editor.context(), 0, 0, 0, rect);
    const auto calls = ImageCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].kind, HrtlCallCreateImageFromDib);
    EXPECT_EQ(calls[0].result, 0);
}

TEST_F(EditTime, DescriptionPutsTheTextIntoTheFormat)
{
    const struct {
        const char* text;
        const char* description;
    } cases[] = {
        {"Plug-in", " Plug-in : Plug-in"},
        {"", "  : Plug-in"},
        {"100%s %d", " 100%s %d : Plug-in"},  // the text is not a format
    };
    for (const auto& c : cases) {
        char destination[256];
        std::memset(destination, 'x', sizeof destination);
        lib.GetDesc(0, destination, 0, c.text, 0, 0);
        EXPECT_STREQ(destination, c.description);
    }
}

TEST_F(EditTime, CursorRectangleAndTransparency)
{
    EXPECT_NE(lib.GetObjectCursor(0, 0, 0, 0), nullptr);
    const struct {
        int32_t left, top, right, bottom;
    } cases[] = {{10, 20, 42, 52}, {-100, 32767, -68, 32799}, {0, 0, 32, 32}};
    for (const auto& c : cases) {
        int32_t rect[4] = {c.left, c.top, -1, -1};
        lib.GetObjectRect(0, rect, 0, nullptr);
        EXPECT_EQ(rect[0], c.left);
        EXPECT_EQ(rect[1], c.top);
        EXPECT_EQ(rect[2], c.right);
        EXPECT_EQ(rect[3], c.bottom);
    }
    EXPECT_EQ(lib.IsTransparent(0, 0, 0, 0, 0), 0);
}

// The commands left in a popup, in order.
std::vector<UINT> Commands(HMENU menu)
{
    std::vector<UINT> ids;
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
        ids.push_back(GetMenuItemID(menu, i));
    return ids;
}

TEST_F(EditTime, AppendPopupRemovesTheHostsItems)
{
    const struct {
        std::vector<UINT> before;
        std::vector<UINT> after;
    } cases[] = {
        {{1999, 2003, 2004, 2005, 2006, 2020, 2021}, {2005, 2021}},
        // The item at position 0 goes first; a command already gone is skipped.
        {{2004, 2003, 2020, 2006, 2007}, {2007}},
        {{2003}, {}},
        {{}, {}},
    };
    for (const auto& c : cases) {
        HMENU menu = CreatePopupMenu();
        ASSERT_NE(menu, nullptr);
        for (UINT id : c.before)
            AppendMenuA(menu, MF_STRING, id, ("item " + std::to_string(id)).c_str());
        lib.AppendPopup(0, menu, 0, 0, 0);
        EXPECT_EQ(Commands(menu), c.after);
        DestroyMenu(menu);
    }
}

TEST_F(EditTime, NoDialogIsEverOpened)
{
    std::vector<uint8_t> edit(24, 0);
    for (size_t i = 8; i < edit.size(); ++i)
        edit[i] = static_cast<uint8_t>(i);
    const std::vector<uint8_t> before = edit;
    EXPECT_EQ(editor.createObject(lib, edit), 0);
    for (intptr_t command : {2020, 2003, 0, 1})
        EXPECT_EQ(editor.selectPopup(lib, command, edit), 0) << command;
    EXPECT_EQ(lib.ModifyObject(0, reinterpret_cast<EditStructure*>(edit.data()), 0, 0, 0, edit.data()), 0);
    EXPECT_EQ(edit, before);
    EXPECT_EQ(HrtlDialogCount(), 0);
    EXPECT_TRUE(editor.helpCalls.empty());
}

}  // namespace
