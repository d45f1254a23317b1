#pragma once
// A stand-in StatusNotifierItem watcher and host on a test's private session bus: it
// takes the watcher's name, holds the items that register, and reads and calls them as
// a desktop's panel would. Its bus traffic is handled while the test runs the toolkit (RunUntil).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::display::testing {
class StandInWatcher {
public:
    // hostRegistered: what it answers when asked whether a host shows its items.
    StandInWatcher(const std::string& busAddress, bool hostRegistered);
    ~StandInWatcher();
    StandInWatcher(const StandInWatcher&) = delete;
    StandInWatcher& operator=(const StandInWatcher&) = delete;
    // Whether it holds the watcher's name on the bus.
    bool Running() const;
    // The items registered and still on the bus: "service/path".
    std::vector<std::string> Items() const;

    // An item's string property ("Title", "Id", "Status", "Category"); empty when it has none.
    std::string Text(const std::string& item, const std::string& property) const;
    // The title of its tooltip.
    std::string ToolTipTitle(const std::string& item) const;
    struct Picture {
        int width = 0;
        int height = 0;
        std::vector<std::uint8_t> argb;  // network byte order, row by row
    };
    std::vector<Picture> Pictures(const std::string& item) const;
    // How many times the item's connection has sent this signal ("NewIcon", "NewToolTip").
    int Signals(const std::string& item, const std::string& signal) const;
    // Calls a method with the two coordinates ("Activate", "ContextMenu"); false when the item did not answer.
    bool Call(const std::string& item, const std::string& method, int x, int y) const;

    struct State;

private:
    std::unique_ptr<State> state_;
};
}
