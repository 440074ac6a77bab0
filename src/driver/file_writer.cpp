#include "driver/file_writer.h"

#include <cstdio>

namespace zspack {

WriteStatus WriteWholeFile(const char* name, std::string_view text) {
  std::FILE* file = std::fopen(name, "wb");
  if (file == nullptr) return WriteStatus::kCannotCreate;
  // Each step runs whatever failed before it, so the file is always closed.
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const bool flushed = std::fflush(file) == 0;
  const bool closed = std::fclose(file) == 0;
  return (written & flushed & closed) ? WriteStatus::kOk : WriteStatus::kWriteFailed;
}

}  // namespace zspack
