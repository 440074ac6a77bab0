// ReadMusicFile: opens a tracker file by name, reads at most the bytes that can decide
// a depack (so a file of any size costs a bounded buffer) and depacks it into MusicImage,
// writing the "Reading" and "Depacking" console text; every failure comes back as a value.
#pragma once

#include <string>
#include <string_view>

#include "image/depack.h"
#include "image/music_image.h"

namespace zspack {

enum class ReadStatus {
  kOk,
  kCannotOpen,   // missing, no access, a directory, an empty name
  kReadFailed,   // the file opened but a read or close failed
  kMalformed,    // see the depack status
};

struct ReadResult {
  ReadStatus status = ReadStatus::kOk;
  DepackStatus depack = DepackStatus::kDone;
};

// Appends the console text of both steps to `console` up to the point of failure: the
// driver completes the line with the message that belongs to the failure.
ReadResult ReadMusicFile(std::string_view name, MusicImage& image, std::string& console);

}  // namespace zspack
