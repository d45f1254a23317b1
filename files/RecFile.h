#pragma once
// The recording file with time markers, comments, the timecode text with its
// signature line, and the companion marker file that journals the lists while the
// object lives; it runs the life cycle every container shares (RecFileLifeCycle.cpp).
// Adds slots 26-28 to MediaFile.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/MediaFile.h"
#include "files/Sha1.h"
#include "files/TimeMarker.h"
#include "platform/mmio/Mmio.h"

// What each container supplies to the life cycle RecFile runs (the temporary
// name at open, rename, Delete), to the journal and to the signature. Kept apart
// from the slot table so the slots keep their numbers.
class RecFileStorage {
public:
    virtual ~RecFileStorage() = default;

protected:
    // A new empty file under a generated name, for an open without a name.
    virtual bool MakeTemporaryName(char* out);
    // Lets the file go even when a close could not finish (destructors, Delete).
    virtual void ReleaseFile() {}
    // Delete leaves a nameless object: sizes and position back to 0.
    virtual void ForgetAudio() {}
    // Writes the current sizes into the headers in place, without moving.
    virtual bool RefreshSizes() { return true; }
    // Feeds the audio bytes [from, to) into state straight from the file; false when
    // the class has no such way (the bytes are then read through Read).
    virtual bool DigestAudio(Sha1State*, std::uint64_t, std::uint64_t) { return false; }
    // The audio of an interrupted recording was recovered: counts kept in the
    // headers are worked out again from it.
    virtual void AudioRecovered() {}
    // The recording cannot hold its own timecode text (an MP3 file written
    // without its ID3v2 tag): the companion file then keeps the lists for good.
    virtual bool ListsKeptBeside() { return false; }
};

class RecFile : public MediaFile, protected RecFileStorage {
public:
    explicit RecFile(const char* name);
    ~RecFile() override;

    // Saves, closes, moves the file (and a companion file that keeps the lists
    // for good) and opens it again under the new name at the same position.
    bool rename(const char* newName) override;
    bool update() override;
    // Closes and removes the file; the object stays, closed and nameless.
    bool Delete() override;
    DWORD GetPosition() override;
    bool position(DWORD bytes) override;
    DWORD GetLength() override;
    DWORD GetSeconds(DWORD bytes) override;
    DWORD GetDataSize() override;
    LONG Write(const void* data, LONG count) override;

    virtual bool open();                                 // 26
    virtual DWORD SecondsToPosition(LONG seconds);       // 27
    virtual __time64_t TimeAtPosition(DWORD bytes);      // 28

    // Markers; DWORD(-1) as a position means the current one.
    int GetMarkerCount() const { return static_cast<int>(markers.size()); }
    DWORD GetMarkerPosition(int n) const;
    __time64_t GetMarkerTime(int n) const;
    DWORD MarkerPosition(int n) const;
    int FindMarker(DWORD pos);
    void AddMarker(DWORD pos, __time64_t time, bool force = false);
    void DeleteMarker(int n);
    void ClearMarkers();
    DWORD GetMarkerSpan(int n);
    void PruneMarkers();
    DWORD GetNextMarkerPosition(DWORD pos);
    DWORD GetPrevMarkerPosition(DWORD pos);
    // One second in this file's positions: bytes, or samples for Ogg Vorbis;
    // 300 without a format record. Steps back by marker or comment count in it.
    DWORD PositionsPerSecond();
    DWORD PositionAtTime(__time64_t t);
    DWORD GetEarliestMarkerPosition();
    DWORD GetLatestEndPosition();

    // Comments.
    int GetCommentCount() const { return static_cast<int>(comments.size()); }
    DWORD GetCommentStart(int n) const;
    DWORD GetCommentEndAt(int n) const;
    const char* GetCommentTextAt(int n) const;
    const char* GetCommentText(DWORD pos) const;
    DWORD GetCommentEnd(DWORD pos) const;
    DWORD GetPrevCommentStart(DWORD pos) const;
    DWORD FindComment(const char* text) const;
    void AddComment(const char* text, DWORD start, DWORD end, bool force = false);
    void SplitComment(DWORD pos);
    void DeleteCommentAt(DWORD pos);
    void DeleteComment(int n);
    void ClearComments();

    // Timecode text, signature and companion file. SaveTimecode is false when the
    // text or the companion file could not be written; the companion file then
    // stays on disk (also past the object) until a later save succeeds.
    bool Sync();
    bool SaveTimecode();
    bool LoadTimecode();
    bool ReadMarkerFile();
    bool OpenMarkerFile();
    bool WriteMarkerFile();
    bool FlushMarkerFile();
    bool CloseMarkerFile();
    // True when a stored digest does not match the audio and markers as they are.
    bool VerifySignature();

