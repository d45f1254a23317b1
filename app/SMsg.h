#pragma once
// SMsg: the mix-in that turns a message number into its string-table text,
// shows it in a message box captioned "Tapvox", and appends warnings and trace
// lines to the log file. A process-wide counter caps the log entries.
#include <string>

#include "owl/Window.h"

class SMsg : virtual public OWL::TEventHandler {
public:
    explicit SMsg(OWL::TWindow* owner);
    ~SMsg() override;

    // The message box's result.
    int ShowMessage(int number, UINT flags);
    void LogMessage(int number);
    // True while the entry reached the log's budget (1 to 199); the 200th writes the final notice.
    bool Warning(const char* text);

    // The string-table text of a number, or "Diagnostic: <number>".
    std::string MessageText(int number) const;

    // The log file; an empty path switches logging off.
    static void SetLogPath(const std::string& path);
    static const std::string& LogPath();
    // The folder "Tapvox" in the common application-data folder (created), file "Tapvox.log";
    // when that folder cannot be had, "tapvox.log" beside the program.
    static std::string DefaultLogPath();
    static int WarningCount();

    static constexpr int kMaxWarnings = 200;
    static constexpr long kLogLimit = 10000;

protected:
    void WriteLog(const char* text);
    OWL::TWindow* Owner;
};
