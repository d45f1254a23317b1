// The timecode text stored in the recording and its signature line; the same
// text, tab-separated, is what the crash journal holds.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "files/RecFile.h"
#include "files/SigningSeed.h"
#include "platform/core/Strings.h"

namespace {
// Every line of both texts fits a 260-byte buffer with its CR LF.
constexpr std::size_t kMaxLine = 258;
constexpr std::size_t kMaxReadLine = 259;
constexpr std::size_t kMaxWord = 79;

std::string CommentLine(const MarkerComment& c)
{
    char head[64];
    std::snprintf(head, sizeof head, "COMMENT %lu\t%lu\t", static_cast<unsigned long>(c.start),
                  static_cast<unsigned long>(c.end));
    std::string text = c.text.substr(0, c.text.find_first_of("\r\n"));
    // A long text is cut, never its line end: the reader stops at a broken line.
    const std::size_t room = kMaxLine - std::strlen(head) - 2;
    if (text.size() > room) {
        text.resize(room);
    }
    return head + text + "\r\n";
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The first word of a line (cut at kMaxWord) and where the rest begins.
std::string FirstWord(const std::string& line, std::size_t* rest)
{
    std::size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) {
        ++i;
    }
    std::size_t j = i;
    while (j < line.size() && !IsBlank(line[j]) && line[j] != '\r') {
        ++j;
    }
    *rest = j;
    return line.substr(i, std::min(j - i, kMaxWord));
}

}

std::vector<TimeMarker> RecFile::ListedMarkers()
{
    std::vector<TimeMarker> listed;
    for (int i = 0; i < GetMarkerCount(); ++i) {
        if (GetMarkerSpan(i) != 0) {
            listed.push_back(markers[static_cast<std::size_t>(i)]);
        }
    }
    return listed;
}

const RecFile::ListedText& RecFile::Listed()
{
    const bool lastSpansAudio = !markers.empty() && GetMarkerSpan(GetMarkerCount() - 1) != 0;
    if (listedText && listedText->lastSpansAudio == lastSpansAudio && listedText->markers == markers &&
        listedText->comments == comments) {
        return *listedText;
    }
    ListedText built;
    built.markers = markers;
    built.comments = comments;
    built.lastSpansAudio = lastSpansAudio;
    built.text = BuildText(false);
    // Each marker as position (4 bytes), 4 zero bytes and the 64-bit time, little-endian.
    for (const TimeMarker& m : ListedMarkers()) {
        char rec[16] = {};
        for (int i = 0; i < 4; ++i) {
            rec[i] = static_cast<char>(m.position >> (8 * i));
        }
        for (int i = 0; i < 8; ++i) {
            rec[8 + i] = static_cast<char>(static_cast<std::uint64_t>(m.time) >> (8 * i));
        }
        built.digestBytes.append(rec, sizeof rec);
    }
    listedText = std::move(built);
    return *listedText;
}

void RecFile::FeedListedMarkers(Sha1State* s)
{
    const std::string& bytes = Listed().digestBytes;
    Sha1Update(s, bytes.data(), bytes.size());
}

std::string RecFile::BuildText(bool journal)
{
    std::string text = journal ? "SAMPLE\tTIMECODE\r\n" : "SAMPLE TIMECODE\r\n";
    char num[24];
    // The journal keeps every marker: the start marker of a recording still
    // without audio has no span yet, and a crash must not lose its time.
    for (const TimeMarker& m : journal ? markers : ListedMarkers()) {
        text.append(num, std::to_chars(num, num + sizeof num, static_cast<unsigned long>(m.position)).ptr);
        text += journal ? '\t' : ' ';
        // The whole 64-bit time: times after 2038 come back as they were.
        text.append(num, std::to_chars(num, num + sizeof num, static_cast<std::int64_t>(m.time)).ptr);
        text += "\r\n";
    }
    for (const MarkerComment& c : comments) {
        text += CommentLine(c);
    }
    return text;
}

