// Reading and depacking tracker files from disk: the record kinds of the run-length
// stream, the edges of the image, files that are not what the tracker saves, and files
// far larger than any music.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "image/depack.h"
#include "driver/read_music_file.h"
#include "support/process.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

constexpr uint8_t E = 0xBF;  // the escape byte of most cases

// A tracker file: load address, target address, escape byte, then the stream as given.
std::vector<uint8_t> Tracker(uint32_t target, uint8_t escape, std::vector<uint8_t> stream,
                             uint16_t load = 0x0801) {
  stream.insert(stream.begin(), {static_cast<uint8_t>(load & 0xFF), static_cast<uint8_t>(load >> 8),
                                 static_cast<uint8_t>(target & 0xFF),
                                 static_cast<uint8_t>((target >> 8) & 0xFF), escape});
  return stream;
}

std::vector<uint8_t> Repeat(size_t count, uint8_t value) {
  return std::vector<uint8_t>(count, value);
}

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Consecutive entries from `address` on that the depacker must have stored.
struct Stored {
  uint32_t address;
  std::vector<uint8_t> bytes;
};

// The whole image in runs of 255 and one of 56: 116 * 255 + 56 = 29,636 entries.
std::vector<uint8_t> WholeImageInRuns() {
  std::vector<uint8_t> stream;
  for (int i = 0; i < 116; ++i) stream.insert(stream.end(), {E, 255, static_cast<uint8_t>(i + 1)});
  stream.insert(stream.end(), {E, 56, 0x77, E, 0});
  return Tracker(kImageFirst, E, stream);
}

std::vector<Stored> WholeImageInRunsStored() {
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 116; ++i) {
    const std::vector<uint8_t> run = Repeat(255, static_cast<uint8_t>(i + 1));
    bytes.insert(bytes.end(), run.begin(), run.end());
  }
  const std::vector<uint8_t> last = Repeat(56, 0x77);
  bytes.insert(bytes.end(), last.begin(), last.end());
  return {{kImageFirst, bytes}};
}

// The longest stream that still fits: every entry of the image as its own three-byte run.
std::vector<uint8_t> EveryEntryAsARun() {
  std::vector<uint8_t> stream;
  for (uint32_t a = kImageFirst; a <= kImageLast; ++a) {
    stream.insert(stream.end(), {E, 1, static_cast<uint8_t>(a & 0xFF)});
  }
  stream.insert(stream.end(), {E, 0});
  return Tracker(kImageFirst, E, stream);
}

std::vector<Stored> EveryEntryAsARunStored() {
  std::vector<uint8_t> bytes;
  for (uint32_t a = kImageFirst; a <= kImageLast; ++a) bytes.push_back(static_cast<uint8_t>(a & 0xFF));
  return {{kImageFirst, bytes}};
}

struct DepackCase {
  const char* name;
  std::vector<uint8_t> file;
  DepackStatus status;
  std::vector<Stored> stored;  // a depacked file: all other entries stay 0
  bool readOnly = false;
};

constexpr DepackStatus kDone = DepackStatus::kDone;

