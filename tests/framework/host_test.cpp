// The host stand-in's own behaviour that the other suites rely on.
#include <gtest/gtest.h>

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
