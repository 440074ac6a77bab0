// libFuzzer's custom mutator and cross-over for the pack target: most mutations depack the
// input, edit the music with moves of music_moves.h (or change the switch bytes) and pack
// it again in the tracker's run-length format with a chosen escape byte, so that nearly
// every input reaches the explorer and the renderers. A fixed share stays byte-level on the
// raw input, and so does half of the work on inputs whose stream is broken, so the header
// and the depacker's error paths keep being fuzzed.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "fuzz_input.h"
#include "fuzz_stats.h"
#include "image/depack.h"
#include "music_moves.h"
#include "support/tracker_file.h"

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace zspack::fuzzing {
namespace {

// One mutation in this many is byte-level on the raw input.
constexpr uint32_t kByteLevelShare = 8;

constexpr size_t kHeaderBytes = 5;  // load address, target address, escape byte

// An input taken apart: its switch bytes, its file header and the depacked music.
struct Tune {
  uint8_t switches[kSwitchBytes] = {};
  uint16_t loadAddress = 0;
  uint32_t target = 0;
  uint8_t escape = 0;
  MusicImage image;
};

// Two tunes kept for the whole process: an image is too large to set up per mutation.
Tune& Scratch(int which) {
  static const std::unique_ptr<Tune[]> tunes = std::make_unique<Tune[]>(2);
  return tunes[static_cast<size_t>(which)];
}

// The bytes the mutator last made from the first scratch tune, while that tune still is
// their depacked form: libFuzzer mutates an output again several times in a row, and the
// tune need not be depacked anew then.
struct LastOutput {
  std::vector<uint8_t> bytes;
  bool valid = false;
};

LastOutput& Last() {
  static LastOutput last;
  return last;
}

// How the input's stream depacked; a broken one leaves what it stored before it broke.
DepackStatus Depack(std::span<const uint8_t> input, Tune& tune) {
  if (&tune == &Scratch(0)) {
    // The tune is about to change, so it stays valid only until Repack.
    const bool same = Last().valid && std::equal(input.begin(), input.end(), Last().bytes.begin(), Last().bytes.end());
    Last().valid = false;
    if (same) return DepackStatus::kDone;
  }
  if (input.size() < kSwitchBytes + kHeaderBytes) return DepackStatus::kTooShort;
  const std::span<const uint8_t> file = input.subspan(kSwitchBytes);
  std::copy_n(input.begin(), kSwitchBytes, tune.switches);
  tune.loadAddress = static_cast<uint16_t>(file[0] | file[1] << 8);
  tune.target = file[2] | file[3] << 8u;
  tune.escape = file[4];
  tune.image.Clear();
  return DepackMusic(file, tune.image);
}

// Whether a depacked input is mutated as music: always when whole; half of the time when
// its stream broke after the header, as what it stored is music too.
bool MutateAsMusic(DepackStatus status, MoveRandom& random) {
  return status == DepackStatus::kDone || (status != DepackStatus::kTooShort && random.OneIn(2));
}

// The index of the first (or last) non-zero image entry, -1 when all are zero.
int FindSetEntry(const MusicImage& image, bool last) {
  for (uint32_t n = 0; n < kImageSize; ++n) {
    const uint32_t at = last ? kImageSize - 1 - n : n;
    if (image.At(kImageFirst + at) != 0) return static_cast<int>(at);
  }
  return -1;
}

// Packs the tune from its target address (or the lowest entry set below it) to its last
// non-zero entry, behind its switch bytes; 0 when that does not fit in `maxSize`. The tune
// then describes the output exactly, as a depack of it would.
size_t Repack(Tune& tune, uint8_t escape, uint8_t* out, size_t maxSize) {
  uint32_t first = std::clamp(tune.target, kImageFirst, kImageLast);
  uint32_t last = first;
  if (const int firstSet = FindSetEntry(tune.image, false); firstSet >= 0) {
    first = std::min(first, kImageFirst + static_cast<uint32_t>(firstSet));
    last = std::max(first, kImageFirst + static_cast<uint32_t>(FindSetEntry(tune.image, true)));
  }
  const std::vector<uint8_t> file = testing::PackImage(tune.image, first, last, escape, tune.loadAddress);
  if (kSwitchBytes + file.size() > maxSize) {
    ++Stats().tooLarge;
    return 0;
  }
  std::memcpy(out, tune.switches, kSwitchBytes);
  std::memcpy(out + kSwitchBytes, file.data(), file.size());
  ++Stats().structureAware;
  tune.target = first;
  tune.escape = escape;
  const size_t size = kSwitchBytes + file.size();
  Last().bytes.assign(out, out + size);
  Last().valid = &tune == &Scratch(0);
  return size;
}

uint8_t ChooseEscape(const Tune& tune, MoveRandom& random) {
  switch (random.Below(16)) {
    case 0: return random.Byte();
    case 1: return 0x00;  // every zero entry then needs a run record
    default: return tune.escape;
  }
}

// One switch byte set to a value that selects something: a song or all, a start address
// at either end or in between, the PSID flag and name pair, a SID model digit.
void MutateSwitch(Tune& tune, MoveRandom& random) {
  static constexpr uint16_t kStarts[] = {0x0000, 0x0801, 0x1000, 0xC000, 0xFFFF};
  uint8_t* s = tune.switches;
  switch (random.Below(4)) {
    case 0: s[0] = static_cast<uint8_t>(random.OneIn(4) ? random.Byte() : random.Below(5)); break;
    case 1: {
      const uint16_t start = random.OneIn(2) ? kStarts[random.Below(std::size(kStarts))] : random.Byte() << 8 | random.Byte();
      s[1] = static_cast<uint8_t>(start & 0xFF);
      s[2] = static_cast<uint8_t>(start >> 8);
      break;
    }
    case 2: s[3] = static_cast<uint8_t>(random.Below(8)); break;
    default: s[4] = static_cast<uint8_t>(random.OneIn(4) ? random.Byte() : '0' + random.Below(4)); break;
  }
}

size_t ByteLevel(uint8_t* data, size_t size, size_t maxSize, uint64_t& counter) {
  ++counter;
  return LLVMFuzzerMutate(data, size, maxSize);
}

}  // namespace
}  // namespace zspack::fuzzing

