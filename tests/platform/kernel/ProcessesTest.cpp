// Starting programs by argument vector, and the shell's "open" on the desktop's opener.
#include <gtest/gtest.h>

#include "platform/kernel/Processes.h"
#include "platform/shell/ShellExecute.h"

TEST(Processes, StartsOnlyWhatIsThere)
{
    EXPECT_TRUE(platform::StartProgram({"true"}));
    EXPECT_FALSE(platform::StartProgram({"tapvox-no-such-program"}));
    EXPECT_FALSE(platform::StartProgram({}));
}

TEST(Processes, OpenGoesToTheOpenerAsOneArgument)
{
    std::vector<std::vector<std::string>> started;
    platform::SetProgramStarter([&](const std::vector<std::string>& argv) {
        started.push_back(argv);
        return true;
    });
    const auto code = [](HINSTANCE h) { return reinterpret_cast<std::intptr_t>(h); };
    EXPECT_GT(code(ShellExecuteA(nullptr, "open", "http://example.org/a b;rm -rf x", nullptr, nullptr, 1)), 32);
    EXPECT_GT(code(ShellExecuteA(nullptr, nullptr, "-file.txt", "", nullptr, 1)), 32);
    EXPECT_EQ(code(ShellExecuteA(nullptr, "print", "x.txt", nullptr, nullptr, 1)), SE_ERR_NOASSOC);
    EXPECT_EQ(code(ShellExecuteA(nullptr, "open", "x.exe", "/t", nullptr, 1)), SE_ERR_NOASSOC);
    EXPECT_EQ(code(ShellExecuteA(nullptr, "open", "", nullptr, nullptr, 1)), SE_ERR_FNF);
    platform::SetProgramStarter({});
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[0], (std::vector<std::string>{"xdg-open", "http://example.org/a b;rm -rf x"}));
    EXPECT_EQ(started[1], (std::vector<std::string>{"xdg-open", "./-file.txt"}));
}
