#include "output/data_file.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <optional>

#include "common/music_format.h"
#include "common/text.h"
#include "output/data_file_tables.h"
#include "output/hex_byte.h"

namespace zspack {

namespace {

// The pulse and filter tables count their rows from 1: the label stands one byte before
// the data, and row 0 is never written.
constexpr std::string_view kOneBased = " = *-1";
constexpr size_t kLongestLabel = 16;

constexpr std::string_view kSectionBreak = ";...";

// A "!by" line of a byte table holds 17 entries: the first starts at column 11, every
// entry takes 4 columns, and a line ends once an entry has reached past column 75.
constexpr size_t kEntriesPerLine = 17;
// A "!by" line of the sector address lists holds 8 entries.
constexpr int kSectorsPerLine = 8;
constexpr std::string_view kByteLine = "\t!by";  // starts a line of byte data

// ",$00" to ",$FF": a data entry with the comma that separates it from the one before.
constexpr size_t kEntryChars = 4;
constexpr size_t kByteValues = 256;
using SeparatedEntry = std::array<char, kEntryChars>;
constexpr std::array<SeparatedEntry, kByteValues> kSeparatedHex = [] {
  std::array<SeparatedEntry, kByteValues> table{};
  for (size_t v = 0; v < kByteValues; ++v) {
    const std::string_view hex = HexByte(static_cast<long>(v));
    table[v] = {',', hex[0], hex[1], hex[2]};
  }
  return table;
}();

// A label of a stem and a number's two hexadecimal digits, ".trk0B" or ".sec5F".
class NumberedLabel {
 public:
  NumberedLabel(std::string_view stem, int number) {
    const std::string_view digits = HexDigits(number);
    std::copy(digits.begin(), digits.end(), std::copy(stem.begin(), stem.end(), text_));
  }
  std::string_view view() const { return {text_, sizeof text_}; }

