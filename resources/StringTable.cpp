// The string table: every numbered text of the program, as it is quoted.
#include "platform/user/Resources.h"
#include "resources/Resources.h"

namespace resources {
void RegisterStrings()
{
    struct Entry {
        UINT id;
        const char* text;
    };
    static const Entry kStrings[] = {
        // Tooltips of the transport buttons and the tray icon.
        {905, "Record  (Alt+R)"},
        {906, "Play  (Alt+P)"},
        {907, "Stop  (Alt+S)"},
        {908, "rewind  (left-cursor)"},
        {909, "fast-forward  (right-cursor)"},
        {1004, "Tapvox"},
        // Recorder engine and file layer.
        {3000, "The wave output device not available.\nThe wave device may be already in use by another program or another "
               "instance of this program.\nStop playback in the other program before playing this file."},
        {3020, "Can't prepare waveout buffer \n(mmoutdata)"},
        {3030, "Inq failure\n(mmdata)"},
        {3031, "Can't write compressed wave data\n(mmdata)"},
        {3032, "Can't write wave data \n(mmdata)"},
        {3034, "Can't keep up with conversion\n(mmdata acmstrconv)"},
        {3035, "Can't prepare wave buffer.\n(mmdata)"},
        {3036, "Can't add wave buffer.\n(mmdata)"},
        {3041, "Windows timer error \n(evtimer)"},
        {3050, "Windows timer error \n(spintimer)"},
        {3060, "Can't stop wavein \n(bnstop)"},
        {3061, "Can't reset wavein \n(bnstop)"},
        {3062, "Can't close wavein \n(bntop)"},
        {3071, "Can't open wave output device. Problem with device or bad format? \n(bnplay)"},
        {3080, "Can't allocate wave buffer memory \n(initdat)"},
        {3090, "Can't seek to position \n(position)"},
        {3145, "Can't open this sound file which utilized Audio Compression Manager. ACM not available, or compression codec "
               "not present or does not support requested bit-rate. \n(openfile)"},
        {3159, "Can't open file \n\t%s\nAlready in use by another program, or disk protected?"},
        {3170, "This compressed sound format may not be available on this computer.\n(acmopen formattagdetails)"},
        {3171, "acmformatsuggest failure\n(acmopen)"},
        {3172, "Cannot open this file using Audio Compression for Windows.\nEither the currect required codec not present, or "
               "the codec does not support the requested bit-rate,\nor computer is too slow for real-time conversion. \n(acmopen)"},
        {3173, "acmprepare failure\n(acmopen)"},
        {3195, "Can't delete file for rename. \n(savefile)"},
        {3220, "Can't delete temp file. \n(filecanclose)"},
        {3222, "Do you want to save?"},
        {3223, "Sound file has changed"},
        // Category chooser.
        {3300, "-- Not a valid category"},
        {3301, "Delete Category"},
        {3302, "Not a valid category name."},
        {3303, "Create Category"},
        {3304, "Delete pre-defined category: "},
        // Wave page.
        {3400, "Sample rate out of bounds \n(setwave apply)"},
        // Application shell.
        {3501, "Can't save level subkey.\nProgram settings will not be saved. \n(savesettings)"},
        {3502, "File write not successful.\n Program settings will not be saved. \n(savesettings)"},
        {3504, "Options"},
        {3505, "&Start recording"},
        {3506, "&Stop recording"},
        // Starting to listen.
        {3710, "Can't get wave input device capabilities. Driver problem or missing device? \n(listen)"},
        {3711, "Can't open Wave device for input.\nClose other programs using Wave and try again. \n(listen)"},
        {3712, "Can't prepare wave buffer. \n(listen)"},
        {3713, "Cannot add wave buffer. \n(listen)"},
        {3714, "Can't start wave input. \n(listen)"},
        // Timer page day lists.
        {3800, "Sunday"},
        {3801, "Monday"},
        {3802, "Tuesday"},
        {3803, "Wednesday"},
        {3804, "Thursday"},
        {3805, "Friday"},
        {3806, "Saturday"},
        {3807, "weekday"},
        {3808, "weekend"},
        {3809, "everyday"},
        {3810, "today"},
    };
    for (const Entry& e : kStrings) {
        platform::AddString(e.id, e.text);
    }
}
}
