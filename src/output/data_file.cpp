#include "output/data_file.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "output/hex_byte.h"

namespace zspack {

namespace {

constexpr std::string_view kEol = "\r\n";

struct TableSpec {
  std::string_view label;
  uint32_t start;
};

constexpr TableSpec kInstrumentTables[] = {
    {"adtb", addr::adtb}, {"srtb", addr::srtb}, {"aptb", addr::aptb}, {"pptb", addr::pptb},
    {"fptb", addr::fptb}, {"v1tb", addr::v1tb}, {"v2tb", addr::v2tb}, {"v3tb", addr::v3tb},
    {"hrtb", addr::hrtb}, {"hf1tb", addr::hf1tb}, {"hf2tb", addr::hf2tb},
};

// ",$00" to ",$FF": a data entry with the comma that separates it from the one before.
constexpr std::array<std::array<char, 4>, 256> kSeparatedHex = [] {
  std::array<std::array<char, 4>, 256> table{};
  constexpr char kDigits[] = "0123456789ABCDEF";
  for (size_t v = 0; v < 256; ++v) table[v] = {',', '$', kDigits[v >> 4], kDigits[v & 15]};
  return table;
}();

// A label of a stem and a number's two hexadecimal digits, ".trk0B" or ".sec5F".
class NumberedLabel {
 public:
  NumberedLabel(std::string_view stem, int number) {
    std::copy(stem.begin(), stem.end(), text_);
    const std::string_view digits = HexDigits(number);
    text_[4] = digits[0];
    text_[5] = digits[1];
  }
  std::string_view view() const { return {text_, sizeof text_}; }

