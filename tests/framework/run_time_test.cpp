// wbplugin at run time: the run-time entry points on a bare 152-byte header,
// its actions and its expression, called through the RoutineTables as the
// player calls them.
#include <cstring>
#include <string>
#include <vector>

#include "plugin_fixture.h"

namespace {

using RunTime = Plugin;

TEST_F(RunTime, EntryPointsTouchNoByteOfTheRecords)
{
    // A header filled by the host, placed at an odd address; an EditStructure
    // with bytes of its own.
    std::vector<uint8_t> block(1 + 152 + 16);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(0xA0 + i * 7);
    auto* rd = reinterpret_cast<RunObjectData*>(block.data() + 1);
    std::vector<uint8_t> edit(24);
    for (size_t i = 0; i < edit.size(); ++i)
        edit[i] = static_cast<uint8_t>(i * 3);
    const std::vector<uint8_t> blockBefore = block;
    const std::vector<uint8_t> editBefore = edit;

    EXPECT_EQ(lib.CreateRunObject(rd, reinterpret_cast<EditStructure*>(edit.data()), 0), 0);
    EXPECT_EQ(lib.HandleRunObject(rd), 1);
    EXPECT_EQ(lib.HandleRunObject(rd), 1);
    EXPECT_EQ(lib.DisplayRunObject(rd), 0);
    EXPECT_EQ(lib.PauseRunObject(rd), 0);
    EXPECT_EQ(lib.ContinueRunObject(rd), 0);
    EXPECT_EQ(lib.ReInitRunObject(rd), 0);
    EXPECT_EQ(lib.DestroyRunObject(rd, 0), 0);
    EXPECT_EQ(block, blockBefore);
    EXPECT_EQ(edit, editBefore);
}

TEST_F(RunTime, ActionsAcceptAnyTextAndReturnZero)
{
    host::RunObject object(lib);
    EXPECT_EQ(object.createResult(), 0);
    EXPECT_EQ(object.size(), 152u);
    const std::vector<uint8_t> before(reinterpret_cast<uint8_t*>(object.data()),
                                      reinterpret_cast<uint8_t*>(object.data()) + object.size());
    const std::string texts[] = {"", "http://example.invalid/page.html", std::string(5000, 'u'), "\xE9t\xE9"};
    for (const std::string& text : texts) {
        for (int code = 0; code <= 5; ++code)
            EXPECT_EQ(object.action(code, text), 0) << code;
        EXPECT_EQ(object.action(6, text, std::string()), 0);
        EXPECT_EQ(object.action(6, text, "_blank"), 0);
    }
    // Action 6 with a null target, as a host with no window name would pass.
    EXPECT_EQ(object.action(6, "x", 0), 0);
    EXPECT_EQ(object.frame(), 1);
    EXPECT_EQ(std::memcmp(object.data(), before.data(), before.size()), 0);
    EXPECT_TRUE(object.events.empty());
    EXPECT_TRUE(object.textBufferSizes.empty());
}

TEST_F(RunTime, CurrentUrlIsTheEmptyTextWithTheTextFlag)
{
    host::RunObject object(lib);
    const uint16_t others[] = {0x0000, 0x0123, 0x7FFF};
    intptr_t first = 0;
    for (uint16_t bits : others) {
        object.data()->header.flags = bits;
        const host::ExpressionResult r = object.expression(0);
        EXPECT_TRUE(r.isText);
        EXPECT_EQ(r.text, "");
        EXPECT_EQ(object.data()->header.flags, bits | TextResultFlag) << std::hex << bits;
        // The same static text on every call, readable after the routine returned.
        if (first == 0)
            first = r.value;
        EXPECT_EQ(r.value, first);
        ASSERT_NE(r.value, 0);
        EXPECT_EQ(*reinterpret_cast<const char*>(r.value), '\0');
    }
    EXPECT_TRUE(object.parameterTokens.empty());  // no parameter to fetch
    EXPECT_TRUE(object.textBufferSizes.empty());
}

}  // namespace
