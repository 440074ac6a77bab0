#include "support/tracker_file.h"

namespace zspack::testing {

std::vector<uint8_t> PackImage(const MusicImage& image, uint32_t first, uint32_t last,
                               uint8_t escape, uint16_t loadAddress) {
  std::vector<uint8_t> out = {static_cast<uint8_t>(loadAddress & 0xFF),
                              static_cast<uint8_t>(loadAddress >> 8),
                              static_cast<uint8_t>(first & 0xFF), static_cast<uint8_t>(first >> 8),
                              escape};
  uint32_t a = first;
  while (a <= last) {
    const uint8_t value = image.Byte(a);
    uint32_t run = 1;
    while (a + run <= last && run < 255 && image.Byte(a + run) == value) ++run;
    if (run >= 4 || value == escape) {
      out.insert(out.end(), {escape, static_cast<uint8_t>(run), value});
      a += run;
    } else {
      out.push_back(value);
      ++a;
    }
  }
  out.insert(out.end(), {escape, 0});
  return out;
}

}  // namespace zspack::testing
