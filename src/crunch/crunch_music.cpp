#include "crunch/crunch_music.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "common/music_format.h"
#include "common/music_layout.h"
#include "common/written_lengths.h"
#include "crunch/table_programs.h"

namespace zspack {

namespace {

constexpr WalkRule kPlayedTrack{WalkEnd::kTrackEnd, false};
constexpr WalkRule kPlayedSector{WalkEnd::kSectorEnd, true};

using InstrumentValues = std::array<uint8_t, kInstrumentTableCount>;

// Old number to new number; kGone for what no packed song reaches.
constexpr int kGone = -1;
template <size_t N>
using Renumbering = std::array<int, N>;

// What the packed songs reach, in the numbering the exploration left.
struct Reach {
  std::vector<int> tracks;  // 3 * song + voice
  std::array<uint8_t, kSectorCount> sectors{};
  std::array<uint8_t, kInstrumentCount> instruments{};
  std::array<uint8_t, kGlideCount> glides{};
  std::vector<uint8_t> pulseStarts, filterStarts;  // $F7 and $F6 parameters
  std::array<std::vector<uint8_t>, kSectorCount> sectorBytes;  // through $FF
  FeatureFlags features;  // what the played entries call for
  bool followable = true;
};

Reach FindReach(const MusicImage& image, const Exploration& found, std::optional<int16_t> selected) {
  Reach reach;
  for (int s = 0; s < kSongCount; ++s) {
    if ((selected && *selected != s) || found.maps.SongMap[static_cast<size_t>(s)] == 0) continue;
    for (int v = 0; v < kVoiceCount; ++v) {
      reach.tracks.push_back(kVoiceCount * s + v);
      const WalkResult walk = WalkEntries(image, TrackAddress(s, v), kPlayedTrack, [&](int, uint8_t value) {
        const EntryRange<TrackEntry>& entry = ClassifyTrackEntry(value);
        if (entry.kind == TrackEntry::kSector) reach.sectors[static_cast<size_t>(SelectedNumber(entry, value))] = 1;
        if (entry.feature) reach.features.Set(*entry.feature);
      });
      // A loop in the last entry takes its argument from the next track's first entry,
      // which crunching may renumber.
      reach.followable = reach.followable && walk.ended && TrackLength(image, TrackAddress(s, v)) <= kTrackEntries;
    }
  }
  for (int n = 0; n < kSectorCount; ++n) {
    if (reach.sectors[static_cast<size_t>(n)] == 0) continue;
    const uint32_t start = SectorAddress(n);
    const WalkResult walk = WalkEntries(image, start, kPlayedSector, [&](int i, uint8_t value) {
      const EntryRange<SectorEntry>& entry = ClassifySectorEntry(value);
      const auto number = static_cast<size_t>(SelectedNumber(entry, value));
      if (entry.kind == SectorEntry::kGlide) reach.glides[number] = 1;
      if (entry.kind == SectorEntry::kInstrument) reach.instruments[number] = 1;
      if (entry.feature) reach.features.Set(*entry.feature);
      if (!HasParameter(i, kSectorEntries)) return;
      const uint8_t parameter = image.Byte(start + static_cast<uint32_t>(i) + 1);
      if (value == kPulseCommand) reach.pulseStarts.push_back(parameter);
      if (value == kFilterCommand) reach.filterStarts.push_back(parameter);
    });
    reach.followable = reach.followable && walk.ended;
    reach.sectorBytes[static_cast<size_t>(n)].resize(static_cast<size_t>(walk.length));
    image.ReadBytes(start, reach.sectorBytes[static_cast<size_t>(n)]);
  }
  // The exploration walked these same sectors of every existing song, so every sector,
  // glide and instrument reached here is one the plain pack writes.
  return reach;
}

// Numbers the distinct values of the reached entries 0.. in the order of their old
// numbers; the first entry of each value is the one kept.
template <typename Value, size_t N>
Renumbering<N> Merge(const std::array<uint8_t, N>& reached, const std::array<Value, N>& values, std::vector<int>& kept) {
  Renumbering<N> to;
  to.fill(kGone);
  std::map<Value, int> numbers;
  for (size_t old = 0; old < N; ++old) {
    if (reached[old] == 0) continue;
    const auto [where, added] = numbers.try_emplace(values[old], static_cast<int>(numbers.size()));
    if (added) kept.push_back(static_cast<int>(old));
    to[old] = where->second;
  }
  return to;
}

// Bytes as a key of a map of tracks or sectors: GCC 12 takes the comparison of two byte
// vectors for a read past their ends (a false -Wstringop-overread), two strings it does not.
std::string AsKey(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

template <size_t N>
std::array<std::string, N> AsKeys(const std::array<std::vector<uint8_t>, N>& all) {
  std::array<std::string, N> keys;
  for (size_t n = 0; n < N; ++n) keys[n] = AsKey(all[n]);
  return keys;
}

// The starts that point into a table, each once.
std::vector<uint8_t> InstrumentStarts(const MusicImage& image, const Reach& reach, size_t column,
                                      const std::vector<uint8_t>& commandStarts) {
  std::vector<uint8_t> starts = commandStarts;
  for (uint32_t i = 0; i < kInstrumentCount; ++i) {
    if (reach.instruments[i] != 0) starts.push_back(image.Byte(kInstrumentColumns[column] + i));
  }
  return starts;
}

void WriteRows(MusicImage& image, uint32_t first, const CrunchedTable& table) {
  for (size_t r = 0; r < table.column1.size(); ++r) {
    image.Set(first + static_cast<uint32_t>(r), table.column1[r]);
    image.Set(first + kPageSize + static_cast<uint32_t>(r), table.column2[r]);
  }
}

template <size_t N>
void MarkFirst(std::array<uint8_t, N>& marks, size_t first, size_t count) {
  marks.fill(0);
  for (size_t i = first; i < first + count && i < N; ++i) marks[i] = 1;
}

int Written(int count) { return std::max(count, 1); }

}  // namespace

// Everything is read before anything is written, but for the tracks, which each rewrite
// only the entry just read.
CrunchReport CrunchMusic(MusicImage& image, Exploration& found, std::optional<int16_t> selected) {
  CrunchReport out;
  const Reach reach = FindReach(image, found, selected);

  auto tally = [&](CrunchedPart part) -> PartTally& { return out.tally[static_cast<size_t>(part)]; };
  const int waveRows = HighestMarked(found.maps.WaveMap) + 1;
  const int pulseRows = HighestMarked(found.maps.PulseMap);
  const int filterRows = HighestMarked(found.maps.FilterMap);
  tally(CrunchedPart::kInstruments).before = found.counts.InstrumentSlots();
  tally(CrunchedPart::kSectors).before = found.counts.SectorCount;
  tally(CrunchedPart::kGlides).before = found.counts.GlideCount;
  tally(CrunchedPart::kTracks).before = static_cast<int>(reach.tracks.size());
  tally(CrunchedPart::kWaveRows).before = waveRows;
  tally(CrunchedPart::kPulseRows).before = Written(pulseRows);
  tally(CrunchedPart::kFilterRows).before = Written(filterRows);
  for (PartTally& part : out.tally) part.after = part.before;
  if (!reach.followable) {
    out.unfollowable = true;
    return out;
  }

  // The tables first: instruments and sectors compare by where their programs went.
  const CrunchedTable wave = CrunchWaveTable(image, waveRows, InstrumentStarts(image, reach, kAptb, {}));
  const CrunchedTable pulse = CrunchTwoColumnTable(image, addr::ptb1, pulseRows,
                                                   InstrumentStarts(image, reach, kPptb, reach.pulseStarts));
  const CrunchedTable filter = CrunchTwoColumnTable(image, addr::ftb1, filterRows,
                                                    InstrumentStarts(image, reach, kFptb, reach.filterStarts));
  out.leftAsIs = {wave.leftAsIs, pulse.leftAsIs, filter.leftAsIs};

  // Instruments, their program pointers moved along.
  std::array<InstrumentValues, kInstrumentCount> instruments{};
  for (uint32_t i = 0; i < kInstrumentCount; ++i) {
    for (size_t c = 0; c < kInstrumentTableCount; ++c) instruments[i][c] = image.Byte(kInstrumentColumns[c] + i);
    instruments[i][kAptb] = wave.start[instruments[i][kAptb]];
    instruments[i][kPptb] = pulse.start[instruments[i][kPptb]];
    instruments[i][kFptb] = filter.start[instruments[i][kFptb]];
  }
  std::vector<int> keptInstruments;
  const Renumbering<kInstrumentCount> instrumentTo = Merge(reach.instruments, instruments, keptInstruments);

  std::array<std::array<uint8_t, 2>, kGlideCount> glides{};
  for (uint32_t g = 0; g < kGlideCount; ++g) glides[g] = {image.Byte(addr::gldtbl + g), image.Byte(addr::gldtbh + g)};
  std::vector<int> keptGlides;
  const Renumbering<kGlideCount> glideTo = Merge(reach.glides, glides, keptGlides);

  // Sectors with their selects and program starts renumbered; then the identical ones merge.
  std::array<std::vector<uint8_t>, kSectorCount> sectors = reach.sectorBytes;
  for (std::vector<uint8_t>& bytes : sectors) {
    WalkEntries(std::span<const uint8_t>(bytes), kPlayedSector, [&](int i, uint8_t value) {
      const EntryRange<SectorEntry>& entry = ClassifySectorEntry(value);
      const auto at = static_cast<size_t>(i);
      const auto number = static_cast<size_t>(SelectedNumber(entry, value));
      if (entry.kind == SectorEntry::kGlide) bytes[at] = static_cast<uint8_t>(entry.first + glideTo[number]);
      if (entry.kind == SectorEntry::kInstrument) bytes[at] = static_cast<uint8_t>(entry.first + instrumentTo[number]);
      if (value == kPulseCommand) bytes[at + 1] = pulse.start[bytes[at + 1]];
      if (value == kFilterCommand) bytes[at + 1] = filter.start[bytes[at + 1]];
    });
  }
  std::vector<int> keptSectors;
  const Renumbering<kSectorCount> sectorTo = Merge(reach.sectors, AsKeys(sectors), keptSectors);

  // All read: the crunched tables replace the old ones.
  MusicImage& crunched = image;
  WriteRows(crunched, addr::wave, wave);
  WriteRows(crunched, addr::ptb1 + 1, pulse);
  WriteRows(crunched, addr::ftb1 + 1, filter);
  for (size_t k = 0; k < keptInstruments.size(); ++k) {
    for (size_t c = 0; c < kInstrumentTableCount; ++c) {
      crunched.Set(kInstrumentColumns[c] + static_cast<uint32_t>(k), instruments[static_cast<size_t>(keptInstruments[k])][c]);
    }
  }
  for (size_t k = 0; k < keptGlides.size(); ++k) {
    crunched.Set(addr::gldtbl + static_cast<uint32_t>(k), glides[static_cast<size_t>(keptGlides[k])][0]);
    crunched.Set(addr::gldtbh + static_cast<uint32_t>(k), glides[static_cast<size_t>(keptGlides[k])][1]);
  }
  for (size_t k = 0; k < keptSectors.size(); ++k) {
    const std::vector<uint8_t>& bytes = sectors[static_cast<size_t>(keptSectors[k])];
    for (size_t i = 0; i < bytes.size(); ++i) crunched.Set(SectorAddress(static_cast<int>(k)) + static_cast<uint32_t>(i), bytes[i]);
  }

  // A sector whose bytes end another, longer one is written inside it: the longest such
  // host, the lowest-numbered of equal ones, is never itself a tail.
  int wholeSectors = 0;
  for (size_t k = 0; k < keptSectors.size(); ++k) {
    const std::vector<uint8_t>& tail = sectors[static_cast<size_t>(keptSectors[k])];
    SectorPlace place{static_cast<uint8_t>(k), 0};
    size_t hostLength = tail.size();
    for (size_t h = 0; h < keptSectors.size(); ++h) {
      const std::vector<uint8_t>& host = sectors[static_cast<size_t>(keptSectors[h])];
      if (host.size() <= hostLength || !std::equal(tail.rbegin(), tail.rend(), host.rbegin())) continue;
      place = {static_cast<uint8_t>(h), static_cast<uint8_t>(host.size() - tail.size())};
      hostLength = host.size();
    }
    found.sectorPlaces[k] = place;
    wholeSectors += place.host == k ? 1 : 0;
  }

  // The packed tracks with their sectors renumbered; a track written before stands for
  // every later one of the same bytes.
  std::map<std::string, int> writtenTracks;
  for (const int track : reach.tracks) {
    const uint32_t start = TrackAddress(track);
    WalkEntries(image, start, kPlayedTrack, [&](int i, uint8_t value) {
      const EntryRange<TrackEntry>& entry = ClassifyTrackEntry(value);
      if (entry.kind == TrackEntry::kSector) {
        crunched.Set(start + static_cast<uint32_t>(i), static_cast<uint16_t>(sectorTo[static_cast<size_t>(SelectedNumber(entry, value))]));
      }
    });
    std::vector<uint8_t> bytes(static_cast<size_t>(TrackLength(crunched, start)));
    crunched.ReadBytes(start, bytes);
    found.trackLabels[static_cast<size_t>(track)] =
        static_cast<uint8_t>(writtenTracks.try_emplace(AsKey(bytes), track).first->second);
  }

  Exploration& result = found;  // now the crunched music's
  result.entryFeatures = reach.features;
  result.counts.SectorCount = static_cast<int16_t>(keptSectors.size());
  result.counts.InstrumentCount = static_cast<int16_t>(keptInstruments.size());
  result.counts.HighestInstrument =
      keptInstruments.empty() ? std::nullopt : std::optional<int16_t>(static_cast<int16_t>(keptInstruments.size() - 1));
  result.counts.GlideCount = static_cast<int16_t>(keptGlides.size());
  MarkFirst(result.maps.SectorMap, 0, keptSectors.size());
  MarkFirst(result.maps.InstrumentMap, 0, keptInstruments.size());
  MarkFirst(result.maps.GlideMap, 0, keptGlides.size());
  if (wave.leftAsIs == LeftAsIs::kNo) MarkFirst(result.maps.WaveMap, 0, wave.column1.size());
  if (pulse.leftAsIs == LeftAsIs::kNo) MarkFirst(result.maps.PulseMap, 1, pulse.column1.size());
  if (filter.leftAsIs == LeftAsIs::kNo) MarkFirst(result.maps.FilterMap, 1, filter.column1.size());

  tally(CrunchedPart::kInstruments).after = result.counts.InstrumentSlots();
  tally(CrunchedPart::kSectors).after = result.counts.SectorCount;
  // Of the sectors left, how many another one's tail did not take in.
  tally(CrunchedPart::kWholeSectors) = {result.counts.SectorCount, wholeSectors};
  tally(CrunchedPart::kGlides).after = result.counts.GlideCount;
  tally(CrunchedPart::kTracks).after = static_cast<int>(writtenTracks.size());
  tally(CrunchedPart::kWaveRows).after = HighestMarked(result.maps.WaveMap) + 1;
  tally(CrunchedPart::kPulseRows).after = Written(HighestMarked(result.maps.PulseMap));
  tally(CrunchedPart::kFilterRows).after = Written(HighestMarked(result.maps.FilterMap));
  return out;
}

}  // namespace zspack
