// Dialog templates of the main window and the small dialogs.
#include "resources/Form.h"
#include "resources/Resources.h"

namespace resources {
using namespace form;

void RegisterDialogs()
{
    // Main window, a child of the frame: transport row and status texts, and on the right the
    // level meter as a column with the threshold slider the window places beside it.
    {
        auto t = Dialog("", 250, 142, kChild | WS_VISIBLE);
        t.items = {
            Button("Record", 150, 6, 6, 30, 20),
            Button("Stop", 154, 40, 6, 30, 20),
            Button("Play", 151, 74, 6, 30, 20),
            Button("Rewind", 152, 108, 6, 30, 20),
            Button("Forward", 153, 142, 6, 30, 20),
            Text(116, 184, 6, 18, 70, SS_SUNKEN),  // level meter
            Label("&Vox ", 179, 226, 6, 20),
            Text(113, 226, 16, 20),                // threshold number
            Text(114, 184, 80, 18),                // level number
            Label("", 218, 6, 32, 172),            // codec text
            Label("", 168, 6, 44, 40),
            Text(156, 50, 44, 128),                // segment "%d of %d"
            Text(155, 6, 56, 172, 8),             // time / free space; a double click reaches the window: position dialog
            Text(157, 6, 68, 172, 14, SS_SUNKEN),  // frame of the position slider
            Text(159, 6, 92, 118),                 // sample text
            Text(169, 130, 92, 114),               // size text
            Label("", 109, 6, 104, 238),
            Text(180, 6, 116, 238),                // format text
            Text(181, 6, 128, 238),                // directory status text
        };
        platform::AddDialog(kMainDialog, t);
    }
    // About box.
    {
        auto t = Dialog("About Tapvox", 200, 80, kModal | DS_CENTER);
        t.items = {
            Label("version", 22001, 8, 8, 184),  // About puts the name before it and the number after
            Text(22002, 8, 22, 184),
            Button("", 22006, 8, 38, 184, 10, BS_OWNERDRAW),
            DefButton("OK", IDOK, 75, 58),
        };
        platform::AddDialog(MAKEINTRESOURCEA(22000), t);
    }
    // Position dialog: segment, day, hour, minute, second with up-downs, the adjust button and a trackbar.
    {
        auto t = Dialog("Set Time Position", 220, 120, kModal | DS_CENTER);
        t.items = {
            Label("S&egment", 1726, 8, 10, 40), Edit(1720, 50, 8, 40), UpDown(1721, 90, 8),
            Label("&Day", 1725, 8, 26, 40), Edit(1712, 50, 24, 40, 12, ES_READONLY), UpDown(1713, 90, 24),
            Label("&Hour", 1728, 8, 42, 40), Edit(1714, 50, 40, 40), UpDown(1715, 90, 40),
            Label("&Minute", 1727, 8, 58, 40), Edit(1716, 50, 56, 40), UpDown(1717, 90, 56),
            Label("&Second", 1724, 8, 74, 40), Edit(1719, 50, 72, 40), UpDown(1718, 90, 72),
            Button("&Adjust", 1723, 110, 8, 50),
            Text(1710, 110, 26, 102, 10, SS_CENTER | SS_SUNKEN),
            Trackbar(1722, 8, 90, 204, 14, TBS_NOTICKS),
            DefButton("&OK", IDOK, 110, 104), Button("&Cancel", IDCANCEL, 164, 104),
        };
        platform::AddDialog(MAKEINTRESOURCEA(1700), t);
    }
    // Progress of long copies.
    {
        auto t = Dialog("", 180, 56, WS_POPUP | WS_CAPTION, "Helv");
        t.items = {
            {"OWL_Gauge", "foo", 1801, WS_VISIBLE, 0, 8, 8, 164, 12},
            Text(1802, 8, 24, 164, 8, SS_CENTER),
            Button("&Cancel", IDCANCEL, 65, 36),
        };
        platform::AddDialog(MAKEINTRESOURCEA(1800), t);
    }
    // Category chooser.
    {
        auto t = Dialog("", 200, 90, kModal | DS_CENTER, "Helv");
        t.items = {
            Text(207, 8, 8, 184, 16, SS_NOPREFIX),
            Combo(208, 8, 28, 184, CBS_DROPDOWN | CBS_SORT | CBS_AUTOHSCROLL),
            DefButton("&OK", IDOK, 8, 70),
            Button("&Cancel", IDCANCEL, 62, 70),
            Button("&Delete Category", 209, 116, 70, 76),
        };
        platform::AddDialog(MAKEINTRESOURCEA(206), t);
    }
    // Folder picker on the classic open-file template: only the folder parts are visible.
    {
        auto t = Dialog("Open", 241, 134, kModal, "Helv");
        t.items = {
            Label("File &Name:", 1090, 308, 6, 76), Edit(1152, 308, 16, 90),
            {WC_LISTBOX, "", 1120, WS_VISIBLE | WS_BORDER | WS_VSCROLL | LBS_SORT, 0, 308, 32, 90, 68},
            Label("&Directories:", -1, 6, 6, 92), Text(1088, 6, 18, 92, 10, SS_NOPREFIX),
            {WC_LISTBOX, "", 1121, kTab | WS_BORDER | WS_VSCROLL | LBS_SORT | LBS_NOTIFY, 0, 6, 32, 92, 68},
            Label("List Files of &Type:", 1089, 308, 104, 90), Combo(1136, 308, 114, 90, CBS_DROPDOWNLIST),
            Label("Dri&ves:", 1091, 6, 104, 92), Combo(1137, 6, 114, 92, CBS_DROPDOWNLIST),
            DefButton("OK", IDOK, 180, 6), Button("Cancel", IDCANCEL, 180, 24),
            Button("&Help", 1038, 180, 46), Check("&Read Only", 1040, 308, 68, 50),
        };
        for (auto& item : t.items) {
            if (item.x >= 308) {
                item.style &= ~WS_VISIBLE;
            }
        }
        platform::AddDialog(MAKEINTRESOURCEA(30600), t);
    }
    // File name pattern.
    {
        auto t = Dialog("File name pattern", 230, 120, kModal | DS_CENTER);
        t.items = {
            Label("&File name pattern (with date/time abbreviation, no extension)", 4202, 8, 8, 214),
            Edit(4201, 8, 20, 214),
            Button("&Insert code", 4204, 8, 38, 60),
            Combo(4205, 72, 38, 150, CBS_DROPDOWNLIST),
            Text(4203, 8, 56, 214),
            Group("Instance", -1, 8, 68, 214, 30),
            Radio("&Always append filename instance number ( _1 )", 4207, 14, 76, 200, true),
            Radio("&Only append instance number when required.", 4209, 14, 86, 200),
            DefButton("OK", IDOK, 118, 102), Button("Cancel", IDCANCEL, 172, 102),
        };
        platform::AddDialog(MAKEINTRESOURCEA(4200), t);
    }
}
}
