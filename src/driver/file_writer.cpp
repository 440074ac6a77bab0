#include "driver/file_writer.h"

#include <cstdio>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace zspack {

WriteStatus WriteWholeFile(const char* name, std::string_view text) {
  std::FILE* file = std::fopen(name, "wb");
  if (file == nullptr) return WriteStatus::kCannotCreate;
  const size_t written = std::fwrite(text.data(), 1, text.size(), file);
  const bool flushed = std::fflush(file) == 0;
  const bool closed = std::fclose(file) == 0;
  if (written != text.size() || !flushed || !closed) return WriteStatus::kWriteFailed;
  return WriteStatus::kOk;
}

}  // namespace zspack
