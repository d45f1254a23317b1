// Timecode texts and companion marker files of arbitrary bytes: loading never
// crashes, and what loads saves into lines that every reader accepts.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/FuzzFiles.h"
#include "tests/files/MemoryRecFile.h"

namespace {
// Every saved line fits 258 characters and ends with CR LF.
void CheckLines(const std::string& text)
{
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t lf = text.find('\n', start);
        if (lf == std::string::npos || lf - start + 1 > 258 || lf == start || text[lf - 1] != '\r') {
            std::abort();
        }
        start = lf + 1;
    }
}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const std::string body(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1) {
        // As a companion file next to a recording with audio and no text.
        const std::string rec = ScratchFolder() + "/take.wav";
        if (FILE* f = std::fopen((ScratchFolder() + "/take.~av").c_str(), "wb")) {
            std::fwrite(body.data(), 1, body.size(), f);
            std::fclose(f);
        }
        MemoryRecFile file(rec.c_str());
        file.data.assign(100000, 1);
        file.open();
        file.update();
        CheckLines(file.text);
        file.CloseMarkerFile();
        std::remove((ScratchFolder() + "/take.~av").c_str());
    } else {
        MemoryRecFile file;
        file.data.assign(100000, 1);
        file.SetText(std::string(body.c_str()));
        file.open();
        file.VerifySignature();
        file.SetDirty(true);
        file.update();
        CheckLines(file.text);
        MemoryRecFile again;
        again.data = file.data;
        again.SetText(file.text);
        again.open();
        if (again.GetMarkerCount() != file.GetMarkerCount()) {
            std::abort();
        }
    }
    return 0;
}
