// Reading a tracker file from disk: what cannot be opened, a read-only file, and files far
// larger than any music (or endless), of which only the bytes that decide a depack are read.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/read_music_file.h"
#include "image/depack.h"
#include "support/process.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

const std::vector<uint8_t> kTune = {0x01, 0x08, 0x3C, 0x40, 0xBF, 0x42, 0xBF, 0x00};

TEST(ReadMusicFile, NamesThatCannotBeOpened) {
  TempDir dir;
  const std::string existing = dir / "tune.prg";
  WriteBytes(existing, kTune);
  ASSERT_EQ(mkdir((dir / "folder.prg").c_str(), 0755), 0);
  const std::string names[] = {dir / "missing.prg", dir / "folder.prg", "", existing + std::string(1, '\0') + "x"};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ReadMusicFile(name).status, ReadStatus::kCannotOpen);
  }
}

TEST(ReadMusicFile, ReadOnlyFileIsReadWhole) {
  TempDir dir;
  const std::string path = dir / "tune.prg";
  WriteBytes(path, kTune);
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  const MusicFile file = ReadMusicFile(path);
  ASSERT_EQ(file.status, ReadStatus::kOk);
  EXPECT_EQ(std::vector<uint8_t>(file.bytes().begin(), file.bytes().end()), kTune);
}

TEST(ReadMusicFile, ReadFailingAfterOpenIsAReadFailure) {
  // The process's own memory file opens, but reading its first page (never mapped) fails.
  EXPECT_EQ(ReadMusicFile("/proc/self/mem").status, ReadStatus::kReadFailed);
}

TEST(ReadMusicFile, HugeAndEndlessFilesAreDecidedFromABoundedPrefix) {
  TempDir dir;
  // 3 GB: zero literals from $403C on, which run past the image long before the file ends.
  // The file is sparse, so it costs no disk.
  const std::string sparse = dir / "huge.prg";
  WriteBytes(sparse, {0x01, 0x08, 0x3C, 0x40, 0xBF});
  ASSERT_EQ(truncate(sparse.c_str(), off_t{3} << 30), 0);
  for (const auto& [name, status] : {std::pair{sparse, DepackStatus::kBeyondImage},
                                     std::pair{std::string("/dev/zero"), DepackStatus::kTargetBelowImage}}) {
    SCOPED_TRACE(name);
    const MusicFile file = ReadMusicFile(name);
    ASSERT_EQ(file.status, ReadStatus::kOk);
    EXPECT_EQ(file.size, kDepackDecidingBytes + 1);
    MusicImage image;
    EXPECT_EQ(DepackMusic(file.bytes(), image), status);
  }
}

}  // namespace
}  // namespace zspack::testing
