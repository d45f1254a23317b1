#pragma once
// Whole recording files on the clipboard: a file's bytes as one block in the
// format of its type, and such a block written back to a file, in steps.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/user/Window.h"

// CF_WAVE for WAV, else the format registered by the type's name ("mp3", "wmv", "ogg").
UINT ClipboardFormatOf(int type);
// The percentage shown while `remaining` of `total` bytes are still to go.
int TransferPercent(std::uint64_t remaining, std::uint64_t total);

// Called before each step with the bytes still to go; false stops the transfer (cancel).
using TransferStep = std::function<bool(std::uint64_t remaining, std::uint64_t total)>;

// Reads the whole file into a block and hands it to the clipboard under
// format, replacing what was there. False, with the clipboard untouched, when
// the file cannot be read whole, a step stops it or the clipboard refuses it.
bool FileToClipboard(HWND owner, const char* path, UINT format, std::size_t step, const TransferStep& proceed);

enum class ClipboardToFileResult { Written, NoData, NoRoom, Failed, Cancelled };
// Writes the clipboard's block of format to path (replacing a file there only
// once every byte is written: a failure leaves no partial file and an old one
// as it was). haveRoom, when given, is asked with the block's size first.
ClipboardToFileResult ClipboardToFile(HWND owner, UINT format, const char* path, std::size_t step,
                                      const TransferStep& proceed,
                                      const std::function<bool(std::uint64_t size)>& haveRoom = nullptr);
