// The help folder that ships with the program: a popup text for every text a
// help map names, a topic for every page's help context, and links that lead somewhere.
#include <fstream>
#include <set>
#include <sstream>

#include "ControlsTestSupport.h"
#include "controls/HelpMaps.h"
#include "platform/core/Strings.h"
#include "platform/ipc/Ipc.h"
#include "tests/support/TestSupport.h"

using namespace controlstest;

namespace {
class HelpContent : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        folder = testsupport::SourceDir() + "/resources/help";
        platform::CopyBounded(HelpFilePath, MAX_PATH, folder);
        platform::CopyBounded(HelpPopupPath, MAX_PATH, folder + "::/CSTapvox.txt");
    }
    void TearDown() override
    {
        HelpFilePath[0] = HelpPopupPath[0] = '\0';
        ControlsTest::TearDown();
    }
    static std::string Read(const std::string& path)
    {
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // The popup text ShowHelpPopup puts up for a text id; empty when none came up.
    static std::string PopupFor(int textId)
    {
        ShowHelpPopup(textId, nullptr);
        HWND popup = FindWindowA("TapvoxHelpPopup", nullptr);
        if (!popup) {
            return std::string();
        }
        const std::string text = platform::headless::Text(popup);
        DestroyWindow(popup);
        return text;
    }
    std::string folder;
};

struct NamedMap {
    const char* name;
    const HelpPair* map;
    std::int32_t context;
};
const NamedMap kMaps[] = {
    {"position dialog", PositionDialogHelpMap, PositionDialogHelpContext},
    {"main window", AppDialogHelpMap, AppDialogHelpContext},
    {"General", SetStartHelpMap, SetStartHelpContext},
    {"Wave", SetWaveHelpMap, SetWaveHelpContext},
    {"File", SetFileHelpMap, SetFileHelpContext},
    {"Record", SetRecordHelpMap, SetRecordHelpContext},
    {"Playback", SetPlayBackHelpMap, SetPlayBackHelpContext},
    {"Devices", SetDriverHelpMap, SetDriverHelpContext},
    {"HotKey", SetKeyHelpMap, SetKeyHelpContext},
    {"Mp3", SetMp3HelpMap, SetMp3HelpContext},
    {"Vorbis", SetVorbisHelpMap, SetVorbisHelpContext},
    {"Timer", SetTimerHelpMap, SetTimerHelpContext},
};
}

TEST_F(HelpContent, EveryMappedControlHasItsPopupText)
{
    for (const NamedMap& m : kMaps) {
        for (const HelpPair* p = m.map; p->controlId; ++p) {
            if (p->textId == -1) {
                continue;
            }
            const int text = p->textId ? p->textId : p->controlId;
            EXPECT_GT(PopupFor(text).size(), 20u) << m.name << ": control " << p->controlId << ", text " << text;
        }
    }
    // The switches page has no map: its controls show their own ids.
    for (int id : {501, 502, 503, 504, 505, 506, 507, 508, 509}) {
        EXPECT_GT(PopupFor(id).size(), 20u) << id;
    }
    EXPECT_EQ(PopupFor(-1), "");
}

TEST_F(HelpContent, EveryHelpContextOpensATopicAndLinksLeadSomewhere)
{
    std::set<std::string> topics = {"index.html", "Getting_Started.html", "Controls.html"};
    std::vector<std::int32_t> contexts = {SetJoyHelpContext};
    for (const NamedMap& m : kMaps) {
        if (m.context) {
            contexts.push_back(m.context);
        }
    }
    const std::string map = Read(folder + "/Contexts.txt");
    for (std::int32_t c : contexts) {
        std::string topic;
        for (const std::string_view line : platform::SplitLines(map)) {
            const std::string prefix = std::to_string(c) + " ";
            if (line.starts_with(prefix)) {
                topic = std::string(line.substr(prefix.size()));
            }
        }
        ASSERT_TRUE(topic.ends_with(".html")) << "context " << c;
        topics.insert(topic);
    }
    for (const std::string& t : topics) {
        const std::string html = Read(folder + "/" + t);
        ASSERT_FALSE(html.empty()) << t;
        EXPECT_NE(html.find("<title>"), std::string::npos) << t;
        for (std::size_t at = html.find("href=\""); at != std::string::npos; at = html.find("href=\"", at + 1)) {
            const std::size_t start = at + 6;
            const std::string target = html.substr(start, html.find('"', start) - start);
            EXPECT_FALSE(Read(folder + "/" + target).empty()) << t << " links to " << target;
        }
    }
}
