// Text colours, background mode and alignment; text drawn and measured with pango on the surfaces.
#include <pango/pangocairo.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "platform/core/Strings.h"
#include "platform/gdi/DeviceContext.h"

using namespace platform::gdi_detail;

COLORREF SetTextColor(HDC dc, COLORREF colour)
{
    DeviceContext* d = Dc(dc);
    if (!d) {
        return CLR_INVALID;
    }
    const COLORREF old = d->text;
    d->text = colour & 0xFFFFFF;
    return old;
}

COLORREF SetBkColor(HDC dc, COLORREF colour)
{
    DeviceContext* d = Dc(dc);
    if (!d) {
        return CLR_INVALID;
    }
    const COLORREF old = d->bk;
    d->bk = colour & 0xFFFFFF;
    return old;
}

int SetBkMode(HDC dc, int mode)
{
    DeviceContext* d = Dc(dc);
    if (!d) {
        return 0;
    }
    const int old = d->bkMode;
    d->bkMode = mode;
    return old;
}

UINT SetTextAlign(HDC dc, UINT align)
{
    DeviceContext* d = Dc(dc);
    if (!d) {
        return 0;
    }
    const UINT old = d->align;
    d->align = align;
    return old;
}

namespace {
// One pango context for the GUI thread: 96 dots an inch, as the dialog units
// assume, grey anti-aliasing and whole-pixel metrics so cells line up with pixels.
PangoContext* Context()
{
    static PangoContext* context = [] {
        PangoContext* c = pango_font_map_create_context(pango_cairo_font_map_get_default());
        pango_cairo_context_set_resolution(c, 96);
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
        pango_cairo_context_set_font_options(c, options);
        cairo_font_options_destroy(options);
        return c;
    }();
    return context;
}

const PangoFontDescription* Font(const DeviceContext* d)
{
    static std::map<std::string, PangoFontDescription*> fonts;
    const std::string name = d && d->font && !d->font->font.empty() ? d->font->font : "Sans 8";
    PangoFontDescription*& f = fonts[name];
    if (!f) {
        f = pango_font_description_from_string(name.c_str());
    }
    return f;
}

// Pango takes only UTF-8: a stray byte of the program's text becomes U+FFFD.
std::string ValidText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = platform::Utf8Sequence(text, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(text.substr(i, n));
            i += n;
        }
    }
    return out;
}

struct Layout {
    PangoLayout* layout;
    explicit Layout(const DeviceContext* d, const std::string& text) : layout(pango_layout_new(Context()))
    {
        pango_layout_set_font_description(layout, Font(d));
        pango_layout_set_text(layout, text.c_str(), static_cast<int>(text.size()));
    }
    ~Layout() { g_object_unref(layout); }
    Layout(const Layout&) = delete;
    Layout& operator=(const Layout&) = delete;
    SIZE Size() const
    {
        int w = 0;
        int h = 0;
        pango_layout_get_pixel_size(layout, &w, &h);
        return SIZE{w, h};
    }
    int Baseline() const { return pango_layout_get_baseline(layout) / PANGO_SCALE; }
};

// Draws a laid-out text with its top-left corner at (x, y), clipped to clip when given.
void Show(DeviceContext* d, const Layout& l, int x, int y, const RECT* clip)
{
    platform::Surface& s = *d->surface;
    if (!s.words) {
        return;
    }
    BeginCairo(s);
    cairo_t* cr = cairo_create(s.image);
    if (clip) {
        cairo_rectangle(cr, clip->left, clip->top, clip->right - clip->left, clip->bottom - clip->top);
        cairo_clip(cr);
    }
    const COLORREF c = d->text;
    cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, l.layout);
    cairo_destroy(cr);
    EndCairo(s);
}

void Record(DeviceContext* d, std::string_view text)
{
    if (d->surface) {
        std::string& drawn = d->surface->drawnText;
        if (!drawn.empty()) {
            drawn += '\n';
        }
        drawn += text;
    }
}
}

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length)
{
    DeviceContext* d = Dc(dc);
    if (!d || !d->surface || !text || length < 0) {
        return FALSE;
    }
    const std::string_view s(text, static_cast<std::size_t>(length));
    const Layout l(d, ValidText(s));
    const SIZE size = l.Size();
    int left = x;
    int top = y;
    if ((d->align & TA_CENTER) == TA_CENTER) {
        left -= size.cx / 2;
    } else if (d->align & TA_RIGHT) {
        left -= size.cx;
    }
    if ((d->align & TA_BASELINE) == TA_BASELINE) {
        top -= l.Baseline();
    } else if (d->align & TA_BOTTOM) {
        top -= size.cy;
    }
    if (d->bkMode == OPAQUE) {
        Fill(d, left, top, left + size.cx, top + size.cy, d->bk);
    }
    if (!d->surface->mono) {
        Show(d, l, left, top, nullptr);
    }
    Record(d, s);
    return TRUE;
}

BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int length, SIZE* size)
{
    if (!dc || !text || !size || length < 0) {
        return FALSE;
    }
    const Layout l(Dc(dc), ValidText(std::string_view(text, static_cast<std::size_t>(length))));
    *size = l.Size();
    if (length == 0) {
        size->cx = 0;
    }
    return TRUE;
}

namespace {
// A mnemonic's underline: the pixel row below the baseline of its line, as wide
// as its character, in the text colour and whole pixels.
void Underline(DeviceContext* d, const Layout& l, std::size_t index, int x, int y, const RECT* clip)
{
    PangoRectangle pos{};
    pango_layout_index_to_pos(l.layout, static_cast<int>(index), &pos);
    int baseline = pango_layout_get_baseline(l.layout);
    PangoLayoutIter* it = pango_layout_get_iter(l.layout);
    do {
        const PangoLayoutLine* line = pango_layout_iter_get_line_readonly(it);
        if (static_cast<int>(index) >= line->start_index && static_cast<int>(index) < line->start_index + line->length) {
            baseline = pango_layout_iter_get_baseline(it);
            break;
        }
    } while (pango_layout_iter_next_line(it));
    pango_layout_iter_free(it);
    const int row = y + PANGO_PIXELS(baseline) + 1;
    int left = x + PANGO_PIXELS(pos.x);
    int right = x + PANGO_PIXELS(pos.x + pos.width);
    if (clip) {
        if (row < clip->top || row >= clip->bottom) {
            return;
        }
        left = std::max<int>(left, clip->left);
        right = std::min<int>(right, clip->right);
    }
    Fill(d, left, row, right, row + 1, d->text);
}

// The text without its prefix characters, and the byte each underline stands under.
std::string StripPrefixes(std::string_view text, std::vector<std::size_t>& underlined)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            ++i;
            if (text[i] != '&') {
                underlined.push_back(out.size());
            }
        } else if (text[i] == '&') {
            continue;
        }
        out += text[i];
    }
    return out;
}
}

int DrawTextA(HDC dc, LPCSTR text, int length, RECT* rect, UINT format)
{
    DeviceContext* d = Dc(dc);
    if (!d || !d->surface || !text || !rect) {
        return 0;
    }
    std::string_view raw(text, length < 0 ? std::strlen(text) : static_cast<std::size_t>(length));
    std::vector<std::size_t> underlined;
    std::string shown = format & DT_NOPREFIX ? std::string(raw) : StripPrefixes(raw, underlined);
    if (format & DT_SINGLELINE) {
        for (char& c : shown) {
            if (c == '\n' || c == '\r') {
                c = ' ';
            }
        }
    }
    shown = ValidText(shown);
    const Layout l(d, shown);
    const int width = rect->right - rect->left;
    if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE) && width > 0) {
        pango_layout_set_width(l.layout, width * PANGO_SCALE);
        pango_layout_set_wrap(l.layout, PANGO_WRAP_WORD_CHAR);
    }
    const PangoAlignment align = format & DT_CENTER ? PANGO_ALIGN_CENTER : format & DT_RIGHT ? PANGO_ALIGN_RIGHT : PANGO_ALIGN_LEFT;
    pango_layout_set_alignment(l.layout, align);
    const SIZE size = l.Size();
    if (format & DT_CALCRECT) {
        // The width the lines take (a word wider than the rectangle widens it).
        rect->right = rect->left + size.cx;
        rect->bottom = rect->top + size.cy;
        return size.cy;
    }
    // A wrapped layout aligns within its width; a single one is placed here.
    int x = rect->left;
    if (!(format & DT_WORDBREAK) || width <= 0) {
        if (format & DT_CENTER) {
            x = (rect->left + rect->right - size.cx) / 2;
        } else if (format & DT_RIGHT) {
            x = rect->right - size.cx;
        }
    }
    int y = rect->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER) {
            y = (rect->top + rect->bottom - size.cy) / 2;
        } else if (format & DT_BOTTOM) {
            y = rect->bottom - size.cy;
        }
    }
    const RECT* clip = format & DT_NOCLIP ? nullptr : rect;
    if (d->bkMode == OPAQUE) {
        RECT box{x, y, x + size.cx, y + size.cy};
        if (clip) {
            box = RECT{std::max(box.left, clip->left), std::max(box.top, clip->top), std::min(box.right, clip->right),
                       std::min(box.bottom, clip->bottom)};
        }
        Fill(d, box.left, box.top, box.right, box.bottom, d->bk);
    }
    if (!d->surface->mono) {
        Show(d, l, x, y, clip);
        for (std::size_t at : underlined) {
            Underline(d, l, at, x, y, clip);
        }
    }
    Record(d, shown);
    return size.cy;
}