    bool IsSigning() const { return signing; }
    const std::uint8_t* GetDigest() const { return digest; }
    const char* GetMarkerFileName() const { return markerFileName.c_str(); }
    // The companion name of a recording: the first letter of its extension made "~";
    // empty when the name has no three-letter extension.
    static std::string MarkerFileNameFor(const std::string& recording);
    // For a closed recording copied to a new name: its companion file, when it
    // has one, goes along (a stale one under the new name is replaced, no link
    // is followed). True when there was none to copy.
    static bool CopyMarkerFile(const std::string& recording, const std::string& copy);

protected:
    // The first step of every open: a nameless file gets a temporary name
    // (tempName set), a named one clears tempName. False, with openError 1,
    // when no name can be made or the open may not write: a read-only open
    // creates nothing.
    bool NameForOpen();
    // Opens the existing file with flags, else read-only (readOnly set, also
    // when the open flags hold no write access); null, with openError 1, when
    // neither works.
    HMMIO OpenExisting(DWORD flags);
    // The last step of a close: a file under a temporary name goes when it held
    // no unsaved changes at the call (true) and stays otherwise (false); any
    // other file gives result.
    bool FinishClose(bool wasDirty, bool result);
    // Removes the regular file under the name (through a link, the link): never
    // a folder, FIFO or device that has taken the recording's name.
    void RemoveNamedFile();
    // The context of this class's error texts ("riffFile"), followed by the operation.
    const char* errorContext = "recFile";
    // Closes an mmio handle for good and clears it: a failed close keeps the
    // handle open once, so it is closed again. False when the first close failed.
    static bool ReleaseMmio(HMMIO* handle);
    // For a class whose text reaches the disk only after update (at close): that
    // write failed, so the companion file must stay until a later save succeeds.
    void KeepMarkerFile() { journalPending = true; }
    // Moves the companion file to the companion name of `recording` (the
    // recording's new name, before it is reopened); true when there was none.
    bool MoveMarkerFile(const std::string& recording);
    // Audio written at a byte offset of the data: keeps the running digest.
    void NoteAudioWritten(std::uint64_t at, const void* data, std::size_t count);
    // Set by a file class that found an interrupted recording: the lists then come
    // from the companion file.
    bool restoreFromJournal = false;
    // An interrupted recording that was signed: the next save signs all its audio afresh.
    void ResumeSigning();

    std::vector<TimeMarker> markers;
    std::vector<MarkerComment> comments;
    bool signing = false;
    std::uint8_t digest[20] = {};
    Sha1State shaState = {};
    LONG writeCount = 0;
    HMMIO markerFile = nullptr;
    std::string markerFileName;
    bool saving = false;

private:
    void InsertMarker(const TimeMarker& m);
    void InsertComment(const MarkerComment& c);
    void AddMarkerImpl(DWORD pos, __time64_t time, bool force, bool markStart);
    void AddCommentImpl(const char* text, DWORD start, DWORD end, bool force);
    // A marker or comment was added: the journal gets it at once.
    void JournalAddition();
    // The markers the texts list: those with a non-zero span, in list order.
    std::vector<TimeMarker> ListedMarkers();
    void FeedListedMarkers(Sha1State* s);
    std::string BuildText(bool journal);
    bool ParseText(const char* text, bool force, bool journal);
    void StartDigest();
    // Feeds [from, to) through DigestAudio or else through position and Read; on
    // failure the state is left as it was.
    bool DigestRange(Sha1State* state, std::uint64_t from, std::uint64_t to);
    bool DigestByReading(Sha1State* state, std::uint64_t from, std::uint64_t to);
    bool ComputeDigest(std::uint8_t out[20]);

    std::uint64_t hashedBytes = 0;
    bool hashStale = false;
    // The companion file holds lists the recording's own text may lack.
    bool journalPending = false;
    // Whether the last SaveTimecode stored the text in the recording.
    bool textStored = false;
    // Said once: lists that neither the recording nor a companion file can keep.
    bool warnedUnkept = false;
    // The lists the open companion file holds, as last written: an update that finds them unchanged
    // compares them and builds no text, whatever their length.
    struct JournalLists {
        std::vector<TimeMarker> markers;
        std::vector<MarkerComment> comments;
    };
    std::optional<JournalLists> journaled;
    // The recording's own text and the digest's marker bytes, built again only when the lists changed (or the
    // last marker came to span audio): an update every few seconds costs a comparison, not a new text.
    struct ListedText {
        std::vector<TimeMarker> markers;
        std::vector<MarkerComment> comments;
        bool lastSpansAudio = false;
        std::string text;
        std::string digestBytes;
    };
    std::optional<ListedText> listedText;
    const ListedText& Listed();
};
