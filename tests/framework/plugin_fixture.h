// wbplugin loaded through the host stand-in, for the suites that drive the
// framework through its exported entry points.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "host.h"

class Plugin : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(lib.loaded()) << lib.path();
        HrtlReset();
        host::TakeMessageBoxes();
    }
    void TearDown() override
    {
        HrtlReset();
        // No entry point of the framework or of wbplugin opens a message box.
        EXPECT_TRUE(host::TakeMessageBoxes().empty());
    }

    host::Library lib{host::DeliverablePath("wbplugin")};
};
