#include "image/depack.h"

namespace zspack {

DepackStatus DepackMusic(std::span<const uint8_t> file, MusicImage& image) {
  if (file.size() < kShortestFile) return DepackStatus::kTooShort;
  const std::span<const uint8_t> body = file.subspan(kLoadAddressBytes);
  uint32_t target = body[0] + 256u * body[1];
  const uint8_t escape = body[2];
  if (target < kImageFirst) return DepackStatus::kTargetBelowImage;

  size_t p = kStreamHeaderBytes;
  for (;;) {
    if (p >= body.size()) return DepackStatus::kNoEndRecord;
    // target >= kImageFirst throughout, so the checks below keep every store in the image.
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
    image.Fill(target, count, body[p + 2]);
    target += count;
    p += kRunRecordBytes;
  }
}

}  // namespace zspack
