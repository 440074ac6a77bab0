#include "music_moves.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

#include "common/music_layout.h"

namespace zspack::fuzzing {

namespace {

constexpr uint32_t kEntries = 256;

bool EndsTrack(uint8_t b) { return (b >= 0xF0 && b <= 0xF3) || b >= 0xFE; }
bool TakesParameter(uint8_t b) { return b >= 0xF6 && b <= 0xFA; }

// Index of a track's first end byte, 256 when it has none.
uint32_t TrackEnd(const MusicImage& image, uint32_t start) {
  uint32_t k = 0;
  while (k < kEntries && !EndsTrack(image.Byte(start + k))) ++k;
  return k;
}

// Index of a sector's $FF, parameters passed over; 256 when it has none.
uint32_t SectorEnd(const MusicImage& image, uint32_t start) {
  uint32_t j = 0;
  while (j < kEntries && image.Byte(start + j) != 0xFF) j += TakesParameter(image.Byte(start + j)) ? 2 : 1;
  return std::min(j, kEntries);
}

uint32_t RandomTrack(MoveRandom& random) {
  return TrackAddress(static_cast<int>(random.Below(kSongCount)), static_cast<int>(random.Below(kVoiceCount)));
}

// A sector number, mostly a low one: a tune that reaches the last sectors makes every
// depack fill the whole image, and costs an execution several times as much.
int AnySector(MoveRandom& random) {
  return static_cast<int>(random.OneIn(4) ? random.Below(kSectorCount) : random.Below(16));
}

// A sector that some track plays, most of the time; any sector otherwise.
int PickSector(const MusicImage& image, MoveRandom& random) {
  if (random.OneIn(4)) return AnySector(random);
  const uint32_t start = RandomTrack(random);
  const uint32_t end = TrackEnd(image, start);
  for (uint32_t tries = 0; tries < 8 && end > 0; ++tries) {
    const uint8_t b = image.Byte(start + random.Below(end));
    if (b < kSectorCount) return b;
  }
  return static_cast<int>(random.Below(4));
}

// An instrument that a sector selects, most of the time; any instrument otherwise.
uint32_t PickInstrument(const MusicImage& image, MoveRandom& random) {
  if (random.OneIn(3)) return random.Below(kInstrumentCount);
  const uint32_t start = SectorAddress(PickSector(image, random));
  const uint32_t end = SectorEnd(image, start);
  for (uint32_t tries = 0; tries < 8 && end > 0; ++tries) {
    const uint8_t b = image.Byte(start + random.Below(end));
    if (b >= 0xC0 && b <= 0xDF) return b - 0xC0u;
  }
  return random.Below(4);
}

// A row of a program table: the ends of the table, the first rows, or any.
uint8_t PickRow(MoveRandom& random) {
  static constexpr uint8_t kEdges[] = {0, 1, 2, 0xFE, 0xFF};
  switch (random.Below(3)) {
    case 0: return kEdges[random.Below(std::size(kEdges))];
    case 1: return static_cast<uint8_t>(random.Below(16));
    default: return random.Byte();
  }
}

// A class of entries: `count` values from `first`, and what the entry after it holds.
enum class Parameter { kNone, kAny, kRow };
struct EntryClass {
  uint8_t first;
  uint16_t count;
  Parameter parameter;
};

constexpr EntryClass kTrackEntries[] = {
    {0x00, 0x04, Parameter::kNone}, {0x00, 0x10, Parameter::kNone},  // play a sector
    {0x00, 0x60, Parameter::kNone},
    {0x60, 0x20, Parameter::kNone},                                  // speed change
    {0x80, 0x40, Parameter::kNone},                                  // transpose
    {0xC0, 0x20, Parameter::kNone},                                  // repeat
    {0xE0, 0x10, Parameter::kNone},                                  // master volume
    {0xF0, 0x04, Parameter::kNone},                                  // song change
    {0xF4, 0x0A, Parameter::kNone},                                  // no meaning here
    {0xFE, 0x01, Parameter::kAny},                                   // loop
    {0xFF, 0x01, Parameter::kNone},                                  // end
};

constexpr EntryClass kSectorEntries[] = {
    {0x00, 0x60, Parameter::kNone},                                  // notes
    {0x60, 0x04, Parameter::kNone}, {0x60, 0x20, Parameter::kNone},  // glide select
    {0xC0, 0x04, Parameter::kNone}, {0xC0, 0x20, Parameter::kNone},  // instrument select
    {0xF6, 0x02, Parameter::kRow},                                   // filter, pulse program
    {0xF8, 0x03, Parameter::kAny},                                   // tuning commands
    {0xFB, 0x01, Parameter::kNone},                                  // tie note
    {0xFF, 0x01, Parameter::kNone},                                  // end
    {0x80, 0x40, Parameter::kNone},                                  // other one-byte entries
};

// Writes an entry of one of `classes` at `index` of the list at `start`, with its
// parameter after it when there is room.
template <size_t N>
void WriteEntry(MusicImage& image, uint32_t start, uint32_t index, const EntryClass (&classes)[N],
                MoveRandom& random) {
  const EntryClass& c = classes[random.Below(N)];
  image.Set(start + index, static_cast<uint8_t>(c.first + random.Below(c.count)));
  if (c.parameter == Parameter::kNone || index + 1 >= kEntries) return;
  image.Set(start + index + 1, c.parameter == Parameter::kRow ? PickRow(random) : random.Byte());
}

void WriteTrackEntry(MusicImage& image, MoveRandom& random) {
  const uint32_t start = RandomTrack(random);
  const uint32_t index = random.Below(std::min(TrackEnd(image, start) + 2, kEntries));
  WriteEntry(image, start, index, kTrackEntries, random);
}

void WriteSectorEntry(MusicImage& image, MoveRandom& random) {
  const uint32_t start = SectorAddress(PickSector(image, random));
  const uint32_t index = random.Below(std::min(SectorEnd(image, start) + 2, kEntries));
  WriteEntry(image, start, index, kSectorEntries, random);
}

void PointInstrument(MusicImage& image, MoveRandom& random) {
  static constexpr uint32_t kPointers[] = {addr::aptb, addr::pptb, addr::fptb};
  image.Set(kPointers[random.Below(std::size(kPointers))] + PickInstrument(image, random), PickRow(random));
}

// A wavetable jump, end or plain row, or a pulse or filter link back, forward or anywhere.
void SetTableJump(MusicImage& image, MoveRandom& random) {
  const uint8_t row = PickRow(random);
  const uint8_t links[] = {0, static_cast<uint8_t>(row - 1), row, static_cast<uint8_t>(row + 2), PickRow(random)};
  const uint8_t link = links[random.Below(std::size(links))];
  switch (random.Below(4)) {
    case 0:
      image.Set(addr::wave + row, 0x90);
      image.Set(addr::trans + row, link);
      break;
    case 1:
      image.Set(addr::wave + row, static_cast<uint8_t>(random.OneIn(2) ? random.Below(0x90) : 0x91 + random.Below(0x6F)));
      break;
    case 2:
      image.Set(addr::ptb2 + row, link);
      break;
    default:
      image.Set(addr::ftb2 + row, link);
      break;
  }
}

void SwapEntries(MusicImage& image, uint32_t a, uint32_t b, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    const uint16_t keep = image.At(a + i);
    image.Set(a + i, image.At(b + i));
    image.Set(b + i, keep);
  }
}

// Calls `visit` with the address of every sector entry that is not a parameter, up to
// each sector's end.
template <typename Visit>
void ForEachSectorEntry(const MusicImage& image, Visit visit) {
  for (int n = 0; n < kSectorCount; ++n) {
    const uint32_t start = SectorAddress(n);
    for (uint32_t j = 0; j < kEntries;) {
      const uint8_t b = image.Byte(start + j);
      if (b == 0xFF) break;
      visit(start + j, b);
      j += TakesParameter(b) ? 2 : 1;
    }
  }
}

// Swaps `a` and `b` among the values first..first+31 of the sector entries.
void SwapSelects(MusicImage& image, uint8_t first, uint32_t a, uint32_t b) {
  ForEachSectorEntry(image, [&](uint32_t address, uint8_t value) {
    if (value == first + a) image.Set(address, static_cast<uint8_t>(first + b));
    else if (value == first + b) image.Set(address, static_cast<uint8_t>(first + a));
  });
}

// Two sectors, glides or instruments trade numbers, their references following, so a
// used one often lands above a gap that the packer has to close.
void Renumber(MusicImage& image, MoveRandom& random) {
  switch (random.Below(3)) {
    case 0: {
      const auto a = static_cast<uint32_t>(PickSector(image, random));
      const auto b = static_cast<uint32_t>(AnySector(random));
      SwapEntries(image, SectorAddress(static_cast<int>(a)), SectorAddress(static_cast<int>(b)), kEntries);
      for (int track = 0; track < kTrackCount; ++track) {
        const uint32_t start = TrackAddress(track);
        for (uint32_t k = 0; k < kEntries && image.Byte(start + k) < 0xFE; ++k) {
          const uint8_t v = image.Byte(start + k);
          if (v == a) image.Set(start + k, static_cast<uint8_t>(b));
          else if (v == b) image.Set(start + k, static_cast<uint8_t>(a));
        }
      }
      break;
    }
    case 1: {
      const uint32_t a = random.Below(kGlideCount), b = random.Below(kGlideCount);
      SwapEntries(image, addr::gldtbl + a, addr::gldtbl + b, 1);
      SwapEntries(image, addr::gldtbh + a, addr::gldtbh + b, 1);
      SwapSelects(image, 0x60, a, b);
      break;
    }
    default: {
      const uint32_t a = PickInstrument(image, random), b = random.Below(kInstrumentCount);
      for (uint32_t table = addr::adtb; table <= addr::hf2tb; table += kInstrumentCount) {
        SwapEntries(image, table + a, table + b, 1);
      }
      SwapSelects(image, 0xC0, a, b);
      break;
    }
  }
}

// Cuts a track or sector short, moves its end further on, or takes its end away.
void MoveEnd(MusicImage& image, MoveRandom& random) {
  const bool track = random.OneIn(2);
  const uint32_t start = track ? RandomTrack(random) : SectorAddress(PickSector(image, random));
  const uint32_t end = track ? TrackEnd(image, start) : SectorEnd(image, start);
  const uint8_t content = track ? static_cast<uint8_t>(random.Below(4)) : 0x30;
  switch (random.Below(3)) {
    case 0:
      image.Set(start + random.Below(std::max(end, 1u)), 0xFF);
      break;
    case 1:
      if (end >= kEntries) break;
      image.Set(start + end, content);
      if (const uint32_t moved = end + 1 + random.Below(16); moved < kEntries) image.Set(start + moved, 0xFF);
      break;
    default:
      for (uint32_t k = std::min(end, kEntries); k < kEntries; ++k) image.Set(start + k, content);
      // A two-byte entry as the very last one, whose parameter lies outside the list.
      if (random.OneIn(2)) image.Set(start + kEntries - 1, static_cast<uint8_t>(track ? 0xFE : 0xF6 + random.Below(5)));
      break;
  }
}

void ChangeSongRecord(MusicImage& image, MoveRandom& random) {
  const auto song = static_cast<int>(random.Below(kSongCount));
  const uint32_t record = SongRecordAddress(song);
  const uint8_t value = random.OneIn(2) ? static_cast<uint8_t>(random.Below(8)) : random.Byte();
  switch (random.Below(5)) {
    case 0: image.Set(record + kSongSpeedOffset, value); break;
    case 1: image.Set(record + kSongSettingOffset, value); break;
    case 2: image.Set(addr::arpspds + static_cast<uint32_t>(song), random.Byte()); break;
    case 3:
      for (int s = 0; s < kSongCount; ++s) image.Set(SongRecordAddress(s) + kSongSpeedOffset, value);
      break;
    default:  // the song appears or goes, by where its first voice ends
      image.Set(TrackAddress(song, 0) + random.Below(4), random.OneIn(2) ? 0xFF : 0x00);
      break;
  }
}

void ChangeInstrument(MusicImage& image, MoveRandom& random) {
  static constexpr uint32_t kSettings[] = {addr::adtb, addr::srtb, addr::v1tb, addr::v2tb,
                                           addr::v3tb, addr::hrtb, addr::hf1tb, addr::hf2tb};
  const uint8_t value = random.OneIn(2) ? static_cast<uint8_t>(random.Below(5)) : random.Byte();
  image.Set(kSettings[random.Below(std::size(kSettings))] + PickInstrument(image, random), value);
}

// A value that means something somewhere in the format, anywhere in the tables before the
// sectors or in a sector that is played.
void WriteMeaningfulByte(MusicImage& image, MoveRandom& random) {
  static constexpr uint8_t kValues[] = {0x00, 0x01, 0x5F, 0x60, 0x7F, 0x80, 0x90, 0x91, 0xBF, 0xC0, 0xDF,
                                        0xE0, 0xEF, 0xF0, 0xF3, 0xF6, 0xF7, 0xFA, 0xFB, 0xFE, 0xFF};
  const uint32_t address = random.OneIn(2) ? kImageFirst + random.Below(addr::sectors - kImageFirst)
                                           : SectorAddress(PickSector(image, random)) + random.Below(16);
  image.Set(address, random.OneIn(4) ? random.Byte() : kValues[random.Below(std::size(kValues))]);
}

void CopyEntries(MusicImage& image, uint32_t to, const MusicImage& other, uint32_t from, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) image.Set(to + i, other.At(from + i));
}

}  // namespace

