// Registered messages: one number per name, whatever its case, in the range Windows keeps for them.
#include <gtest/gtest.h>

#include "platform/user/RegisteredMessages.h"

TEST(RegisteredMessages, ANameKeepsItsNumberAndOtherNamesGetOthers)
{
    const UINT created = RegisterWindowMessageA("TaskbarCreated");
    EXPECT_GE(created, 0xC000u);
    EXPECT_LE(created, 0xFFFFu);
    EXPECT_EQ(RegisterWindowMessageA("TaskbarCreated"), created);
    EXPECT_EQ(RegisterWindowMessageA("TASKBARCREATED"), created) << "names are compared without case";
    const UINT other = RegisterWindowMessageA("SomethingElse");
    EXPECT_NE(other, 0u);
    EXPECT_NE(other, created);
    EXPECT_EQ(RegisterWindowMessageA(""), 0u);
    EXPECT_EQ(RegisterWindowMessageA(nullptr), 0u);
}