bool RecFile::ParseText(const char* text, bool force, bool journal)
{
    const char* p = text;
    while (*p) {
        const char* lf = std::strchr(p, '\n');
        const std::size_t len = lf ? static_cast<std::size_t>(lf - p) : std::strlen(p);
        if (len > kMaxReadLine) {
            return false;
        }
        const std::string line(p, len);
        p = lf ? lf + 1 : p + len;
        std::size_t rest = 0;
        const std::string word = FirstWord(line, &rest);
        const char* after = line.c_str() + rest;
        if (!word.empty() && (std::atol(word.c_str()) != 0 || word[0] == '0')) {
            const DWORD pos = static_cast<DWORD>(std::strtoul(word.c_str(), nullptr, 10));
            const __time64_t time = std::strtoll(after, nullptr, 10);
            AddMarkerImpl(pos, time, force, false);
        } else if (EqualsNoCase(word, "SAMPLE") || EqualsNoCase(word, "EVENT") || EqualsNoCase(word, "STATION")) {
            continue;
        } else if (EqualsNoCase(word, "COMMENT")) {
            char* end = nullptr;
            const DWORD start = static_cast<DWORD>(std::strtoul(after, &end, 10));
            const DWORD stop = static_cast<DWORD>(std::strtoul(end, &end, 10));
            while (IsBlank(*end)) {
                ++end;
            }
            std::string body(end);
            body = body.substr(0, std::min(body.find('\r'), kMaxReadLine));
            AddCommentImpl(body.c_str(), start, stop, force);
        } else if (!journal && EqualsNoCase(word, "SIGNATURE")) {
            std::size_t r2 = 0;
            const std::string hex = FirstWord(after, &r2);
            for (int i = 0; i < 20; ++i) {
                const std::size_t at = static_cast<std::size_t>(2 * i);
                const int hi = at < hex.size() ? platform::HexDigit(hex[at]) : -1;
                const int lo = at + 1 < hex.size() ? platform::HexDigit(hex[at + 1]) : -1;
                digest[i] = (hi < 0 || lo < 0) ? 0 : static_cast<std::uint8_t>(hi * 16 + lo);
            }
        } else {
            break;
        }
    }
    return true;
}

bool RecFile::SaveTimecode()
{
    if (readOnly) {
        return false;
    }
    // The journal first: it holds the lists while the text is being replaced.
    const bool noCompanion = MarkerFileNameFor(name).empty();
    const bool journalled = WriteMarkerFile() || noCompanion;
    if (ListsKeptBeside()) {
        if (noCompanion && (!markers.empty() || !comments.empty()) && !warnedUnkept) {
            warnedUnkept = true;
            std::fprintf(stderr, "Markers and comments are not kept: the file has no tag and its name no companion file: %s\n",
                         name.c_str());
        }
        textStored = journalled;
        return journalled;
    }
    std::string text = Listed().text;
    if (signing && ComputeDigest(digest)) {
        text += "SIGNATURE ";
        char hex[3];
        for (std::uint8_t b : digest) {
            std::snprintf(hex, sizeof hex, "%2.2x", b);
            text += hex;
        }
        text += "\r\n";
    }
    textStored = SetInfo(TimecodeItemName, text.c_str());
    if (textStored) {
        journalPending = false;
    }
    return textStored && journalled;
}

bool RecFile::LoadTimecode()
{
    const bool wasDirty = dirty;
    ClearMarkers();
    ClearComments();
    // A journal that cannot be read leaves the file's own text in charge.
    if (restoreFromJournal && ReadMarkerFile()) {
        return true;
    }
    char* text = GetInfo(TimecodeItemName);
    if (!text) {
        return ReadMarkerFile();
    }
    ParseText(text, true, false);
    delete[] text;
    const std::size_t loaded = markers.size();
    PruneMarkers();
    // Loading alone changes nothing on disk: a signed recording that is only played
    // keeps its text, signature line included.
    dirty = wasDirty || markers.size() != loaded;
    return true;
}

bool RecFile::VerifySignature()
{
    bool any = false;
    for (std::uint8_t b : digest) {
        any = any || b != 0;
    }
    if (!any) {
        return true;
    }
    Sha1State s;
    Sha1Init(&s);
    const std::string seed = SigningSeed();
    Sha1Update(&s, seed.data(), seed.size());
    DigestRange(&s, 0, GetDataSize());
    FeedListedMarkers(&s);
    std::uint8_t now[20];
    Sha1Final(&s, now);
    return std::memcmp(now, digest, 20) != 0;
}