void SpliceTable(MusicImage& image, const MusicImage& other, MoveRandom& random) {
  const uint32_t first = PickRow(random);
  const uint32_t rows = std::min(kEntries - first, 1 + random.Below(32));
  switch (random.Below(7)) {
    case 0: CopyEntries(image, RandomTrack(random), other, RandomTrack(random), kEntries); break;
    case 1:
      CopyEntries(image, SectorAddress(PickSector(image, random)), other, SectorAddress(PickSector(other, random)),
                  kEntries);
      break;
    case 2: {
      const uint32_t column = addr::adtb + kInstrumentCount * random.Below(11);
      CopyEntries(image, column, other, column, kInstrumentCount);
      break;
    }
    case 3: CopyEntries(image, addr::gldtbl, other, addr::gldtbl, 2 * kGlideCount); break;
    case 4:
      CopyEntries(image, addr::wave + first, other, addr::wave + first, rows);
      CopyEntries(image, addr::trans + first, other, addr::trans + first, rows);
      break;
    case 5: {
      const uint32_t base = random.OneIn(2) ? addr::ptb1 : addr::ftb1;
      CopyEntries(image, base + first, other, base + first, rows);
      CopyEntries(image, base + 0x100 + first, other, base + 0x100 + first, rows);
      break;
    }
    default: CopyEntries(image, addr::arpspds, other, addr::arpspds, addr::gldtbl - addr::arpspds); break;
  }
}

void ApplyRandomMove(MusicImage& image, MoveRandom& random) {
  using Move = void (*)(MusicImage&, MoveRandom&);
  // Entries of tracks and sectors come up most, as most of the packer's work is on them.
  static constexpr Move kMoves[] = {WriteTrackEntry,  WriteTrackEntry, WriteSectorEntry, WriteSectorEntry,
                                    WriteSectorEntry, PointInstrument, SetTableJump,     Renumber,
                                    MoveEnd,          ChangeSongRecord, ChangeInstrument, WriteMeaningfulByte};
  kMoves[random.Below(std::size(kMoves))](image, random);
}

}  // namespace zspack::fuzzing
