#include "pack/music_view.h"

#include <algorithm>

#include "common/music_format.h"

namespace zspack {

namespace {

// What a name stands for, first in its key, so that no two kinds of name share one.
enum class Part : uint32_t {
  kWave = 1, kPulse, kFilter, kInstrument, kGlide, kSector, kTrack, kSong,
  kEnd, kOutside, kFollow, kCycle, kSpot,
};
constexpr uint32_t Of(Part part) { return static_cast<uint32_t>(part); }

// Tokens: a byte the player reads as it is, the name of a part an entry selects, or a
// program row's content.
constexpr uint32_t kTagShift = 24;
enum class Tag : uint32_t { kByte = 1, kNamed, kWaveRow, kWaveJump, kWaveEnd, kStartRow, kStep, kNone, kOutside };
constexpr uint32_t Token(Tag tag, uint32_t value) { return static_cast<uint32_t>(tag) << kTagShift | value; }
constexpr uint32_t ByteToken(uint8_t value) { return Token(Tag::kByte, value); }
constexpr uint32_t NameToken(uint32_t name) { return Token(Tag::kNamed, name); }
constexpr unsigned kBitsPerByte = 8;
constexpr uint32_t TwoBytes(uint8_t high, uint8_t low) { return static_cast<uint32_t>(high) << kBitsPerByte | low; }
constexpr uint32_t ThreeBytes(uint8_t high, uint8_t middle, uint8_t low) {
  return static_cast<uint32_t>(high) << (2 * kBitsPerByte) | TwoBytes(middle, low);
}
constexpr uint32_t kOutsideToken = Token(Tag::kOutside, 0);

constexpr WalkRule kPlayedTrack{WalkEnd::kTrackEnd, false};
constexpr WalkRule kPlayedSector{WalkEnd::kSectorEnd, true};

constexpr int kEnds = -1;
constexpr int kLeaves = -2;

uint8_t At(const std::vector<uint8_t>& table, int index) {
  return index >= 0 && static_cast<size_t>(index) < table.size() ? table[static_cast<size_t>(index)] : 0;
}

// Whether the data holds row `row` of a table written from row 1 (pulse, filter).
bool HoldsRow(const std::vector<uint8_t>& column, int row) {
  return row >= 1 && static_cast<size_t>(row) < column.size();
}

template <typename Steps>
void DescribeWave(const DataTables& t, Steps& steps) {
  const auto held = static_cast<int>(std::min<size_t>(t.wave.size(), kTableRows));
  for (int r = 0; r < held; ++r) {
    const auto i = static_cast<size_t>(r);
    const uint8_t kind = At(t.wave, r);
    steps.held[i] = true;
    if (kind == kWaveJump) {
      steps.token[i] = Token(Tag::kWaveJump, 0);
      steps.next[i] = At(t.trans, r);
    } else {
      steps.token[i] = Token(kind > kWaveJump ? Tag::kWaveEnd : Tag::kWaveRow, TwoBytes(kind, At(t.trans, r)));
      steps.next[i] = kind > kWaveJump ? kEnds : r + 1;
    }
    if (steps.next[i] >= held) steps.next[i] = kLeaves;
  }
}

// The steps of a pulse or filter program: rows p and p + 1, and the link in column 2 of
// the second row.
template <typename Steps>
void DescribeTwoColumn(const std::vector<uint8_t>& c1, const std::vector<uint8_t>& c2, Steps& steps) {
  for (int p = 1; p + 1 < kTableRows; ++p) {
    steps.held[static_cast<size_t>(p)] = HoldsRow(c1, p) && HoldsRow(c1, p + 1);
  }
  for (int p = 1; p + 1 < kTableRows; ++p) {
    const auto i = static_cast<size_t>(p);
    if (!steps.held[i]) continue;
    steps.token[i] = Token(Tag::kStep, ThreeBytes(At(c1, p), At(c2, p), At(c1, p + 1)));
    const int link = At(c2, p + 1);
    steps.next[i] = link == 0 ? kEnds : steps.held[static_cast<size_t>(link)] ? link : kLeaves;
  }
}

}  // namespace

uint32_t MusicViewer::Name(std::span<const uint32_t> key) {
  const auto found = names_.find(key);
  if (found != names_.end()) return found->second;
  const auto name = static_cast<uint32_t>(names_.size());
  names_.emplace(std::vector<uint32_t>(key.begin(), key.end()), name);
  spots_.emplace_back();
  return name;
}

uint32_t MusicViewer::Spot(uint32_t cycle, uint32_t offset) {
  const uint32_t name = Name({Of(Part::kSpot), cycle, offset});
  spots_[name] = CycleSpot{cycle, offset};
  return name;
}

// The name of "play `token`, then what `then` names". When that is the cycle of `then`
// turned back by one, it is that spot of the cycle: an endless sequence has one name
// however many rows lead into its loop.
uint32_t MusicViewer::Follow(uint32_t token, uint32_t then) {
  if (const std::optional<CycleSpot> spot = spots_[then]) {
    const std::vector<uint32_t>& tokens = cycles_.at(spot->cycle);
    const auto period = static_cast<uint32_t>(tokens.size());
    const uint32_t before = (spot->offset + period - 1) % period;
    if (tokens[before] == token) return Spot(spot->cycle, before);
  }
  return Name({Of(Part::kFollow), token, then});
}

// A loop of positions (each going on to the next, the last to the first): its tokens
// shortened to the part that repeats and turned to their least rotation name the cycle,
// and each position is its spot in it.
void MusicViewer::NameCycle(const std::vector<int>& cycle, const Steps& steps, PositionNames& names) {
  std::vector<uint32_t> tokens;
  tokens.reserve(cycle.size());
  for (const int p : cycle) tokens.push_back(steps.token[static_cast<size_t>(p)]);
  const size_t length = tokens.size();
  size_t period = length;
  for (size_t d = 1; d < length; ++d) {
    if (length % d == 0 && std::equal(tokens.begin() + static_cast<std::ptrdiff_t>(d), tokens.end(), tokens.begin())) {
      period = d;
      break;
    }
  }
  tokens.resize(period);
  // The least rotation, compared in place; no two rotations of a cycle that repeats no
  // shorter one are equal.
  auto at = [&](size_t from, size_t i) { return tokens[(from + i) % period]; };
  size_t least = 0;
  for (size_t by = 1; by < period; ++by) {
    size_t i = 0;
    while (i + 1 < period && at(by, i) == at(least, i)) ++i;
    if (at(by, i) < at(least, i)) least = by;
  }
  std::rotate(tokens.begin(), tokens.begin() + static_cast<std::ptrdiff_t>(least), tokens.end());
  std::vector<uint32_t> key{Of(Part::kCycle)};
  key.insert(key.end(), tokens.begin(), tokens.end());
  const uint32_t name = Name(key);
  cycles_.try_emplace(name, std::move(tokens));
  for (size_t i = 0; i < length; ++i) {
    names[static_cast<size_t>(cycle[i])] = Spot(name, static_cast<uint32_t>((i % period + period - least) % period));
  }
}

// Names every held position of a program table by what a player reads from there on.
const MusicViewer::PositionNames& MusicViewer::NamesOf(ProgramTable& table) {
  if (table.names) return *table.names;
  const Steps& steps = table.steps;
  PositionNames& names = table.names.emplace();
  enum : uint8_t { kUnnamed, kOnPath, kNamed };
  std::array<uint8_t, kPositions> state{};
  std::vector<int> path;
  for (size_t first = 0; first < kPositions; ++first) {
    if (!steps.held[first] || state[first] != kUnnamed) continue;
    path.clear();
    int p = static_cast<int>(first);
    while (p >= 0 && state[static_cast<size_t>(p)] == kUnnamed) {
      state[static_cast<size_t>(p)] = kOnPath;
      path.push_back(p);
      p = steps.next[static_cast<size_t>(p)];
    }
    uint32_t then = 0;
    if (p == kEnds) {
      then = Name({Of(Part::kEnd)});
    } else if (p == kLeaves) {
      then = Name({Of(Part::kOutside)});
    } else if (state[static_cast<size_t>(p)] == kNamed) {
      then = names[static_cast<size_t>(p)];
    } else {
      const auto loopStart = std::find(path.begin(), path.end(), p);
      NameCycle(std::vector<int>(loopStart, path.end()), steps, names);
      for (auto q = loopStart; q != path.end(); ++q) state[static_cast<size_t>(*q)] = kNamed;
      then = names[static_cast<size_t>(p)];
      path.erase(loopStart, path.end());
    }
    for (auto q = path.rbegin(); q != path.rend(); ++q) {
      then = names[static_cast<size_t>(*q)] = Follow(steps.token[static_cast<size_t>(*q)], then);
      state[static_cast<size_t>(*q)] = kNamed;
    }
  }
  return *table.names;
}

void MusicViewer::Look(const DataTables& tables) {
  tables_ = &tables;
  for (Cache* cache : {&instruments_, &glides_, &sectors_}) cache->fill(std::nullopt);
  wave_ = {};
  pulse_ = {};
  filter_ = {};
  DescribeWave(tables, wave_.steps);
  DescribeTwoColumn(tables.ptb1, tables.ptb2, pulse_.steps);
  DescribeTwoColumn(tables.ftb1, tables.ftb2, filter_.steps);
  reached_ = Reached{};
}

uint32_t MusicViewer::WaveProgram(int start) {
  const auto s = static_cast<size_t>(start) & 0xFF;
  if (!wave_.steps.held[s]) return Name({Of(Part::kWave), kOutsideToken});
  for (int r = start; r >= 0 && reached_.wave[static_cast<size_t>(r)] == 0; r = wave_.steps.next[static_cast<size_t>(r)]) {
    reached_.wave[static_cast<size_t>(r)] = 1;
  }
  return NamesOf(wave_)[s];
}

// A program of the pulse or filter table: the start row, then steps of two rows whose
// second row's column 2 links to the next step, 0 ending the program.
uint32_t MusicViewer::TwoColumnProgram(int start, bool pulse) {
  ProgramTable& table = pulse ? pulse_ : filter_;
  std::optional<uint32_t>& cached = table.programs[static_cast<size_t>(start) & 0xFF];
  if (cached) return *cached;
  cached = NameTwoColumnProgram(start, pulse);
  return *cached;
}

uint32_t MusicViewer::NameTwoColumnProgram(int start, bool pulse) {
  const DataTables& t = *tables_;
  const std::vector<uint8_t>& c1 = pulse ? t.ptb1 : t.ftb1;
  const std::vector<uint8_t>& c2 = pulse ? t.ptb2 : t.ftb2;
  ProgramTable& table = pulse ? pulse_ : filter_;
  RowMarks& reached = pulse ? reached_.pulse : reached_.filter;
  const uint32_t part = Of(pulse ? Part::kPulse : Part::kFilter);
  if (start == 0 || start == static_cast<int>(kLastTableRow)) return Name({part, Token(Tag::kNone, static_cast<uint32_t>(start))});
  if (!HoldsRow(c1, start)) return Name({part, kOutsideToken});
  reached[static_cast<size_t>(start)] = 1;
  const uint32_t startRow = Token(Tag::kStartRow, TwoBytes(At(c1, start), At(c2, start)));
  const auto first = static_cast<size_t>(start) + 1;
  if (!table.steps.held[first]) return Name({part, startRow, kOutsideToken});
  for (int p = start + 1; p >= 0 && table.walked[static_cast<size_t>(p)] == 0; p = table.steps.next[static_cast<size_t>(p)]) {
    table.walked[static_cast<size_t>(p)] = 1;
    reached[static_cast<size_t>(p)] = 1;
    reached[static_cast<size_t>(p) + 1] = 1;
  }
  return Name({part, startRow, NamesOf(table)[first]});
}

uint32_t MusicViewer::PulseProgram(int start) { return TwoColumnProgram(start, true); }
uint32_t MusicViewer::FilterProgram(int start) { return TwoColumnProgram(start, false); }

uint32_t MusicViewer::Instrument(int number) {
  std::optional<uint32_t>& cached = instruments_[static_cast<size_t>(number) & 0xFF];
  if (cached) return *cached;
  const auto& columns = tables_->instruments;
  std::vector<uint32_t> key{Of(Part::kInstrument)};
  if (static_cast<size_t>(number) >= columns[kAdtb].size()) {
    key.push_back(kOutsideToken);
  } else {
    reached_.instruments[static_cast<size_t>(number)] = 1;
    const auto n = static_cast<size_t>(number);
    for (size_t column = 0; column < kInstrumentTableCount; ++column) {
      const uint8_t value = columns[column][n];
      switch (column) {
        case kAptb: key.push_back(NameToken(WaveProgram(value))); break;
        case kPptb: key.push_back(NameToken(PulseProgram(value))); break;
        case kFptb: key.push_back(NameToken(FilterProgram(value))); break;
        default: key.push_back(ByteToken(value)); break;
      }
    }
  }
  cached = Name(key);
  return *cached;
}

uint32_t MusicViewer::Glide(int number) {
  std::optional<uint32_t>& cached = glides_[static_cast<size_t>(number) & 0xFF];
  if (cached) return *cached;
  const DataTables& t = *tables_;
  if (static_cast<size_t>(number) >= t.gldtbl.size()) {
    cached = Name({Of(Part::kGlide), kOutsideToken});
  } else {
    reached_.glides[static_cast<size_t>(number)] = 1;
    cached = Name({Of(Part::kGlide), TwoBytes(At(t.gldtbl, number), At(t.gldtbh, number))});
  }
  return *cached;
}

uint32_t MusicViewer::Sector(int number) {
  std::optional<uint32_t>& cached = sectors_[static_cast<size_t>(number) & 0xFF];
  if (cached) return *cached;
  std::vector<uint32_t> key{Of(Part::kSector)};
  if (static_cast<size_t>(number) >= tables_->sectors.size()) {
    key.push_back(kOutsideToken);
  } else {
    reached_.sectors[static_cast<size_t>(number)] = 1;
    const std::vector<uint8_t>& bytes = tables_->sectors[static_cast<size_t>(number)];
    key.reserve(bytes.size() + 2);
    const int entries = static_cast<int>(bytes.size());
    const WalkResult walk = WalkEntries(bytes, kPlayedSector, [&](int i, uint8_t value) {
      const EntryRange<SectorEntry>& entry = ClassifySectorEntry(value);
      if (entry.kind == SectorEntry::kGlide) {
        key.push_back(NameToken(Glide(SelectedNumber(entry, value))));
      } else if (entry.kind == SectorEntry::kInstrument) {
        key.push_back(NameToken(Instrument(SelectedNumber(entry, value))));
      } else {
        key.push_back(ByteToken(value));
      }
      if (entry.kind != SectorEntry::kCommand) return;
      if (!HasParameter(i, entries)) {
        key.push_back(kOutsideToken);
        return;
      }
      const uint8_t parameter = bytes[static_cast<size_t>(i) + 1];
      if (value == kPulseCommand) {
        key.push_back(NameToken(PulseProgram(parameter)));
      } else if (value == kFilterCommand) {
        key.push_back(NameToken(FilterProgram(parameter)));
      } else {
        key.push_back(ByteToken(parameter));
      }
    });
    if (!walk.ended) key.push_back(kOutsideToken);
  }
  cached = Name(key);
  return *cached;
}

uint32_t MusicViewer::Track(const std::vector<uint8_t>& bytes) {
  std::vector<uint32_t> key{Of(Part::kTrack)};
  key.reserve(bytes.size() + 2);
  const int entries = static_cast<int>(bytes.size());
  const WalkResult walk = WalkEntries(bytes, kPlayedTrack, [&](int i, uint8_t value) {
    const EntryRange<TrackEntry>& entry = ClassifyTrackEntry(value);
    key.push_back(entry.kind == TrackEntry::kSector ? NameToken(Sector(SelectedNumber(entry, value)))
                                                    : ByteToken(value));
    // A loop's parameter is where in the track it goes on.
    if (entry.kind == TrackEntry::kLoop) {
      key.push_back(HasParameter(i, entries) ? ByteToken(bytes[static_cast<size_t>(i) + 1]) : kOutsideToken);
    }
  });
  if (!walk.ended) key.push_back(kOutsideToken);
  return Name(key);
}

MusicView MusicViewer::View(const DataTables& tables) {
  Look(tables);
  MusicView view;
  view.arpspds = tables.arpspds;
  for (const SongTables& song : tables.songs) {
    std::vector<uint32_t> key{Of(Part::kSong)};
    for (const std::vector<uint8_t>& track : song.tracks) key.push_back(NameToken(Track(track)));
    key.push_back(ByteToken(song.speed));
    key.push_back(ByteToken(song.setting));
    view.songs.push_back(Name(key));
  }
  return view;
}

}  // namespace zspack
