// DepackMusic: takes a whole tracker file (load address, target address, escape byte,
// run-length stream) and fills MusicImage from it; it never reads past the bytes it is
// given and never stores outside $403C..$B3FF, reporting a malformed file as a value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/music_image.h"

namespace zspack {

enum class DepackStatus {
  kDone,
  kTooShort,           // fewer than five bytes in the whole file
  kNoEndRecord,        // the stream ends before its end record
  kRunCutShort,        // a run record is cut off by the end of the file
  kTargetBelowImage,   // the target address lies below $403C
  kBeyondImage,        // a record would store past $B3FF
};

// The file's header: the load address (ignored), the target address, the escape byte.
inline constexpr size_t kLoadAddressBytes = 2;
inline constexpr size_t kStreamHeaderBytes = 3;
// A literal byte and the end record: the least a file that may depack can hold.
inline constexpr size_t kShortestFile = kLoadAddressBytes + kStreamHeaderBytes;
// A run record: escape, count, value; a count of 0 ends the stream.
inline constexpr size_t kRunRecordBytes = 3;

// A prefix of a file long enough to decide its depack: every record stores at least one
// entry and takes at most three bytes, so a stream that has not ended within a full image
// of records, the record after them and some room to spare has already stored past it.
inline constexpr size_t kDepackDecidingBytes =
    kShortestFile + kRunRecordBytes * (static_cast<size_t>(kImageSize) + 1) + 1;

// `file` is the whole tracker file, or its first kDepackDecidingBytes + 1 bytes when the
// file is longer.
DepackStatus DepackMusic(std::span<const uint8_t> file, MusicImage& image);

}  // namespace zspack
