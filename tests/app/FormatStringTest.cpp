// FormatString: texts longer than its first buffer.
#include <gtest/gtest.h>

#include <string>

#include "app/FormatString.h"

TEST(FormatString, TextsPastTheFirstBufferComeOutWholeWithEveryArgument)
{
    const std::string longText(300, 'x');
    // The second attempt must read the same arguments again, not what follows them.
    EXPECT_EQ(longText + "|42|end", FormatString("%s|%d|%s", longText.c_str(), 42, "end"));
    const std::string huge(5000, 'y');
    EXPECT_EQ("<" + huge + ">7", FormatString("<%s>%d", huge.c_str(), 7));
    EXPECT_EQ(std::string(255, 'z'), FormatString("%s", std::string(255, 'z').c_str())) << "exactly the first buffer";
    const char* volatile none = nullptr;
    EXPECT_EQ("", FormatString(none, 1));
}
