// The preference pages from the keyboard: every mnemonic of every page reaches
// its control; one that several controls share moves the focus among them and
// presses none, one of its own presses its button.
#include <cctype>
#include <map>
#include <set>
#include <vector>

#include "platform/user/Keyboard.h"
#include "prefs/PreferencesSheet.h"
#include "tests/prefs/PageFixture.h"

using namespace pagetest;

namespace {
constexpr int kBrowse = 200;
constexpr int kEditPattern = 25802;

// The letter after a single '&', 0 when the text has none.
char MnemonicOf(const std::string& text)
{
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '&') {
            if (text[i + 1] != '&') {
                return static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1])));
            }
            ++i;
        }
    }
    return 0;
}

bool IsButton(HWND c)
{
    char cls[32] = "";
    GetClassNameA(c, cls, sizeof cls);
    return std::string(cls) == WC_BUTTON && (GetWindowLongA(c, GWL_STYLE) & BS_TYPEMASK) != BS_GROUPBOX;
}

std::string Name(HWND c) { return std::to_string(GetDlgCtrlID(c)) + " \"" + hl::Text(c) + "\""; }

class PageMnemonics : public PageTest {};

TEST_F(PageMnemonics, EveryMnemonicOfEveryPageReachesItsControl)
{
    TPreferencesSheet prefs(nullptr);
    int patternDialogs = 0;
    ASSERT_EQ(IDCANCEL, Run(prefs.Sheet(), [&](HWND h) {
        for (int p = 0; p < prefs.Sheet().GetPageCount(); ++p) {
            SendMessage(h, PSM_SETCURSEL, static_cast<WPARAM>(p), 0);
            HWND page = prefs.Sheet().GetPage(p)->GetHandle();
            std::vector<HWND> shown;
            for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                if (IsWindowVisible(c) && IsWindowEnabled(c)) {
                    shown.push_back(c);
                }
            }
            // Per letter: where the focus goes for each control that has it.
            std::map<char, std::vector<std::size_t>> letters;
            for (std::size_t i = 0; i < shown.size(); ++i) {
                if (const char m = MnemonicOf(hl::Text(shown[i]))) {
                    letters[m].push_back(i);
                }
            }
            for (const auto& [letter, at] : letters) {
                const std::string where = "page " + std::to_string(p) + ", Alt+" + letter;
                if (at.size() == 1 && IsButton(shown[at[0]])) {
                    HWND button = shown[at[0]];
                    const int id = GetDlgCtrlID(button);
                    const LRESULT before = SendMessage(button, BM_GETCHECK, 0, 0);
                    const std::size_t pickers = hl::FileDialogRequests().size();
                    const int dialogs = patternDialogs;
                    if (id == kBrowse) {
                        hl::AnswerFileDialog({std::nullopt, false});
                    } else if (id == kEditPattern) {
                        hl::AnswerDialog(4200, [&](HWND d) {
                            ++patternDialogs;
                            hl::Click(GetDlgItem(d, IDCANCEL));
                        });
                    }
                    hl::Key(static_cast<UINT>(letter), {VK_MENU});
                    const DWORD kind = static_cast<DWORD>(GetWindowLongA(button, GWL_STYLE)) & BS_TYPEMASK;
                    if (id == kBrowse) {
                        EXPECT_EQ(pickers + 1, hl::FileDialogRequests().size()) << where << ": the folder picker";
                    } else if (id == kEditPattern) {
                        EXPECT_EQ(dialogs + 1, patternDialogs) << where << ": the pattern dialog";
                    } else if (kind == BS_AUTOCHECKBOX) {
                        EXPECT_NE(before, SendMessage(button, BM_GETCHECK, 0, 0)) << where << ": " << Name(button);
                    } else if (kind == BS_AUTORADIOBUTTON) {
                        EXPECT_EQ(BST_CHECKED, SendMessage(button, BM_GETCHECK, 0, 0)) << where << ": " << Name(button);
                    } else {
                        ADD_FAILURE() << where << ": a button of a kind this test does not know, " << Name(button);
                    }
                    continue;
                }
                // Shared letters and labels move the focus: to the button itself or to the control after the label.
                std::set<HWND> expected;
                std::map<HWND, HWND> sources;
                for (std::size_t i : at) {
                    HWND target = IsButton(shown[i]) ? shown[i] : (i + 1 < shown.size() ? shown[i + 1] : nullptr);
                    expected.insert(target);
                    sources[target] = shown[i];
                }
                std::map<HWND, LRESULT> checks;
                for (HWND c : shown) {
                    checks[c] = SendMessage(c, BM_GETCHECK, 0, 0);
                }
                std::set<HWND> reached;
                for (std::size_t k = 0; k < at.size(); ++k) {
                    hl::Key(static_cast<UINT>(letter), {VK_MENU});
                    reached.insert(GetFocus());
                }
                for (HWND target : expected) {
                    EXPECT_TRUE(reached.count(target)) << where << " never reached " << Name(sources[target]);
                }
                if (at.size() > 1) {
                    for (HWND c : shown) {
                        EXPECT_EQ(checks[c], SendMessage(c, BM_GETCHECK, 0, 0)) << where << " pressed " << Name(c);
                    }
                }
            }
        }
        Cancel(h);
    }));
    EXPECT_EQ(1u, hl::FileDialogRequests().size()) << "Alt+B, Browse's own letter, opened the picker";
}
}