 private:
  char text_[kTrackStem.size() + 2] = {};
};

void AppendLine(std::string& out, std::string_view line) {
  out += line;
  out += kEol;
}

// Compaction has put the used sectors at 0 .. SectorCount - 1, so the list is those numbers.
void AppendSectorList(std::string& out, const Exploration& found, std::string_view stem, char op) {
  out += stem;
  const int count = std::min<int>(found.counts.SectorCount, kSectorCount);
  for (int i = 0; i < count; ++i) {
    if (i % kSectorsPerLine == 0) {
      out += kEol;
      out += kByteLine;
      out += ' ';
    } else {
      out += ',';
    }
    out += op;
    out += NumberedLabel(kSectorStem, i).view();
  }
  out += kEol;
}

bool SongIsPacked(const Exploration& found, std::optional<int16_t> selected, int song) {
  return (!selected || *selected == song) && found.maps.SongMap[static_cast<size_t>(song)] != 0;
}

// Room for the whole data file, so that it is never copied while it grows: a table of n
// entries takes at most 4n + n/17 * 5 + 5 bytes and its label, less than 5n + 24; the
// header, arpspds and each tunedats line fit in 256 and 80, and each sector list in 16
// and 8 per sector and per line.
size_t DataFileCapacity(const Exploration& found, std::string_view inputName) {
  constexpr size_t kBytesPerEntry = 5;
  constexpr size_t kLabelRoom = 24;
  constexpr size_t kHeaderRoom = 256;
  constexpr size_t kSongLineRoom = 80;
  constexpr size_t kListRoom = 16;
  constexpr size_t kListEntryRoom = kSectorsPerLine;
  constexpr size_t kRowTables = std::size(kWaveTables) + std::size(kPulseTables) + std::size(kFilterTables);
  auto table = [](size_t entries) { return kBytesPerEntry * entries + kLabelRoom; };
  size_t songs = 0;
  for (const uint8_t mark : found.maps.SongMap) songs += mark != 0;
  const auto sectors = static_cast<size_t>(std::max<int>(found.counts.SectorCount, 0));
  const size_t listLines = sectors / kSectorsPerLine + 1;
  return kHeaderRoom + inputName.size() + songs * kSongLineRoom
         + songs * kVoiceCount * table(kTrackEntries + 1)
         + std::size(kGlideTables) * table(kGlideCount)
         + std::size(kInstrumentTables) * table(kInstrumentCount)
         + kRowTables * table(kTableRows)
         + sectors * table(kSectorEntries)
         + 2 * (kListRoom + sectors * kListEntryRoom + listLines * kListEntryRoom);
}

void WriteTables(std::string& out, const MusicImage& image, std::span<const TableSpec> tables,
                 int count) {
  for (const TableSpec& table : tables) WriteByteTable(out, image, table.label, table.start, count);
}

// Rows 1..count of a table whose label stands one byte before its data.
void WriteOneBasedTables(std::string& out, const MusicImage& image,
                         std::span<const TableSpec> tables, int count) {
  for (const TableSpec& table : tables) {
    std::array<char, kLongestLabel> label{};
    const auto end = std::copy(kOneBased.begin(), kOneBased.end(),
                               std::copy(table.label.begin(), table.label.end(), label.begin()));
    WriteByteTable(out, image, std::string_view(label.data(), static_cast<size_t>(end - label.begin())),
                   table.start + 1, count);
  }
}

bool IsHost(const Exploration& found, int sector) {
  return found.sectorPlaces[static_cast<size_t>(sector)].host == sector;
}

// A sector with its own label, and the labels of the sectors that are its tails where
// their bytes begin.
void WriteSectorWithTails(std::string& out, const MusicImage& image, const Exploration& found, int sector) {
  std::array<int, kSectorEntries> tailAt;
  tailAt.fill(-1);
  for (int n = 0; n < kSectorCount; ++n) {
    const SectorPlace place = found.sectorPlaces[static_cast<size_t>(n)];
    if (n != sector && place.host == sector && found.maps.SectorMap[static_cast<size_t>(n)] != 0) tailAt[place.offset] = n;
  }
  const int length = SectorLength(image, sector);
  int label = sector;
  int from = 0;
  for (int at = 1; at <= length; ++at) {
    if (at < length && tailAt[static_cast<size_t>(at)] < 0) continue;
    WriteByteTable(out, image, NumberedLabel(kSectorStem, label).view(), SectorAddress(sector) + static_cast<uint32_t>(from),
                   at - from);
    if (at < length) label = tailAt[static_cast<size_t>(at)];
    from = at;
  }
}

}  // namespace

void WriteByteTable(std::string& out, const MusicImage& image, std::string_view label,
                    uint32_t start, int count) {
  // Each entry is stored as four characters with the separator in front; the first one's
  // is a blank.
  const size_t entries = count > 1 ? static_cast<size_t>(count) : 1;
  const size_t lines = (entries + kEntriesPerLine - 1) / kEntriesPerLine;
  const size_t at = out.size();
  out.resize(at + label.size() + lines * (kEol.size() + kByteLine.size()) + entries * kEntryChars +
             kEol.size());
  char* p = out.data() + at;
  p = std::copy(label.begin(), label.end(), p);
  size_t k = 0;
  while (k < entries) {
    p = std::copy(kByteLine.begin(), kByteLine.end(), std::copy(kEol.begin(), kEol.end(), p));
    char* const first = p;
    for (const size_t lineEnd = std::min(entries, k + kEntriesPerLine); k < lineEnd; ++k) {
      std::memcpy(p, kSeparatedHex[image.Byte(start + static_cast<uint32_t>(k))].data(), kEntryChars);
      p += kEntryChars;
    }
    *first = ' ';
  }
  std::copy(kEol.begin(), kEol.end(), p);
}

int CountDataBytes(const MusicImage& image, const Exploration& found, std::optional<int16_t> selected) {
  // A table of n entries holds at least one value.
  auto values = [](int n) { return std::max(n, 1); };
  constexpr int kSongRecordValues = 2 * kVoiceCount + 2;  // three track addresses, speed, setting
  int bytes = selected ? 1 : kSongCount;
  for (int s = 0; s < kSongCount; ++s) {
    if (!SongIsPacked(found, selected, s)) continue;
    bytes += kSongRecordValues;
    for (int v = 0; v < kVoiceCount; ++v) {
      const int track = kVoiceCount * s + v;
      if (found.trackLabels[static_cast<size_t>(track)] == track) bytes += TrackLength(image, TrackAddress(track));
    }
  }
  bytes += static_cast<int>(std::size(kGlideTables)) * values(found.counts.GlideCount);
  bytes += static_cast<int>(std::size(kInstrumentTables)) * values(found.counts.InstrumentSlots());
  bytes += static_cast<int>(std::size(kWaveTables)) * (HighestMarked(found.maps.WaveMap) + 1);
  bytes += static_cast<int>(std::size(kPulseTables)) * values(HighestMarked(found.maps.PulseMap));
  bytes += static_cast<int>(std::size(kFilterTables)) * values(HighestMarked(found.maps.FilterMap));
  for (int n = 0; n < kSectorCount; ++n) {
    if (found.maps.SectorMap[static_cast<size_t>(n)] != 0 && IsHost(found, n)) bytes += SectorLength(image, n);
  }
  return bytes + 2 * std::min<int>(std::max<int>(found.counts.SectorCount, 0), kSectorCount);
}

void AppendDataFile(std::string& out, const MusicImage& image, const Exploration& found,
                    const FeatureState& features, std::string_view inputName) {
  const std::optional<int16_t> selected = features.SelectedSong;
  out.reserve(out.size() + DataFileCapacity(found, inputName));

  out += ";data dump of \"";
  AppendCommentSafe(out, inputName);
  AppendLine(out, "\"");
  AppendLine(out, ";");

  out += kArpspds;
  out += "\t!by ";
  if (!selected) {
    for (uint32_t s = 0; s < kSongCount; ++s) {
      if (s != 0) out += ',';
      out += HexByte(image.At(addr::arpspds + s));
    }
  } else {
    out += HexByte(image.At(addr::arpspds + ClampTo(*selected, kSongCount)));
  }
  out += kEol;

  AppendLine(out, kTunedats);
  for (int s = 0; s < kSongCount; ++s) {
    if (!SongIsPacked(found, selected, s)) continue;
    out += "\t!by ";
    for (int v = 0; v < kVoiceCount; ++v) {
      if (v != 0) out += ',';
      const int track = kVoiceCount * s + v;
      const NumberedLabel label(kTrackStem, found.trackLabels[static_cast<size_t>(track)]);
      out += '<';
      out += label.view();
      out += ",>";
      out += label.view();
    }
    out += ',';
    out += HexByte(image.At(SongRecordAddress(s) + kSongSpeedOffset));
    out += ',';
    out += HexByte(image.At(SongRecordAddress(s) + kSongSettingOffset));
    out += kEol;
  }
  // Every track is written whole with its label, also one of 256 or 257 entries, since
  // tunedats refers to it; a $FE at index 255 takes its argument from the next entry. A
  // track that names another's label is written as that one.
  for (int s = 0; s < kSongCount; ++s) {
    if (!SongIsPacked(found, selected, s)) continue;
    for (int v = 0; v < kVoiceCount; ++v) {
      const int track = kVoiceCount * s + v;
      if (found.trackLabels[static_cast<size_t>(track)] != track) continue;
      const uint32_t start = TrackAddress(track);
      WriteByteTable(out, image, NumberedLabel(kTrackStem, track).view(), start, TrackLength(image, start));
    }
  }

  AppendLine(out, kSectionBreak);
  WriteTables(out, image, kGlideTables, found.counts.GlideCount);
  AppendLine(out, kSectionBreak);
  WriteTables(out, image, kInstrumentTables, found.counts.InstrumentSlots());
  WriteTables(out, image, kWaveTables, HighestMarked(found.maps.WaveMap) + 1);
  WriteOneBasedTables(out, image, kPulseTables, HighestMarked(found.maps.PulseMap));
  WriteOneBasedTables(out, image, kFilterTables, HighestMarked(found.maps.FilterMap));
  AppendLine(out, kSectionBreak);

  const bool tails = found.sectorPlaces != kOwnSectorPlaces;
  for (int n = 0; n < kSectorCount; ++n) {
    if (found.maps.SectorMap[static_cast<size_t>(n)] == 0 || !IsHost(found, n)) continue;
    if (tails) {
      WriteSectorWithTails(out, image, found, n);
    } else {
      WriteByteTable(out, image, NumberedLabel(kSectorStem, n).view(), SectorAddress(n), SectorLength(image, n));
    }
  }
  AppendSectorList(out, found, kSectorLows, '<');
  AppendSectorList(out, found, kSectorHighs, '>');
}

}  // namespace zspack
