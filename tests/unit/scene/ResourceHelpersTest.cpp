#include "base/Exception.h"
#include "scene/ResourceHelpers.h"

#include <gtest/gtest.h>

using namespace System;

TEST(ResourceHelpers, MissingIdThrowsWithDecimalId)
{
    try {
        loadResource(999, "IMAGE");
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "Could not load resource with ID=999");
    }
    EXPECT_EQ(resourceSize(999, "IMAGE"), 0u);
    EXPECT_EQ(loadResourceString(999), "");
}

TEST(ResourceHelpers, StringTableEntries)
{
    EXPECT_EQ(loadResourceString(1), "Fernhollow Screensaver");
    std::string flag = loadResourceString(4);
    EXPECT_TRUE(flag == "0" || flag == "1");
}
