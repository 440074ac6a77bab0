// The byte vocabulary of tracks and sectors: what each entry value means, the player
// feature it calls for, where a walk over a track or sector ends, and the one stepper
// that every such walk uses; nothing here reads outside a track's or sector's 256 entries.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <algorithm>

#include "common/feature_flags.h"
#include "common/music_image.h"
#include "common/music_layout.h"

namespace zspack {

enum class TrackEntry : uint8_t {
  kSector,      // $00..$5F plays that sector
  kSpeed,       // $60..$7F
  kTranspose,   // $80..$BF
  kRepeat,      // $C0..$DF
  kVolume,      // $E0..$EF sets the master volume
  kSongChange,  // $F0..$F3 goes on with song 0..3
  kSpare,       // $F4..$FD mean nothing to a track
  kLoop,        // $FE, followed by the entry to loop to
  kEnd,         // $FF
};

enum class SectorEntry : uint8_t {
  kNote,        // $00..$5F
  kGlide,       // $60..$7F selects glide 0..31
  kSpare,       // $80..$BF, $E0..$F5, $FC..$FE
  kInstrument,  // $C0..$DF selects instrument 0..31
  kCommand,     // $F6..$FA: the next entry is the command's parameter
  kTie,         // $FB ties the next note
  kEnd,         // $FF
};

// Aligned as a 32-bit word so that its five bytes take eight, a power of two: the by-value
// tables below are then indexed with one scaled load in the scans' inner loops (at five
// bytes the worst-case pack ran 5 % more instructions).
inline constexpr size_t kEntryRangeBytes = 8;

template <typename Kind>
struct alignas(uint32_t) EntryRange {
  uint8_t first;
  uint8_t last;
  Kind kind;
  std::optional<Feature> feature;  // empty: the entry calls for no feature
};
static_assert(sizeof(EntryRange<TrackEntry>) == kEntryRangeBytes &&
              sizeof(EntryRange<SectorEntry>) == kEntryRangeBytes);

inline constexpr EntryRange<TrackEntry> kTrackEntryRanges[] = {
    {0x00, 0x5F, TrackEntry::kSector, std::nullopt},
    {0x60, 0x7F, TrackEntry::kSpeed, Feature::kSpeedChange},
    {0x80, 0xBF, TrackEntry::kTranspose, Feature::kTranspose},
    {0xC0, 0xDF, TrackEntry::kRepeat, Feature::kRepeat},
    {0xE0, 0xEF, TrackEntry::kVolume, Feature::kSetMvl},
    {0xF0, 0xF3, TrackEntry::kSongChange, Feature::kSongChange},
    {0xF4, 0xFD, TrackEntry::kSpare, std::nullopt},
    {0xFE, 0xFE, TrackEntry::kLoop, Feature::kLoop},
    {0xFF, 0xFF, TrackEntry::kEnd, Feature::kEnd},
};

inline constexpr EntryRange<SectorEntry> kSectorEntryRanges[] = {
    {0x00, 0x5F, SectorEntry::kNote, std::nullopt},
    {0x60, 0x7F, SectorEntry::kGlide, std::nullopt},
    {0x80, 0xBF, SectorEntry::kSpare, std::nullopt},
    {0xC0, 0xDF, SectorEntry::kInstrument, std::nullopt},
    {0xE0, 0xF5, SectorEntry::kSpare, std::nullopt},
    {0xF6, 0xF6, SectorEntry::kCommand, Feature::kTuneFp},
    {0xF7, 0xF7, SectorEntry::kCommand, Feature::kTunePp},
    {0xF8, 0xF8, SectorEntry::kCommand, Feature::kTuneFf},
    {0xF9, 0xF9, SectorEntry::kCommand, Feature::kTuneSr},
    {0xFA, 0xFA, SectorEntry::kCommand, Feature::kTuneAd},
    {0xFB, 0xFB, SectorEntry::kTie, Feature::kTieNotes},
    {0xFC, 0xFE, SectorEntry::kSpare, std::nullopt},
    {0xFF, 0xFF, SectorEntry::kEnd, std::nullopt},
};

// The sector commands that start a pulse or a filter program at their parameter.
inline constexpr uint8_t kFilterCommand = 0xF6;
inline constexpr uint8_t kPulseCommand = 0xF7;

namespace detail {
// The range table spread over all 256 byte values, so classifying an entry is one lookup.
template <typename Kind, size_t N>
consteval std::array<EntryRange<Kind>, 256> SpreadRanges(const EntryRange<Kind> (&ranges)[N]) {
  std::array<EntryRange<Kind>, 256> byValue{};
  for (const EntryRange<Kind>& range : ranges) {
    for (int v = range.first; v <= range.last; ++v) byValue[static_cast<size_t>(v)] = range;
  }
  return byValue;
}
inline constexpr auto kTrackEntryByValue = SpreadRanges(kTrackEntryRanges);
inline constexpr auto kSectorEntryByValue = SpreadRanges(kSectorEntryRanges);
}  // namespace detail

constexpr const EntryRange<TrackEntry>& ClassifyTrackEntry(uint8_t value) {
  return detail::kTrackEntryByValue[value];
}

constexpr const EntryRange<SectorEntry>& ClassifySectorEntry(uint8_t value) {
  return detail::kSectorEntryByValue[value];
}

// The number a sector, glide or instrument entry selects: its offset in its range.
template <typename Kind>
constexpr int SelectedNumber(const EntryRange<Kind>& range, uint8_t value) {
  return value - range.first;
}

template <typename Kind, size_t N>
consteval EntryRange<Kind> RangeOf(const EntryRange<Kind> (&ranges)[N], Kind kind) {
  for (const EntryRange<Kind>& range : ranges) {
    if (range.kind == kind) return range;
  }
  return ranges[0];
}

// The entry value that selects glide `glide`.
constexpr uint8_t GlideSelect(int glide) {
  return static_cast<uint8_t>(RangeOf(kSectorEntryRanges, SectorEntry::kGlide).first + glide);
}

// Which entries end a walk. The walks differ on purpose and each names its rule:
//   kTrackEnd   a song change, a loop or an end: the player, the scans and the data file
//   kLoopOrEnd  a loop or an end only: the sector renumbering passes over song changes
//   kSectorEnd  $FF
// A walk with `commandParameters` steps over a $F6..$FA command's parameter; the song
// search does so over tracks too, as the tracker decides that songs exist.
enum class WalkEnd : uint8_t { kTrackEnd, kLoopOrEnd, kSectorEnd };
inline constexpr size_t kWalkEndKinds = static_cast<size_t>(WalkEnd::kSectorEnd) + 1;

struct WalkRule {
  WalkEnd end;
  bool commandParameters;
};

namespace detail {
// For each end rule, which of the 256 entry values end the walk.
consteval std::array<std::array<bool, 256>, kWalkEndKinds> ListWalkEnds() {
  std::array<std::array<bool, 256>, kWalkEndKinds> ends{};
  for (size_t v = 0; v < ends[0].size(); ++v) {
    const TrackEntry track = kTrackEntryByValue[v].kind;
    ends[static_cast<size_t>(WalkEnd::kTrackEnd)][v] =
        track == TrackEntry::kSongChange || track == TrackEntry::kLoop || track == TrackEntry::kEnd;
    ends[static_cast<size_t>(WalkEnd::kLoopOrEnd)][v] = track == TrackEntry::kLoop || track == TrackEntry::kEnd;
    ends[static_cast<size_t>(WalkEnd::kSectorEnd)][v] = kSectorEntryByValue[v].kind == SectorEntry::kEnd;
  }
  return ends;
}
inline constexpr auto kWalkEnds = ListWalkEnds();

// The entry values that a command parameter follows.
consteval std::array<bool, 256> ListCommands() {
  std::array<bool, 256> commands{};
  for (size_t v = 0; v < commands.size(); ++v) commands[v] = kSectorEntryByValue[v].kind == SectorEntry::kCommand;
  return commands;
}
inline constexpr auto kTakesParameter = ListCommands();
}  // namespace detail

constexpr bool EndsWalk(WalkEnd end, uint8_t value) {
  return detail::kWalkEnds[static_cast<size_t>(end)][value];
}

// Where a walk stopped: the entries it covered (its last entry included) and whether an
// entry ended it; a walk that ran out of entries covers all 256.
struct WalkResult {
  int length;
  bool ended;
  uint8_t last;  // the entry that ended the walk
};

inline constexpr int kWalkEntries = kTrackEntries;
static_assert(kTrackEntries == kSectorEntries, "one stepper serves tracks and sectors");

// Calls visit(index, value) for every entry of the track or sector at `start` that the
// walk reaches, the ending entry included; a command's parameter is not visited when the
// rule steps over it, and a command in the last entry has no parameter inside the walk.
// Every track and sector walk goes through this one stepper, so they cannot disagree on
// where a parameter or an end falls; only their rules differ. The visitor is taken by
// value: the walks pass lambdas that capture by reference, which are cheap to copy.
namespace detail {
// The one stepper: read(i) gives entry i of `entries`.
template <typename Read, typename Visit>
WalkResult StepEntries(Read read, int entries, WalkRule rule, Visit visit) {
  for (int i = 0; i < entries;) {
    const uint8_t value = read(i);
    visit(i, value);
    if (EndsWalk(rule.end, value)) return {i + 1, true, value};
    // One entry, and the command's parameter too where the rule steps over it.
    i += 1 + (rule.commandParameters & kTakesParameter[value]);
  }
  return {entries, false, 0};
}
}  // namespace detail

template <typename Visit>
WalkResult WalkEntries(const MusicImage& image, uint32_t start, WalkRule rule, Visit visit) {
  return detail::StepEntries([&](int i) { return image.Byte(start + static_cast<uint32_t>(i)); },
                             kWalkEntries, rule, visit);
}

// The same walk over a track or sector as the data file holds it: its written bytes,
// at most 256 of them; a walk that runs out of bytes did not end.
template <typename Visit>
WalkResult WalkEntries(std::span<const uint8_t> bytes, WalkRule rule, Visit visit) {
  return detail::StepEntries([&](int i) { return bytes[static_cast<size_t>(i)]; },
                             static_cast<int>(std::min<size_t>(bytes.size(), kWalkEntries)), rule, visit);
}

// Whether a command entry at `index` has its parameter within `entries`.
constexpr bool HasParameter(int index, int entries) { return index + 1 < entries; }

// The wavetable: a row whose wave byte is kWaveJump jumps to the row in its trans byte;
// a wave byte above it ends the program.
inline constexpr uint8_t kWaveJump = 0x90;

// The pulse and filter tables: column 2 of a program's second row links to the row that
// goes on; row 0 and the last row start no program.
inline constexpr unsigned kLastTableRow = kTableRows - 1;

}  // namespace zspack
