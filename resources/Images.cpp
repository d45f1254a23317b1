// Icons and bitmaps, drawn here as small flat images: the transport button
// faces (normal, pressed, disabled), slider thumbs and the program's icons.
#include <cstdlib>

#include "platform/user/Resources.h"
#include "resources/Resources.h"

namespace resources {
namespace {
constexpr COLORREF kKey = RGB(192, 192, 192);  // the buttons' transparent background

enum class Glyph { Record, Stop, Play, Rewind, Forward, Thumb, Icon };

platform::ImageResource Draw(Glyph glyph, COLORREF ink, int w = 16, int h = 16)
{
    platform::ImageResource img{w, h, std::vector<COLORREF>(static_cast<std::size_t>(w * h), kKey)};
    auto put = [&](int x, int y) {
        if (x >= 0 && y >= 0 && x < w && y < h) {
            img.pixels[static_cast<std::size_t>(y * w + x)] = ink;
        }
    };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int cx = x - w / 2;
            const int cy = y - h / 2;
            switch (glyph) {
            case Glyph::Record:
                if (cx * cx + cy * cy <= (w / 3) * (w / 3)) {
                    put(x, y);
                }
                break;
            case Glyph::Stop:
                if (x >= w / 4 && x < w - w / 4 && y >= h / 4 && y < h - h / 4) {
                    put(x, y);
                }
                break;
            case Glyph::Play:
                if (x >= w / 4 && std::abs(cy) <= (x - w / 4) / 2) {
                    put(x, y);
                }
                break;
            case Glyph::Forward:
            case Glyph::Rewind: {
                const int xx = glyph == Glyph::Forward ? x : w - 1 - x;
                const int seg = xx % (w / 2);
                if (std::abs(cy) <= seg / 2) {
                    put(x, y);
                }
                break;
            }
            case Glyph::Thumb:
            case Glyph::Icon:
                put(x, y);
                break;
            }
        }
    }
    return img;
}
}

void RegisterImages()
{
    const COLORREF normal = RGB(0, 0, 0);
    const COLORREF pressed = RGB(0, 0, 128);
    const COLORREF disabled = RGB(128, 128, 128);
    const COLORREF red = RGB(200, 0, 0);
    struct Face {
        int id;
        Glyph glyph;
        COLORREF ink;
    };
    // Record 705/704/719, Stop 701/702/714, Play 700/703/718, Rewind 707/706/712, Forward 709/708/713.
    const Face faces[] = {
        {705, Glyph::Record, red},     {704, Glyph::Record, pressed},   {719, Glyph::Record, disabled},
        {701, Glyph::Stop, normal},    {702, Glyph::Stop, pressed},     {714, Glyph::Stop, disabled},
        {700, Glyph::Play, normal},    {703, Glyph::Play, pressed},     {718, Glyph::Play, disabled},
        {707, Glyph::Rewind, normal},  {706, Glyph::Rewind, pressed},   {712, Glyph::Rewind, disabled},
        {709, Glyph::Forward, normal}, {708, Glyph::Forward, pressed},  {713, Glyph::Forward, disabled},
    };
    for (const Face& f : faces) {
        platform::AddBitmap(f.id, Draw(f.glyph, f.ink));
    }
    platform::AddBitmap(32000, Draw(Glyph::Thumb, RGB(64, 64, 64), 11, 21));  // position slider thumb
    platform::AddBitmap(32001, Draw(Glyph::Thumb, RGB(64, 64, 64), 21, 11));  // threshold slider thumb
    platform::AddIcon(1002, Draw(Glyph::Record, red, 32, 32));
    platform::AddIcon(1004, Draw(Glyph::Record, red));
    platform::AddIcon(1005, Draw(Glyph::Record, disabled));
    platform::AddIcon(1006, Draw(Glyph::Record, RGB(255, 0, 0)));
}
}
