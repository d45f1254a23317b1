// The marker and comment lists of a recording and the arithmetic between
// positions and wall-clock times.
#include <algorithm>
#include <cstdint>

#include "files/FileType.h"
#include "files/RecFile.h"
#include "platform/core/Strings.h"
#include "platform/kernel/Clock.h"

void RecFile::InsertMarker(const TimeMarker& m)
{
    TimeMarker copy = m;
    copy.reserved = 0;
    markers.push_back(copy);
    const std::size_t n = markers.size();
    if (n >= 2 && markers[n - 1].position < markers[n - 2].position) {
        std::stable_sort(markers.begin(), markers.end(),
                         [](const TimeMarker& a, const TimeMarker& b) { return a.position < b.position; });
    }
}

void RecFile::InsertComment(const MarkerComment& c)
{
    comments.push_back(c);
    const std::size_t n = comments.size();
    if (n >= 2 && comments[n - 1].start < comments[n - 2].start) {
        std::stable_sort(comments.begin(), comments.end(),
                         [](const MarkerComment& a, const MarkerComment& b) { return a.start < b.start; });
    }
}

DWORD RecFile::GetMarkerPosition(int n) const
{
    return (n >= 0 && n < GetMarkerCount()) ? markers[static_cast<std::size_t>(n)].position : DWORD(-1);
}

__time64_t RecFile::GetMarkerTime(int n) const
{
    return (n >= 0 && n < GetMarkerCount()) ? markers[static_cast<std::size_t>(n)].time : 0;
}

DWORD RecFile::MarkerPosition(int n) const
{
    return markers.empty() ? DWORD(-1) : GetMarkerPosition(n);
}

int RecFile::FindMarker(DWORD pos)
{
    if (pos == DWORD(-1)) {
        pos = GetPosition();
    }
    int found = -1;
    for (int i = 0; i < GetMarkerCount(); ++i) {
        if (markers[static_cast<std::size_t>(i)].position > pos) {
            break;
        }
        found = i;
    }
    return found;
}

void RecFile::AddMarker(DWORD pos, __time64_t time, bool force)
{
    AddMarkerImpl(pos, time, force, true);
    JournalAddition();
}

void RecFile::JournalAddition()
{
    if (!readOnly && IsOpen()) {
        WriteMarkerFile();
    }
}

void RecFile::AddMarkerImpl(DWORD pos, __time64_t time, bool force, bool markStart)
{
    if (readOnly && !force) {
        return;
    }
    if (pos == DWORD(-1)) {
        pos = GetPosition();
    }
    for (int i = GetMarkerCount() - 1; i >= 0 && markers[static_cast<std::size_t>(i)].position >= pos; --i) {
        if (markers[static_cast<std::size_t>(i)].position != pos) {
            continue;
        }
        if (markers[static_cast<std::size_t>(i)].time == time) {
            return;
        }
        DeleteMarker(i);
        InsertMarker({pos, 0, time < 0 ? _time64(nullptr) : time});
        if (!readOnly) {
            dirty = true;
        }
        return;
    }
    if (markStart && GetDataSize() > 0 && time > 0 && markers.empty() && pos != 0) {
        // The audio before the first timed marker carries no time.
        InsertMarker({0, 0, 0});
    }
    if (pos == DWORD(-1)) {
        pos = overwrite ? GetPosition() : GetLength();
    }
    InsertMarker({pos, 0, time < 0 ? _time64(nullptr) : time});
    if (!readOnly) {
        dirty = true;
    }
}

void RecFile::DeleteMarker(int n)
{
    if (readOnly || n < 0 || n >= GetMarkerCount()) {
        return;
    }
    markers.erase(markers.begin() + n);
}

void RecFile::ClearMarkers() { markers.clear(); }

DWORD RecFile::GetMarkerSpan(int n)
{
    if (n < 0 || n >= GetMarkerCount()) {
        return 0;
    }
    const DWORD here = markers[static_cast<std::size_t>(n)].position;
    if (n + 1 < GetMarkerCount()) {
        return markers[static_cast<std::size_t>(n) + 1].position - here;
    }
    return GetLength() - here;
}

