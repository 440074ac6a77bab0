#include "image/read_music_file.h"

#include <cstdio>
#include <memory>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace zspack {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

bool IsDirectory(std::FILE* file) {
#ifdef _WIN32
  (void)file;
  return false;  // fopen refuses directories on Windows
#else
  struct stat info {};
  return fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode);
#endif
}

}  // namespace

ReadResult ReadMusicFile(std::string_view name, MusicImage& image, std::string& console) {
  console += "Reading \"";
  console += name;
  console += "\" ... ";

  // An embedded NUL would open a different file than the one named.
  if (name.empty() || name.find('\0') != std::string_view::npos) return {ReadStatus::kCannotOpen};
  const std::string path(name);
  std::FILE* raw = std::fopen(path.c_str(), "rb");
  if (raw == nullptr) return {ReadStatus::kCannotOpen};
  if (IsDirectory(raw)) {
    std::fclose(raw);
    return {ReadStatus::kCannotOpen};
  }
  std::unique_ptr<std::FILE, FileCloser> file(raw);

  // The load address and at most the deciding bytes after it; anything later would lie
  // after an end record or after a store past the image, and cannot change the result.
  // Left uninitialised: only the pages that the file's bytes are read into get touched.
  constexpr size_t kBufferSize = 2 + kDepackDecidingBytes + 1;
  const std::unique_ptr<uint8_t[]> buffer(new uint8_t[kBufferSize]);
  const size_t got = std::fread(buffer.get(), 1, kBufferSize, file.get());
  if (std::ferror(file.get()) != 0) return {ReadStatus::kReadFailed};
  if (std::fclose(file.release()) != 0) return {ReadStatus::kReadFailed};
  console += "ok.\n";

  console += "Depacking data ... ";
  if (got < 5) return {ReadStatus::kMalformed, DepackStatus::kTooShort};
  const DepackStatus status =
      DepackMusic(std::span<const uint8_t>(buffer.get(), got).subspan(2), image);
  if (status != DepackStatus::kDone) return {ReadStatus::kMalformed, status};
  console += "done.\n";
  return {};
}

}  // namespace zspack
