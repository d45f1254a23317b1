// Response tables: own entries first, then bases in order; commands and timers; children found and deleted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "owl/Application.h"
#include "owl/FrameWindow.h"
#include "platform/kernel/Clock.h"
#include "platform/user/Headless.h"

using namespace OWL;

namespace {
std::vector<std::string> g_log;

constexpr UINT UM_PING = WM_USER + 10;
constexpr UINT UM_ONLY_BASE = WM_USER + 11;
constexpr UINT UM_MIXIN = WM_USER + 12;

class TBaseWin : public TWindow {
public:
    using TWindow::TWindow;
    LRESULT EvPing(WPARAM, LPARAM)
    {
        g_log.push_back("base ping");
        return 1;
    }
    LRESULT EvOnlyBase(WPARAM, LPARAM)
    {
        g_log.push_back("base only");
        return 2;
    }
    void CmShared() { g_log.push_back("base cmd"); }
    DECLARE_RESPONSE_TABLE(TBaseWin)
};
DEFINE_RESPONSE_TABLE1(TBaseWin, TWindow)
EV_MESSAGE(UM_PING, EvPing),
EV_MESSAGE(UM_ONLY_BASE, EvOnlyBase),
EV_COMMAND(500, CmShared),
END_RESPONSE_TABLE

// A mix-in base with a table of its own, named after the window base.
class TMixin : virtual public TEventHandler {
public:
    LRESULT EvMixin(WPARAM, LPARAM)
    {
        g_log.push_back("mixin");
        return 3;
    }
    LRESULT EvPing(WPARAM, LPARAM)
    {
        g_log.push_back("mixin ping");
        return 4;
    }
    DECLARE_RESPONSE_TABLE(TMixin)
};
DEFINE_RESPONSE_TABLE(TMixin)
EV_MESSAGE(UM_MIXIN, EvMixin),
EV_MESSAGE(UM_PING, EvPing),
END_RESPONSE_TABLE

class TDerivedWin : public TBaseWin, public TMixin {
public:
    explicit TDerivedWin(TWindow* parent) : TBaseWin(parent) {}
    LRESULT EvPing(WPARAM, LPARAM)
    {
        g_log.push_back("derived ping");
        return 10;
    }
    void CmShared() { g_log.push_back("derived cmd"); }
    void EvTimer(UINT id) { g_log.push_back("timer " + std::to_string(id)); }
    DECLARE_RESPONSE_TABLE(TDerivedWin)
};
DEFINE_RESPONSE_TABLE2(TDerivedWin, TBaseWin, TMixin)
EV_MESSAGE(UM_PING, EvPing),
EV_COMMAND(500, CmShared),
EV_WM_TIMER,
END_RESPONSE_TABLE

// A table kept in two places: its own entries, then the part's, then the base's.
constexpr UINT UM_IN_PART = WM_USER + 13;
class TSplitWin : public TBaseWin {
public:
    using TBaseWin::TBaseWin;
    LRESULT Own(WPARAM, LPARAM)
    {
        g_log.push_back("own");
        return 20;
    }
    LRESULT Part(WPARAM, LPARAM)
    {
        g_log.push_back("part");
        return 21;
    }
    static const std::vector<TResponseTableEntry<TSplitWin>>& PartEntries();
    DECLARE_RESPONSE_TABLE(TSplitWin)
};
DEFINE_RESPONSE_TABLE1_WITH_PART(TSplitWin, TBaseWin, PartEntries)
EV_MESSAGE(UM_IN_PART, Own),
END_RESPONSE_TABLE
DEFINE_RESPONSE_TABLE_PART(TSplitWin, PartEntries)
EV_MESSAGE(UM_IN_PART, Part),
EV_MESSAGE(UM_PING, Part),
END_RESPONSE_TABLE

class ResponseTables : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::headless::Reset();
        platform::UseManualClock(1'700'000'000);
        g_log.clear();
        parent = new TWindow(nullptr, "top");
        ASSERT_TRUE(parent->Create());
        win = new TDerivedWin(parent);
        ASSERT_TRUE(win->Create());
    }
    void TearDown() override
    {
        delete parent;
        platform::headless::Reset();
        platform::UseSystemClock();
    }
    TWindow* parent = nullptr;
    TDerivedWin* win = nullptr;
};
}

TEST_F(ResponseTables, OwnEntryWinsOverTheBasesAndTheBasesAreSearchedInOrder)
{
    EXPECT_EQ(win->SendMessage(UM_PING), 10);
    EXPECT_EQ(win->SendMessage(UM_ONLY_BASE), 2);
    EXPECT_EQ(win->SendMessage(UM_MIXIN), 3);
    EXPECT_EQ(g_log, (std::vector<std::string>{"derived ping", "base only", "mixin"}));
}

TEST_F(ResponseTables, CommandsAndTimersReachTheirEntriesAndUnknownMessagesGetDefaults)
{
    win->SendMessage(WM_COMMAND, MAKEWPARAM(500, 0), 0);
    win->SetTimer(7, 100);
    platform::headless::Advance(100);
    EXPECT_EQ(g_log, (std::vector<std::string>{"derived cmd", "timer 7"}));
    EXPECT_EQ(win->SendMessage(WM_USER + 99), 0);
    win->SetWindowText("caption");
    EXPECT_EQ(win->GetWindowText(), "caption");
}

TEST_F(ResponseTables, ChildObjectsAreFoundFromTheirRecordsAndDeletedWithTheParent)
{
    EXPECT_EQ(TWindow::FromHandle(win->GetHandle()), win);
    EXPECT_EQ(parent->Children().size(), 1u);
    const HWND h = win->GetHandle();
    delete win;
    win = nullptr;
    EXPECT_FALSE(IsWindow(h));
    EXPECT_TRUE(parent->Children().empty());
}

TEST_F(ResponseTables, ATableKeptInTwoPartsSearchesItsOwnEntriesThenThePartThenTheBase)
{
    auto* split = new TSplitWin(parent);
    ASSERT_TRUE(split->Create());
    EXPECT_EQ(split->SendMessage(UM_IN_PART), 20);
    EXPECT_EQ(split->SendMessage(UM_PING), 21);
    EXPECT_EQ(split->SendMessage(UM_ONLY_BASE), 2);
    EXPECT_EQ(g_log, (std::vector<std::string>{"own", "part", "base only"}));
}
