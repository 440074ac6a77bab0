// DepackMusic: takes the bytes of a tracker file after its two-byte load address and
// fills MusicImage from the run-length stream; it never reads past the bytes it is given
// and never stores outside $403C..$B3FF, reporting a malformed stream as a value instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "image/music_image.h"

namespace zspack {

enum class DepackStatus {
  kDone,
  kTooShort,           // fewer than five bytes in the whole file
  kNoEndRecord,        // the stream ends before its end record
  kRunCutShort,        // a run record is cut off by the end of the file
  kTargetBelowImage,   // the target address lies below $403C
  kBeyondImage,        // a record would store past $B3FF
};

// The longest prefix of a file that can decide a depack: every record stores at least one
// entry and takes at most three bytes, so a stream that has not ended after this many
// bytes has already stored past the image.
inline constexpr size_t kDepackDecidingBytes = 2 + 3 + 3 * static_cast<size_t>(kImageSize) + 2;

// `body` is the file without its load address (file offset 2 on), or its first
// kDepackDecidingBytes + 1 bytes when the file is longer.
DepackStatus DepackMusic(std::span<const uint8_t> body, MusicImage& image);

}  // namespace zspack