void RecFile::PruneMarkers()
{
    if (GetDataSize() == 0) {
        markers.clear();
        return;
    }
    for (int i = 0; i < GetMarkerCount();) {
        if (GetMarkerSpan(i) == 0) {
            markers.erase(markers.begin() + i);
        } else {
            ++i;
        }
    }
}

DWORD RecFile::GetNextMarkerPosition(DWORD pos)
{
    if (GetDataSize() == 0) {
        return 0;
    }
    const int i = FindMarker(pos);
    return (i + 1 < GetMarkerCount()) ? markers[static_cast<std::size_t>(i + 1)].position : GetLength();
}

DWORD RecFile::PositionsPerSecond()
{
    if (!format) {
        return 300;
    }
    return GetFileType() == FileTypeOgg ? format->nSamplesPerSec : format->nAvgBytesPerSec;
}

DWORD RecFile::GetPrevMarkerPosition(DWORD pos)
{
    const std::uint64_t second = PositionsPerSecond();
    const DWORD cur = pos == DWORD(-1) ? GetPosition() : pos;
    const int i = FindMarker(pos);
    if (i >= 0 && cur > markers[static_cast<std::size_t>(i)].position + second) {
        return markers[static_cast<std::size_t>(i)].position;
    }
    return (i - 1 < 0) ? 0 : markers[static_cast<std::size_t>(i - 1)].position;
}

__time64_t RecFile::TimeAtPosition(DWORD pos)
{
    int c = 0;
    for (int i = 0; i < GetMarkerCount(); ++i) {
        const DWORD p = markers[static_cast<std::size_t>(i)].position;
        if (p <= pos && p > 0) {
            c = i;
        }
    }
    const __time64_t t = GetMarkerTime(c);
    // Before the first marker nothing tells the time.
    if (t == 0 || pos < markers[static_cast<std::size_t>(c)].position) {
        return 0;
    }
    return t + static_cast<__time64_t>(GetSeconds(pos - markers[static_cast<std::size_t>(c)].position));
}

