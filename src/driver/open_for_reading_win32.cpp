#include "driver/open_for_reading.h"

namespace zspack {

std::FILE* OpenForReading(const std::string& path) {
  return std::fopen(path.c_str(), "rb");  // fopen refuses directories on Windows
}

}  // namespace zspack
