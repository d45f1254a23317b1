// Comment-header rewriting on arbitrary input: open, replace the comments,
// write into memory. Nothing may crash, hang or leak.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "files/VorbisCommentEditor.h"
#include "files/VorbisComments.h"

namespace {
struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
};

std::size_t ReadInput(void* buffer, std::size_t size, std::size_t count, void* handle)
{
    auto* in = static_cast<Input*>(handle);
    const std::size_t want = size * count;
    const std::size_t n = want < in->size - in->pos ? want : in->size - in->pos;
    std::memcpy(buffer, in->data + in->pos, n);
    in->pos += n;
    return size ? n / size : 0;
}

std::size_t WriteOutput(void* buffer, std::size_t size, std::size_t count, void* handle)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(handle);
    const auto* p = static_cast<const std::uint8_t*>(buffer);
    out->insert(out->end(), p, p + size * count);
    return count;
}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input in{data, size, 0};
    VorbisCommentEditor editor(ReadInput, WriteOutput);
    if (editor.Open(&in) != 0) {
        return 0;
    }
    VorbisComments list;
    list.LoadFrom(editor.Comments());
    list.Add("fennwicke timecode", "SAMPLE TIMECODE\r\n");
    for (int i = 0; i < list.Count(); ++i) {
        IsValidCommentName(list.NameAt(i));
    }
    list.StoreTo(editor.Comments());
    std::vector<std::uint8_t> out;
    editor.Write(&out);

    // The rewritten stream must open again.
    Input again{out.data(), out.size(), 0};
    VorbisCommentEditor second(ReadInput, WriteOutput);
    second.Open(&again);
    return 0;
}