using namespace zspack::fuzzing;

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed) {
  MoveRandom random(seed);
  FuzzStats& stats = Stats();
  if (random.OneIn(kByteLevelShare)) return ByteLevel(data, size, maxSize, stats.byteLevel);
  Tune& tune = Scratch(0);
  if (!MutateAsMusic(Depack({data, size}, tune), random)) return ByteLevel(data, size, maxSize, stats.notDepacked);
  if (random.OneIn(8)) {
    MutateSwitch(tune, random);
  } else {
    for (uint32_t moves = 1 + random.Below(3); moves > 0; --moves) ApplyRandomMove(tune.image, random);
  }
  const size_t packed = Repack(tune, ChooseEscape(tune, random), data, maxSize);
  return packed != 0 ? packed : LLVMFuzzerMutate(data, size, maxSize);
}

extern "C" size_t LLVMFuzzerCustomCrossOver(const uint8_t* data1, size_t size1, const uint8_t* data2, size_t size2,
                                            uint8_t* out, size_t maxOutSize, unsigned int seed) {
  MoveRandom random(seed);
  FuzzStats& stats = Stats();
  Tune& tune = Scratch(0);
  Tune& other = Scratch(1);
  if (!random.OneIn(kByteLevelShare)) {
    if (MutateAsMusic(Depack({data1, size1}, tune), random) && MutateAsMusic(Depack({data2, size2}, other), random)) {
      for (uint32_t splices = 1 + random.Below(3); splices > 0; --splices) SpliceTable(tune.image, other.image, random);
      if (const size_t packed = Repack(tune, ChooseEscape(tune, random), out, maxOutSize); packed != 0) return packed;
    } else {
      ++stats.notDepacked;
    }
  } else {
    ++stats.byteLevel;
  }
  // Byte-level: the front of the first input followed by the back of the second.
  const size_t head = std::min<size_t>(random.Below(static_cast<uint32_t>(size1) + 1), maxOutSize);
  const size_t from = random.Below(static_cast<uint32_t>(size2) + 1);
  const size_t tail = std::min(size2 - from, maxOutSize - head);
  std::memcpy(out, data1, head);
  std::memcpy(out + head, data2 + from, tail);
  return head + tail;
}
