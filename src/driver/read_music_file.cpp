#include "driver/read_music_file.h"

#include <cstdio>
#include <string>

#include "driver/open_for_reading.h"
#include "image/depack.h"

namespace zspack {

MusicFile ReadMusicFile(std::string_view name) {
  MusicFile result;
  // An embedded NUL would open a different file than the one named.
  if (name.empty() || name.find('\0') != std::string_view::npos) {
    result.status = ReadStatus::kCannotOpen;
    return result;
  }
  // At most the deciding bytes and one more; anything later would lie after an end record
  // or after a store past the image, and cannot change the result. Left uninitialised:
  // only the pages that the file's bytes are read into get touched.
  constexpr size_t kBufferSize = kDepackDecidingBytes + 1;
  const std::string path(name);
  std::FILE* file = OpenForReading(path);
  if (file == nullptr) {
    result.status = ReadStatus::kCannotOpen;
    return result;
  }
  result.buffer.reset(new uint8_t[kBufferSize]);
  result.size = std::fread(result.buffer.get(), 1, kBufferSize, file);
  const bool readWell = std::ferror(file) == 0;
  const bool closed = std::fclose(file) == 0;
  result.status = (readWell & closed) ? ReadStatus::kOk : ReadStatus::kReadFailed;
  return result;
}

}  // namespace zspack