const std::vector<DepackCase>& Cases() {
  static const std::vector<DepackCase> cases = {
      // Files the tracker can save.
      {"OnlyTheEndRecord", Tracker(0x403C, E, {E, 0}), kDone, {}},
      {"LiteralsThenEnd", Tracker(0x4200, E, {0x10, 0x20, 0x30, E, 0}), kDone,
       {{0x4200, {0x10, 0x20, 0x30}}}},
      {"EscapeZeroCodesZeroBytesAsRuns", Tracker(0x403C, 0x00, {1, 0, 3, 0, 2, 0, 0}), kDone,
       {{0x403C, {1, 0, 0, 0, 2}}}},
      {"RunOf255", Tracker(0x4100, E, {E, 255, 7, 9, E, 0}), kDone,
       {{0x4100, Concat(Repeat(255, 7), {9})}}},
      {"RunOfOneEscapeByte", Tracker(0x403C, E, {E, 1, E, 5, E, 0}), kDone, {{0x403C, {E, 5}}}},
      {"RunLengthEqualToTheEscapeByte", Tracker(0x5400, E, {E, E, 3, 4, E, 0}), kDone,
       {{0x5400, Concat(Repeat(E, 3), {4})}}},
      {"EscapeFF", Tracker(0x403C, 0xFF, {0xFE, 0xFF, 2, 0xFF, 0, 0xFF, 0}), kDone,
       {{0x403C, {0xFE, 0xFF, 0xFF, 0}}}},
      {"TargetAfterTheSongSpeedsLeavesThemZero", Tracker(0x4040, E, {0x11, 0x22, E, 0}), kDone,
       {{0x4040, {0x11, 0x22}}}},
      {"BytesAfterTheEndRecordIgnored",
       Tracker(0x403C, E, {0x11, E, 0, 0x22, 0x33, E, 5, 0x44, 0x01, 0x08, 0x3C, 0x40, E, 0x55}),
       kDone, {{0x403C, {0x11}}}},
      {"LoadAddressZeroIgnored", Tracker(0x4800, E, {0xAA, E, 0}, 0x0000), kDone,
       {{0x4800, {0xAA}}}},
      {"LoadAddressFFFFIgnored", Tracker(0x4800, E, {0xAA, E, 0}, 0xFFFF), kDone,
       {{0x4800, {0xAA}}}},
      {"ReadOnlyFileReadNormally", Tracker(0x403C, E, {0x42, E, 0}), kDone, {{0x403C, {0x42}}},
       true},
      {"LiteralAtTheLastEntry", Tracker(0xB3FF, E, {0x42, E, 0}), kDone, {{0xB3FF, {0x42}}}},
      {"RunEndingExactlyAtTheLastEntry", Tracker(0xB301, E, {E, 255, 7, E, 0}), kDone,
       {{0xB301, Repeat(255, 7)}}},
      {"Sector95EndingExactlyAtTheLastEntry",
       Tracker(0xB300, E, {E, 254, 0x30, 0xFF, E, 0}), kDone,
       {{0xB300, Concat(Repeat(254, 0x30), {0xFF})}}},
      {"WholeImage", WholeImageInRuns(), kDone, WholeImageInRunsStored()},
      {"LongestPossibleStream", EveryEntryAsARun(), kDone, EveryEntryAsARunStored()},
      {"LongestPossibleStreamWithPadding", Concat(EveryEntryAsARun(), Repeat(200 * 1024, 0x11)),
       kDone, EveryEntryAsARunStored()},
      {"ShortStreamWith200KBOfPadding",
       Concat(Tracker(0x403C, E, {0x42, E, 0}), Repeat(200 * 1024, 0x33)), kDone,
       {{0x403C, {0x42}}}},
      {"TargetAboveTheImageWithOnlyTheEndRecord", Tracker(0xB400, E, {E, 0}), kDone, {}},

      // Files the tracker never saves.
      {"EmptyFile", {}, DepackStatus::kTooShort, {}},
      {"OneByte", {0x01}, DepackStatus::kTooShort, {}},
      {"FourBytes", {0x01, 0x08, 0x3C, 0x40}, DepackStatus::kTooShort, {}},
      {"HeaderWithoutStream", Tracker(0x403C, E, {}), DepackStatus::kNoEndRecord, {}},
      {"StreamWithoutEnd", Tracker(0x403C, E, {1, 2, E, 3, 4}), DepackStatus::kNoEndRecord, {}},
      {"EscapeAtTheVeryEnd", Tracker(0x403C, E, {1, E}), DepackStatus::kRunCutShort, {}},
      {"RunWithoutValue", Tracker(0x403C, E, {1, E, 5}), DepackStatus::kRunCutShort, {}},
      {"TargetJustBelowTheImage", Tracker(0x403B, E, {0x42, E, 0}),
       DepackStatus::kTargetBelowImage, {}},
      {"TargetBelowTheImageWithOnlyTheEndRecord", Tracker(0x403B, E, {E, 0}),
       DepackStatus::kTargetBelowImage, {}},
      {"TargetZero", Tracker(0x0000, E, {E, 0}), DepackStatus::kTargetBelowImage, {}},
      {"LiteralPastTheLastEntry", Tracker(0xB3FF, E, {0x11, 0x22, E, 0}),
       DepackStatus::kBeyondImage, {}},
      {"LiteralAboveTheImage", Tracker(0xB400, E, {0x11, E, 0}), DepackStatus::kBeyondImage, {}},
      {"RunCrossingTheLastEntry", Tracker(0xB302, E, {E, 255, 7, E, 0}),
       DepackStatus::kBeyondImage, {}},
      {"RunAtTheTopOfMemoryDoesNotWrap", Tracker(0xFFFF, E, {E, 2, 7, E, 0}),
       DepackStatus::kBeyondImage, {}},
      {"OneLiteralAfterTheWholeImage",
       [] {
         std::vector<uint8_t> file = WholeImageInRuns();
         file.insert(file.end() - 2, 0x42);  // before the end record
         return file;
       }(),
       DepackStatus::kBeyondImage, {}},
  };
  return cases;
}

