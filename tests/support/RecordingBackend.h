#pragma once
// A headless backend that writes down every notification, installed for one test's lifetime.
#include <string>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/user/Headless.h"

namespace testsupport {
class RecordingBackend : public platform::headless::HeadlessBackend {
public:
    struct Change {
        HWND window;
        platform::WindowChange what;
        platform::WindowState state;  // as the backend saw it then
    };

    RecordingBackend() { previous_ = platform::InstallBackend(this); }
    ~RecordingBackend() override { platform::InstallBackend(previous_); }

    void WindowCreated(HWND window, const platform::WindowState& state) override { created.push_back({window, state}); }
    void WindowChanged(HWND window, const platform::WindowState& state, platform::WindowChange what) override
    {
        changes.push_back({window, what, state});
        for (HWND gone : destroyed) {
            afterDestroyed += gone == window ? 1 : 0;
        }
    }
    void WindowDestroyed(HWND window) override { destroyed.push_back(window); }
    void SurfaceChanged(HWND window, const platform::Surface& surface) override
    {
        surfaces.push_back({window, platform::SurfacePixel(surface, 0, 0), platform::SurfaceText(surface)});
    }

    // The last change of this kind for the window, or null.
    const Change* Last(HWND window, platform::WindowChange what) const
    {
        for (auto it = changes.rbegin(); it != changes.rend(); ++it) {
            if (it->window == window && it->what == what) {
                return &*it;
            }
        }
        return nullptr;
    }
    void Forget()
    {
        created.clear();
        changes.clear();
        destroyed.clear();
        surfaces.clear();
        afterDestroyed = 0;
    }

    struct Created {
        HWND window;
        platform::WindowState state;
    };
    struct Drawn {
        HWND window;
        COLORREF topLeft;
        std::string text;
    };
    std::vector<Created> created;
    std::vector<Change> changes;
    std::vector<HWND> destroyed;
    std::vector<Drawn> surfaces;
    int afterDestroyed = 0;  // changes reported for a window the backend was told is gone

private:
    platform::Backend* previous_ = nullptr;
};
}
