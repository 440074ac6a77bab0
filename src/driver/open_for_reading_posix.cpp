#include "driver/open_for_reading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zspack {

std::FILE* OpenForReading(const std::string& path) {
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
}

}  // namespace zspack
