// Icons and bitmaps: the transport button faces (normal, down, disabled) on the
// buttons' transparent grey, the slider thumbs and the program's icons.
#include <cmath>

#include "platform/user/Resources.h"
#include "resources/Resources.h"

namespace resources {
namespace {
constexpr COLORREF kKey = RGB(192, 192, 192);  // the buttons' transparent background

enum class Glyph { Record, Stop, Play, Rewind, Forward };

COLORREF Darker(COLORREF c)
{
    return RGB(GetRValue(c) * 3 / 5, GetGValue(c) * 3 / 5, GetBValue(c) * 3 / 5);
}

// Whether a pixel centre lies in the glyph; glyphs are drawn on a 16-pixel grid and scaled.
bool Inside(Glyph glyph, double x, double y)
{
    switch (glyph) {
    case Glyph::Record:
        return (x - 8) * (x - 8) + (y - 8) * (y - 8) <= 5.5 * 5.5;
    case Glyph::Stop:
        return x >= 3.5 && x <= 12.5 && y >= 3.5 && y <= 12.5;
    case Glyph::Play:
        return x >= 4.5 && x <= 12.5 && std::abs(y - 8) <= (12.5 - x) * 0.6 + 0.3;
    case Glyph::Forward:
    case Glyph::Rewind: {
        // Two arrowheads side by side, pointing the way the button moves.
        const double xx = glyph == Glyph::Forward ? x : 16 - x;
        const double tip = xx < 8.5 ? 8.5 : 13.5;
        return xx >= tip - 5 && xx <= tip && std::abs(y - 8) <= (tip - xx) * 0.9 + 0.3;
    }
    }
    return false;
}

// The glyph filled with ink inside a one-pixel rim of a darker shade, on the key colour.
platform::ImageResource Face(Glyph glyph, COLORREF ink, int size = 16)
{
    platform::ImageResource img{size, size, std::vector<COLORREF>(static_cast<std::size_t>(size * size), kKey)};
    const double scale = 16.0 / size;
    auto in = [&](int x, int y) { return x >= 0 && y >= 0 && x < size && y < size && Inside(glyph, (x + 0.5) * scale, (y + 0.5) * scale); };
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            if (!in(x, y)) {
                continue;
            }
            const bool edge = !in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1);
            img.pixels[static_cast<std::size_t>(y * size + x)] = edge ? Darker(ink) : ink;
        }
    }
    return img;
}

// A slider thumb: a raised face with a grip groove across the way it moves.
platform::ImageResource Thumb(int w, int h)
{
    platform::ImageResource img{w, h, std::vector<COLORREF>(static_cast<std::size_t>(w * h), RGB(225, 225, 225))};
    auto put = [&](int x, int y, COLORREF c) { img.pixels[static_cast<std::size_t>(y * w + x)] = c; };
    for (int x = 0; x < w; ++x) {
        put(x, 0, RGB(255, 255, 255));
        put(x, h - 1, RGB(64, 64, 64));
    }
    for (int y = 0; y < h; ++y) {
        put(0, y, RGB(255, 255, 255));
        put(w - 1, y, RGB(64, 64, 64));
    }
    if (h > w) {
        for (int x = 2; x < w - 2; ++x) {
            put(x, h / 2 - 1, RGB(128, 128, 128));
            put(x, h / 2, RGB(255, 255, 255));
        }
    } else {
        for (int y = 2; y < h - 2; ++y) {
            put(w / 2 - 1, y, RGB(128, 128, 128));
            put(w / 2, y, RGB(255, 255, 255));
        }
    }
    return img;
}
}

void RegisterImages()
{
    const COLORREF dark = RGB(48, 48, 48);
    const COLORREF black = RGB(0, 0, 0);
    const COLORREF disabled = RGB(150, 150, 150);
    struct Faces {
        Glyph glyph;
        int normal, down, off;
        COLORREF normalInk, downInk;
    };
    // The button of what runs is down: its face lights up.
    const Faces faces[] = {
        {Glyph::Record, 705, 704, 719, RGB(170, 0, 0), RGB(255, 32, 32)},
        {Glyph::Stop, 701, 702, 714, dark, black},
        {Glyph::Play, 700, 703, 718, RGB(0, 120, 0), RGB(0, 200, 0)},
        {Glyph::Rewind, 707, 706, 712, dark, black},
        {Glyph::Forward, 709, 708, 713, dark, black},
    };
    for (const Faces& f : faces) {
        platform::AddBitmap(f.normal, Face(f.glyph, f.normalInk));
        platform::AddBitmap(f.down, Face(f.glyph, f.downInk));
        platform::AddBitmap(f.off, Face(f.glyph, disabled));
    }
    platform::AddBitmap(32000, Thumb(11, 21));  // position slider: moves sideways
    platform::AddBitmap(32001, Thumb(21, 11));  // threshold slider: moves up and down
    // The program, and the tray's states: recording, stopped, sound heard.
    platform::AddIcon(1002, Face(Glyph::Record, RGB(200, 0, 0), 32));
    platform::AddIcon(1004, Face(Glyph::Record, RGB(200, 0, 0)));
    platform::AddIcon(1005, Face(Glyph::Record, disabled));
    platform::AddIcon(1006, Face(Glyph::Record, RGB(255, 64, 64)));
}
}