 private:
  char text_[6] = {};
};

// The line break follows the sector index, which after compaction is the entry count.
void AppendSectorList(std::string& out, const PackState& state, std::string_view stem, char op) {
  out += stem;
  int remaining = state.counts.SectorCount;
  int i = 0;
  while (remaining > 0) {
    out += (i % 8 == 0) ? "\r\n\t!by " : ",";
    while (i < kSectorCount - 1 && state.maps.SectorMap[static_cast<size_t>(i)] == 0) ++i;
    out += op;
    out += NumberedLabel(".sec", i).view();
    --remaining;
    if (++i >= kSectorCount) break;
  }
  out += kEol;
}

bool SongIsPacked(const PackState& state, int song) {
  const int selected = state.features.SelectedSong;
  return (selected == -1 || selected == song) && state.maps.SongMap[static_cast<size_t>(song)] != 0;
}

// Room for the whole data file, so that it is never copied while it grows: a table of n
// entries takes at most 4n + n/17 * 5 + 5 bytes and its label, less than 5n + 24.
size_t DataFileCapacity(const PackState& state, std::string_view inputName) {
  auto table = [](size_t entries) { return 5 * entries + 24; };
  size_t songs = 0;
  for (int s = 0; s < kSongCount; ++s) songs += state.maps.SongMap[static_cast<size_t>(s)] != 0;
  const auto sectors = static_cast<size_t>(std::max<int>(state.counts.SectorCount, 0));
  return 256 + inputName.size() + songs * 80                      // header, arpspds, tunedats
         + songs * kVoiceCount * table(kTrackEntries + 1)        // tracks
         + 2 * table(kGlideCount) + 11 * table(kInstrumentCount)  // glides, instruments
         + 6 * table(kTableRows)                                  // wave, pulse, filter
         + sectors * table(kSectorEntries)                        // sectors
         + 2 * (16 + sectors * 8 + (sectors / 8 + 1) * 8);       // Asecsl, Asecsh
}

}  // namespace

void WriteByteTable(std::string& out, const MusicImage& image, std::string_view label,
                    uint32_t start, int count) {
  // A line holds 17 entries: the first one starts at column 11 and every entry takes 4
  // columns, and a line ends once an entry has reached past column 75. Each entry is
  // stored as four characters with the separator in front; the first one's is a blank.
  constexpr size_t kPerLine = 17;
  constexpr std::string_view kLineStart = "\r\n\t!by";
  const size_t entries = count > 1 ? static_cast<size_t>(count) : 1;
  const size_t lines = (entries + kPerLine - 1) / kPerLine;
  const size_t at = out.size();
  out.resize(at + label.size() + lines * kLineStart.size() + entries * 4 + kEol.size());
  char* p = out.data() + at;
  p = std::copy(label.begin(), label.end(), p);
  size_t k = 0;
  while (k < entries) {
    std::memcpy(p, kLineStart.data(), kLineStart.size());
    p += kLineStart.size();
    char* const first = p;
    for (const size_t lineEnd = std::min(entries, k + kPerLine); k < lineEnd; ++k) {
      std::memcpy(p, kSeparatedHex[image.Byte(start + static_cast<uint32_t>(k))].data(), 4);
      p += 4;
    }
    *first = ' ';
  }
  std::copy(kEol.begin(), kEol.end(), p);
}

int TrackLength(const MusicImage& image, uint32_t start) {
  for (int k = 0; k < kTrackEntries; ++k) {
    const uint8_t b = image.Byte(start + static_cast<uint32_t>(k));
    if ((b >= 0xF0 && b <= 0xF3) || b == 0xFF) return k + 1;
    if (b == 0xFE) return k + 2;
  }
  return 1;
}

int SectorLength(const MusicImage& image, int sector) {
  const uint32_t start = SectorAddress(sector);
  int j = 0;
  while (j < kSectorEntries) {
    const uint8_t b = image.Byte(start + static_cast<uint32_t>(j));
    if (b == 0xFF) return j + 1;
    j += (b >= 0xF6 && b <= 0xFA) ? 2 : 1;
  }
  // No $FF within the sector: it is written whole, and a command in its last entry does
  // not stretch it past its 256 entries.
  return kSectorEntries;
}

int HighestMarked(std::span<const uint8_t> map) {
  int i = static_cast<int>(map.size()) - 1;
  while (i > 0 && map[static_cast<size_t>(i)] == 0) --i;
  return std::max(i, 0);
}

void AppendCommentSafe(std::string& out, std::string_view name) {
  for (const char c : name) out += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
}

std::string RenderDataFile(const PackState& state, std::string_view inputName) {
  const MusicImage& image = state.image;
  std::string out;
  out.reserve(DataFileCapacity(state, inputName));

  out += ";data dump of \"";
  AppendCommentSafe(out, inputName);
  out += "\"\r\n;\r\n";

  out += "arpspds\t!by ";
  if (state.features.SelectedSong == -1) {
    for (uint32_t s = 0; s < kSongCount; ++s) {
      if (s != 0) out += ',';
      out += HexByte(image.At(addr::arpspds + s));
    }
  } else {
    out += HexByte(image.At(addr::arpspds + static_cast<uint32_t>(state.features.SelectedSong & 3)));
  }
  out += kEol;

  out += "tunedats\r\n";
  for (int s = 0; s < kSongCount; ++s) {
    if (!SongIsPacked(state, s)) continue;
    out += "\t!by ";
    for (int v = 0; v < kVoiceCount; ++v) {
      if (v != 0) out += ',';
      const NumberedLabel label(".trk", 3 * s + v);
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
  // tunedats refers to it; a $FE at index 255 takes its argument from the next entry.
  for (int s = 0; s < kSongCount; ++s) {
    if (!SongIsPacked(state, s)) continue;
    for (int v = 0; v < kVoiceCount; ++v) {
      const uint32_t start = TrackAddress(s, v);
      WriteByteTable(out, image, NumberedLabel(".trk", 3 * s + v).view(), start, TrackLength(image, start));
    }
  }

  out += ";...\r\n";
  WriteByteTable(out, image, "gldtbl", addr::gldtbl, state.counts.GlideCount);
  WriteByteTable(out, image, "gldtbh", addr::gldtbh, state.counts.GlideCount);
  out += ";...\r\n";
  const int instruments = state.counts.HighestInstrument + 1;
  for (const TableSpec& table : kInstrumentTables) {
    WriteByteTable(out, image, table.label, table.start, instruments);
  }
  const int w = HighestMarked(state.maps.WaveMap);
  WriteByteTable(out, image, "wave", addr::wave, w + 1);
  WriteByteTable(out, image, "trans", addr::trans, w + 1);
  const int p = HighestMarked(state.maps.PulseMap);
  WriteByteTable(out, image, "ptb1 = *-1", addr::ptb1 + 1, p);
  WriteByteTable(out, image, "ptb2 = *-1", addr::ptb2 + 1, p);
  const int f = HighestMarked(state.maps.FilterMap);
  WriteByteTable(out, image, "ftb1 = *-1", addr::ftb1 + 1, f);
  WriteByteTable(out, image, "ftb2 = *-1", addr::ftb2 + 1, f);
  out += ";...\r\n";

  for (int n = 0; n < kSectorCount; ++n) {
    if (state.maps.SectorMap[static_cast<size_t>(n)] == 0) continue;
    WriteByteTable(out, image, NumberedLabel(".sec", n).view(), SectorAddress(n), SectorLength(image, n));
  }
  AppendSectorList(out, state, "Asecsl", '<');
  AppendSectorList(out, state, "Asecsh", '>');
  return out;
}

}  // namespace zspack
