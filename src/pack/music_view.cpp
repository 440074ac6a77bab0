#include "pack/music_view.h"

#include "common/music_format.h"

namespace zspack {

namespace {

// What a name stands for, first in its key, so that no two kinds of part share a name.
enum class Part : uint32_t { kWave = 1, kPulse, kFilter, kInstrument, kGlide, kSector, kTrack, kSong };

// Tokens: a byte the player reads as it is, or the name of a part an entry selects.
constexpr uint32_t kTagShift = 24;
enum class Tag : uint32_t { kByte = 1, kNamed, kWaveRow, kWaveJump, kWaveEnd, kStartRow, kStep, kNone };
constexpr uint32_t Token(Tag tag, uint32_t value) { return static_cast<uint32_t>(tag) << kTagShift | value; }
constexpr uint32_t ByteToken(uint8_t value) { return Token(Tag::kByte, value); }
constexpr uint32_t NameToken(uint32_t name) { return Token(Tag::kNamed, name); }
constexpr uint32_t TwoBytes(uint8_t high, uint8_t low) { return static_cast<uint32_t>(high) << 8 | low; }

constexpr WalkRule kPlayedTrack{WalkEnd::kTrackEnd, false};
constexpr WalkRule kPlayedSector{WalkEnd::kSectorEnd, true};

// Whether the data holds row `row` of a table written from row 1 (pulse, filter).
bool HoldsRow(const std::vector<uint8_t>& column, int row) {
  return row >= 1 && static_cast<size_t>(row) < column.size();
}

uint8_t At(const std::vector<uint8_t>& table, int index) {
  return index >= 0 && static_cast<size_t>(index) < table.size() ? table[static_cast<size_t>(index)] : 0;
}

}  // namespace

uint32_t MusicViewer::Name(const std::vector<uint32_t>& key) {
  const auto [where, added] = names_.try_emplace(key, static_cast<uint32_t>(names_.size()));
  return where->second;
}

void MusicViewer::Look(const DataTables& tables) {
  tables_ = &tables;
  for (Names* names : {&instruments_, &glides_, &sectors_, &wave_, &pulse_, &filter_}) names->fill(std::nullopt);
  reached_ = Reached{};
}

uint32_t MusicViewer::WaveProgram(int start) {
  std::optional<uint32_t>& cached = wave_[static_cast<size_t>(start) & 0xFF];
  if (cached) return *cached;
  const DataTables& t = *tables_;
  const auto held = static_cast<int>(t.wave.size());
  const StreamKey walk = start >= held
      ? StreamKey{kOutsideMark}
      : WalkProgram(
            start, {static_cast<uint32_t>(Part::kWave)},
            [&](int row) {
              reached_.wave[static_cast<size_t>(row)] = 1;
              const uint8_t kind = At(t.wave, row);
              if (kind == kWaveJump) return Token(Tag::kWaveJump, 0);
              return Token(kind > kWaveJump ? Tag::kWaveEnd : Tag::kWaveRow, TwoBytes(kind, At(t.trans, row)));
            },
            [&](int row) {
              const uint8_t kind = At(t.wave, row);
              if (kind > kWaveJump) return kStreamEnds;
              const int next = kind == kWaveJump ? At(t.trans, row) : row + 1;
              return next < held ? next : kStreamLeaves;
            });
  cached = Name(walk);
  return *cached;
}

// A program of the pulse or filter table: the start row, then steps of two rows whose
// second row's column 2 links to the next step, 0 ending the program.
uint32_t MusicViewer::TwoColumnProgram(int start, bool pulse) {
  std::optional<uint32_t>& cached = (pulse ? pulse_ : filter_)[static_cast<size_t>(start) & 0xFF];
  if (cached) return *cached;
  const DataTables& t = *tables_;
  const std::vector<uint8_t>& c1 = pulse ? t.ptb1 : t.ftb1;
  const std::vector<uint8_t>& c2 = pulse ? t.ptb2 : t.ftb2;
  RowMarks& reached = pulse ? reached_.pulse : reached_.filter;
  const uint32_t part = static_cast<uint32_t>(pulse ? Part::kPulse : Part::kFilter);
  if (start == 0 || start == static_cast<int>(kLastTableRow)) {
    cached = Name({part, Token(Tag::kNone, static_cast<uint32_t>(start))});
    return *cached;
  }
  if (!HoldsRow(c1, start)) {
    cached = Name({part, kOutsideMark});
    return *cached;
  }
  reached[static_cast<size_t>(start)] = 1;
  auto stepHeld = [&](int p) { return HoldsRow(c1, p) && HoldsRow(c1, p + 1); };
  StreamKey walk;
  if (!stepHeld(start + 1)) {
    walk = {part, Token(Tag::kStartRow, TwoBytes(At(c1, start), At(c2, start))), kOutsideMark};
  } else {
    walk = WalkProgram(
        start + 1, {part, Token(Tag::kStartRow, TwoBytes(At(c1, start), At(c2, start)))},
        [&](int p) {
          reached[static_cast<size_t>(p)] = 1;
          reached[static_cast<size_t>(p) + 1] = 1;
          return Token(Tag::kStep, static_cast<uint32_t>(At(c1, p)) << 16 | TwoBytes(At(c2, p), At(c1, p + 1)));
        },
        [&](int p) {
          const int link = At(c2, p + 1);
          if (link == 0) return kStreamEnds;
          return stepHeld(link) ? link : kStreamLeaves;
        });
  }
  cached = Name(walk);
  return *cached;
}

uint32_t MusicViewer::PulseProgram(int start) { return TwoColumnProgram(start, true); }
uint32_t MusicViewer::FilterProgram(int start) { return TwoColumnProgram(start, false); }

uint32_t MusicViewer::Instrument(int number) {
  std::optional<uint32_t>& cached = instruments_[static_cast<size_t>(number) & 0xFF];
  if (cached) return *cached;
  const auto& columns = tables_->instruments;
  std::vector<uint32_t> key{static_cast<uint32_t>(Part::kInstrument)};
  if (static_cast<size_t>(number) >= columns[kAdtb].size()) {
    key.push_back(kOutsideMark);
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
    cached = Name({static_cast<uint32_t>(Part::kGlide), kOutsideMark});
  } else {
    reached_.glides[static_cast<size_t>(number)] = 1;
    cached = Name({static_cast<uint32_t>(Part::kGlide), TwoBytes(At(t.gldtbl, number), At(t.gldtbh, number))});
  }
  return *cached;
}

uint32_t MusicViewer::Sector(int number) {
  std::optional<uint32_t>& cached = sectors_[static_cast<size_t>(number) & 0xFF];
  if (cached) return *cached;
  std::vector<uint32_t> key{static_cast<uint32_t>(Part::kSector)};
  if (static_cast<size_t>(number) >= tables_->sectors.size()) {
    key.push_back(kOutsideMark);
  } else {
    reached_.sectors[static_cast<size_t>(number)] = 1;
    const std::vector<uint8_t>& bytes = tables_->sectors[static_cast<size_t>(number)];
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
        key.push_back(kOutsideMark);
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
    if (!walk.ended) key.push_back(kOutsideMark);
  }
  cached = Name(key);
  return *cached;
}

uint32_t MusicViewer::Track(const std::vector<uint8_t>& bytes) {
  std::vector<uint32_t> key{static_cast<uint32_t>(Part::kTrack)};
  const int entries = static_cast<int>(bytes.size());
  const WalkResult walk = WalkEntries(bytes, kPlayedTrack, [&](int i, uint8_t value) {
    const EntryRange<TrackEntry>& entry = ClassifyTrackEntry(value);
    key.push_back(entry.kind == TrackEntry::kSector ? NameToken(Sector(SelectedNumber(entry, value)))
                                                    : ByteToken(value));
    // A loop's parameter is where in the track it goes on.
    if (entry.kind == TrackEntry::kLoop) {
      key.push_back(HasParameter(i, entries) ? ByteToken(bytes[static_cast<size_t>(i) + 1]) : kOutsideMark);
    }
  });
  if (!walk.ended) key.push_back(kOutsideMark);
  return Name(key);
}

MusicView MusicViewer::View(const DataTables& tables) {
  Look(tables);
  MusicView view;
  view.arpspds = tables.arpspds;
  for (const SongTables& song : tables.songs) {
    std::vector<uint32_t> key{static_cast<uint32_t>(Part::kSong)};
    for (const std::vector<uint8_t>& track : song.tracks) key.push_back(NameToken(Track(track)));
    key.push_back(ByteToken(song.speed));
    key.push_back(ByteToken(song.setting));
    view.songs.push_back(Name(key));
  }
  return view;
}

}  // namespace zspack
