// The host stand-in's own behaviour that the other suites rely on.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "host.h"

namespace {

TEST(MessageBoxCatcher, RecordsCaptionTextAndIconAndClosesTheBox)
{
    struct Case {
        UINT style;
        bool icon;
    } cases[] = {{MB_OK, false}, {MB_OK | MB_ICONEXCLAMATION, true}, {MB_YESNO | MB_ICONQUESTION, true}};
    host::TakeMessageBoxes();
    for (const Case& c : cases) {
        int answer;
        {
            host::MessageBoxCatcher catcher;
            answer = MessageBoxA(nullptr, "Body text", "Caption", c.style);
        }
        const auto boxes = host::TakeMessageBoxes();
        ASSERT_EQ(boxes.size(), 1u) << c.style;
        EXPECT_EQ(boxes[0].caption, "Caption");
        EXPECT_EQ(boxes[0].text, "Body text");
        EXPECT_EQ(boxes[0].hasIcon, c.icon) << c.style;
        EXPECT_EQ(answer, boxes[0].answer);
    }
}

}  // namespace

namespace {

// The PlayerContext the stand-in builds, read the way the objects read it:
// through the unaligned pointer at offset 6 and the x86_64 offsets.
TEST(PlayerStandIn, ServiceRoutinesAnswerThroughThePlayerContext)
{
    host::Library lib(host::DeliverablePath("wbplugin"));
    ASSERT_TRUE(lib.loaded());
    host::RunObject object(lib);
    RunObjectData* rd = object.data();
    PlayerContext* pc = PlayerContextOf(rd);
    ASSERT_NE(pc, nullptr);

    // A rule runs inside RaiseEvent and may call the object re-entrantly.
    int16_t fromRule = -1;
    object.onEvent(3, [&](host::RunObject& o, intptr_t value) {
        EXPECT_EQ(value, 77);
        fromRule = o.action(0, "from a rule");
    });
    pc->RaiseEvent(rd, 3, 77);
    pc->RaiseEvent(rd, 4, 5);
    ASSERT_EQ(object.events.size(), 2u);
    EXPECT_EQ(object.events[0].code, 3);
    EXPECT_EQ(object.events[1].value, 5);
    EXPECT_EQ(fromRule, 0);

    // Text buffers stay with the object; their sizes are recorded.
    char* a = pc->GetTextResultBuffer(rd, 51, 0);
    char* b = pc->GetTextResultBuffer(rd, 1024, 0);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    std::memset(a, 'a', 51);
    std::memset(b, 'b', 1024);
    EXPECT_EQ(a[50], 'a');
    EXPECT_EQ(object.textBufferSizes, (std::vector<intptr_t>{51, 1024}));

    object.applicationPath = {{1, "C:"}, {2, "\\games\\"}, {3, "C:\\games\\"}, {4, "quest.exe"}};
    char part[MAX_PATH];
    pc->GetApplicationPathPart(rd, 2, part);
    EXPECT_STREQ(part, "\\games\\");
    pc->GetApplicationPathPart(rd, 4 + 0x10000, part);  // a 16-bit part code
    EXPECT_STREQ(part, "quest.exe");
    pc->GetApplicationPathPart(rd, 9, part);
    EXPECT_STREQ(part, "");

    // The window of the PlayerWindowInfo, at windowInfoOffset.
    HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x12340));
    object.setWindow(window);
    void* seen = nullptr;
    std::memcpy(&seen, reinterpret_cast<uint8_t*>(pc) + pc->windowInfoOffset + 4, sizeof seen);
    EXPECT_EQ(seen, window);
}

}  // namespace