DWORD RecFile::PositionAtTime(__time64_t t)
{
    const DWORD avg = format ? format->nAvgBytesPerSec : 0;
    const std::int64_t bps = avg ? avg : 8000;
    const DWORD ba = format ? format->nBlockAlign : 0;
    bool have = false;
    DWORD best = 0;
    std::int64_t bestDistance = 0;
    for (int i = 0; i < GetMarkerCount(); ++i) {
        const TimeMarker& m = markers[static_cast<std::size_t>(i)];
        if (m.time == 0) {
            continue;
        }
        const DWORD span = (i + 1 < GetMarkerCount())
                               ? markers[static_cast<std::size_t>(i + 1)].position - m.position - ba
                               : GetLength() - m.position;
        const __time64_t t0 = m.time;
        const __time64_t t1 = t0 + static_cast<__time64_t>(GetSeconds(span));
        if (t0 <= t && t <= t1) {
            return m.position + static_cast<DWORD>((t - t0) * bps);
        }
        DWORD candidate;
        std::int64_t distance;
        if (t > t1) {
            candidate = m.position + span;
            distance = t - t1;
        } else {
            candidate = m.position;
            distance = t0 - t;
        }
        if (!have || distance < bestDistance) {
            have = true;
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}

DWORD RecFile::GetEarliestMarkerPosition()
{
    int found = -1;
    for (int i = 0; i < GetMarkerCount(); ++i) {
        const __time64_t t = markers[static_cast<std::size_t>(i)].time;
        if (t != 0 && (found < 0 || t < markers[static_cast<std::size_t>(found)].time)) {
            found = i;
        }
    }
    return found < 0 ? 0 : markers[static_cast<std::size_t>(found)].position;
}

DWORD RecFile::GetLatestEndPosition()
{
    int found = -1;
    __time64_t latest = 0;
    for (int i = 0; i < GetMarkerCount(); ++i) {
        const DWORD span = GetMarkerSpan(i);
        const __time64_t end = markers[static_cast<std::size_t>(i)].time + static_cast<__time64_t>(GetSeconds(span));
        if (found < 0 || end > latest) {
            found = i;
            latest = end;
        }
    }
    return found < 0 ? 0 : markers[static_cast<std::size_t>(found)].position + GetMarkerSpan(found);
}

DWORD RecFile::GetCommentStart(int n) const
{
    return (n >= 0 && n < GetCommentCount()) ? comments[static_cast<std::size_t>(n)].start : 0;
}

DWORD RecFile::GetCommentEndAt(int n) const
{
    return (n >= 0 && n < GetCommentCount()) ? comments[static_cast<std::size_t>(n)].end : 0;
}

const char* RecFile::GetCommentTextAt(int n) const
{
    return (n >= 0 && n < GetCommentCount()) ? comments[static_cast<std::size_t>(n)].text.c_str() : "";
}

const char* RecFile::GetCommentText(DWORD pos) const
{
    for (const MarkerComment& c : comments) {
        if (c.start > pos) {
            break;
        }
        if (c.end == 0 || pos < c.end) {
            return c.text.c_str();
        }
    }
    return nullptr;
}

DWORD RecFile::GetCommentEnd(DWORD pos) const
{
    if (comments.empty()) {
        return 0;
    }
    for (const MarkerComment& c : comments) {
        if (c.start > pos) {
            return c.start;
        }
    }
    return DWORD(-1);
}

DWORD RecFile::GetPrevCommentStart(DWORD pos) const
{
    for (auto it = comments.rbegin(); it != comments.rend(); ++it) {
        if (it->start < pos) {
            return it->start;
        }
    }
    return 0;
}

DWORD RecFile::FindComment(const char* text) const
{
    for (const MarkerComment& c : comments) {
        if (text && lstrcmpiA(c.text.c_str(), text) == 0) {
            return c.start;
        }
    }
    return DWORD(-1);
}

void RecFile::AddComment(const char* text, DWORD start, DWORD end, bool force)
{
    AddCommentImpl(text, start, end, force);
    JournalAddition();
}

void RecFile::AddCommentImpl(const char* text, DWORD start, DWORD end, bool force)
{
    if (readOnly && !force) {
        return;
    }
    if (!text || !*text) {
        SplitComment(GetPosition());
        return;
    }
    if (start == DWORD(-1)) {
        start = GetPosition();
    }
    for (int i = GetCommentCount() - 1; i >= 0 && comments[static_cast<std::size_t>(i)].start >= start; --i) {
        if (comments[static_cast<std::size_t>(i)].start == start) {
            comments.erase(comments.begin() + i);
            dirty = true;
        }
    }
    SplitComment(start);
    if (end == DWORD(-1) || end == 0) {
        end = GetCommentEnd(start);
    }
    InsertComment({start, end, text});
    dirty = true;
}

void RecFile::SplitComment(DWORD pos)
{
    if (readOnly) {
        return;
    }
    for (int i = GetCommentCount() - 1; i >= 0; --i) {
        const MarkerComment& c = comments[static_cast<std::size_t>(i)];
        if (c.start < pos && (c.end == 0 || pos < c.end)) {
            MarkerComment cut{c.start, pos, c.text};
            comments.erase(comments.begin() + i);
            InsertComment(cut);
            dirty = true;
            return;
        }
        if (c.end < pos) {
            return;
        }
    }
}

void RecFile::DeleteCommentAt(DWORD pos)
{
    if (readOnly) {
        return;
    }
    for (std::size_t i = 0; i < comments.size() && comments[i].start <= pos; ++i) {
        if (comments[i].end == 0 || pos < comments[i].end) {
            comments.erase(comments.begin() + static_cast<std::ptrdiff_t>(i));
            dirty = true;
            return;
        }
    }
}

void RecFile::DeleteComment(int n)
{
    if (readOnly || n < 0 || n >= GetCommentCount()) {
        return;
    }
    comments.erase(comments.begin() + n);
}

void RecFile::ClearComments() { comments.clear(); }