void PrintTo(const DepackCase& c, std::ostream* os) { *os << c.name; }

class DepackFileTest : public ::testing::TestWithParam<DepackCase> {};

TEST_P(DepackFileTest, GivesTheStatusConsoleTextAndImage) {
  const DepackCase& c = GetParam();
  TempDir dir;
  const std::string path = dir / "tune.prg";
  WriteBytes(path, c.file);
  if (c.readOnly) {
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  }

  const MusicFile file = ReadMusicFile(path);
  ASSERT_EQ(file.status, ReadStatus::kOk);
  MusicImage image;
  EXPECT_EQ(DepackMusic(file.bytes(), image), c.status);
  if (c.status == kDone) {
    MusicImage expected;
    for (const Stored& s : c.stored) {
      for (size_t i = 0; i < s.bytes.size(); ++i) {
        expected.Set(s.address + static_cast<uint32_t>(i), s.bytes[i]);
      }
    }
    for (uint32_t a = kImageFirst; a <= kImageLast; ++a) {
      if (image.At(a) != expected.At(a)) {
        ADD_FAILURE() << "first difference at $" << std::hex << std::uppercase << a << ": got "
                      << image.At(a) << ", expected " << expected.At(a);
        break;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Files, DepackFileTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<DepackCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(ReadMusicFile, FilesThatCannotBeOpened) {
  TempDir dir;
  WriteBytes(dir / "tune.prg", Tracker(0x403C, E, {0x42, E, 0}));
  ASSERT_EQ(mkdir((dir / "folder.prg").c_str(), 0755), 0);
  const std::string existing = dir / "tune.prg";
  struct Case {
    const char* what;
    std::string name;
  };
  const Case cases[] = {
      {"missing", dir / "missing.prg"},
      {"a directory", dir / "folder.prg"},
      {"empty name", ""},
      {"a NUL cuts an existing name short", existing + std::string(1, '\0') + "x"},
      {"missing folder on the way", dir / "nowhere/tune.prg"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ReadMusicFile(c.name).status, ReadStatus::kCannotOpen);
  }
}

TEST(ReadMusicFile, ReadFailingAfterOpenIsAReadFailure) {
  // The process's own memory file opens, but reading its first page (never mapped) fails.
  EXPECT_EQ(ReadMusicFile("/proc/self/mem").status, ReadStatus::kReadFailed);
}

long PeakResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// The growth of the peak memory of a read, in KiB. The read runs in a forked copy of the
// test, whose peak starts from the memory in use at the fork and not from the highest mark
// that earlier tests left behind.
long PeakGrowthOfReadKiB(const std::string& name) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const long before = PeakResidentKiB();
    const MusicFile file = ReadMusicFile(name);
    const long growth = PeakResidentKiB() - before;
    const bool sent = write(fds[1], &growth, sizeof growth) == sizeof growth;
    _exit(sent ? 0 : 1);
  }
  close(fds[1]);
  long growth = -1;
  if (read(fds[0], &growth, sizeof growth) != sizeof growth) growth = -1;
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return growth;
}

TEST(ReadMusicFile, HugeFilesAreDecidedFromABoundedPrefix) {
  TempDir dir;
  // 3 GB of zero bytes after a header with escape $BF: zero literals from $403C on, which
  // run past the image long before the file ends. The file is sparse, so it costs no disk.
  const std::string sparse = dir / "huge.prg";
  WriteBytes(sparse, Tracker(0x403C, E, {}));
  const int fd = open(sparse.c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, off_t{3} * 1024 * 1024 * 1024), 0);
  ASSERT_EQ(close(fd), 0);

  struct Case {
    std::string name;
    DepackStatus status;
  };
  const Case cases[] = {
      {sparse, DepackStatus::kBeyondImage},
      {"/dev/zero", DepackStatus::kTargetBelowImage},  // never ends at all
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const MusicFile file = ReadMusicFile(c.name);
    ASSERT_EQ(file.status, ReadStatus::kOk);
    EXPECT_EQ(file.size, kDepackDecidingBytes + 1);
    MusicImage image;
    EXPECT_EQ(DepackMusic(file.bytes(), image), c.status);

    const long growth = PeakGrowthOfReadKiB(c.name);
    EXPECT_GE(growth, 0) << "the measuring copy of the test failed";
    EXPECT_LT(growth, 64 * 1024) << "KiB of peak memory growth";
  }
}

}  // namespace
}  // namespace zspack::testing
