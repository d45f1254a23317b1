#pragma once
// Rewrites the comment header of an Ogg Vorbis stream: Open reads the three
// header packets of the input, the caller replaces Comments(), and Write
// produces the whole stream again with the new comment header, carrying the
// audio packets over with their granule positions and copying whatever
// follows the stream unchanged.
#include <cstddef>
#include <memory>

struct vorbis_comment;

class VorbisCommentEditor {
public:
    // fread/fwrite-shaped transfer functions and the handle they are given.
    using IoFunction = std::size_t (*)(void* buffer, std::size_t size, std::size_t count, void* handle);

    VorbisCommentEditor(IoFunction read, IoFunction write);
    ~VorbisCommentEditor();
    VorbisCommentEditor(const VorbisCommentEditor&) = delete;
    VorbisCommentEditor& operator=(const VorbisCommentEditor&) = delete;

    // 0, or -1 with LastError set.
    int Open(void* input);
    // The comments read by Open, replaced by the caller before Write; null
    // before a successful Open.
    vorbis_comment* Comments();
    // 0, or -1 with LastError set.
    int Write(void* output);
    const char* LastError() const;

private:
    struct State;
    // One run of Write, step by step (VorbisCommentEditor.cpp).
    class Rewrite;
    std::unique_ptr<State> s_;
    IoFunction read_;
    IoFunction write_;
};
