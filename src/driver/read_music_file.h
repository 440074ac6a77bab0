// ReadMusicFile: opens a tracker file by name and reads at most the bytes that can
// decide a depack, so a file of any size costs one bounded buffer; every failure comes
// back as a value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace zspack {

enum class ReadStatus {
  kOk,
  kCannotOpen,   // missing, no access, a directory, an empty name
  kReadFailed,   // the file opened but a read or close failed
};

struct MusicFile {
  ReadStatus status = ReadStatus::kOk;
  std::unique_ptr<uint8_t[]> buffer;
  size_t size = 0;

  std::span<const uint8_t> bytes() const { return {buffer.get(), size}; }
};

MusicFile ReadMusicFile(std::string_view name);

}  // namespace zspack
