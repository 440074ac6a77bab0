#include "driver/read_music_file.h"

#include <cstdio>
#include <string>

#include "image/depack.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zspack {

namespace {

// Opens a file for reading; null for what cannot be opened, a directory included.
std::FILE* OpenForReading(const std::string& path) {
#ifdef _WIN32
  return std::fopen(path.c_str(), "rb");  // fopen refuses directories on Windows
#else
  // Without O_NONBLOCK, opening a named pipe that nobody writes to would wait for ever;
  // with it the open returns and the read then finds the pipe empty.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  // fstat and fcntl cannot fail on a descriptor just opened; fdopen only without memory.
  struct stat info {};
  fstat(fd, &info);
  std::FILE* file = S_ISDIR(info.st_mode) ? nullptr : fdopen(fd, "rb");
  if (file == nullptr) {
    close(fd);
    return nullptr;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return file;
#endif
}

}  // namespace

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
