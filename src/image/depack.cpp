#include "image/depack.h"

namespace zspack {

DepackStatus DepackMusic(std::span<const uint8_t> body, MusicImage& image) {
  // Header: target address (2), escape byte (1); the load address is already gone.
  if (body.size() < 3) return DepackStatus::kTooShort;
  uint32_t target = body[0] + 256u * body[1];
  const uint8_t escape = body[2];
  if (target < kImageFirst) return DepackStatus::kTargetBelowImage;

  size_t p = 3;
  for (;;) {
    if (p >= body.size()) return DepackStatus::kNoEndRecord;
    if (body[p] != escape) {
      if (target > kImageLast) return DepackStatus::kBeyondImage;
      image.Set(target++, body[p++]);
      continue;
    }
    if (p + 1 >= body.size()) return DepackStatus::kRunCutShort;
    const uint32_t count = body[p + 1];
    if (count == 0) return DepackStatus::kDone;
    if (p + 2 >= body.size()) return DepackStatus::kRunCutShort;
    if (target + count - 1 > kImageLast) return DepackStatus::kBeyondImage;
    const uint8_t value = body[p + 2];
    for (uint32_t i = 0; i < count; ++i) image.Set(target++, value);
    p += 3;
  }
}

}  // namespace zspack
