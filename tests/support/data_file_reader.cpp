#include "support/data_file_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "common/music_format.h"
#include "output/data_file_tables.h"

namespace zspack::testing {

namespace {

using Bytes = std::span<const uint8_t>;

constexpr std::string_view kByteDirective = "!by";
// A label of a table counted from row 1 stands one byte before the table's first row.
constexpr std::string_view kOneByteBefore = "= *-1";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLabelStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '.'; }
bool IsLabelChar(char c) { return IsLabelStart(c) || std::isdigit(static_cast<unsigned char>(c)) != 0; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::vector<uint8_t> Copy(Bytes bytes) { return {bytes.begin(), bytes.end()}; }

// Row r at index r: index 0 holds 0, the rows follow.
std::vector<uint8_t> FromRowOne(Bytes rows) {
  std::vector<uint8_t> table(rows.size() + 1);
  std::copy(rows.begin(), rows.end(), table.begin() + 1);
  return table;
}

// The text laid out as the assembler does; a fault is kept in error() and every later
// read gives nothing.
class Layout {
 public:
  void Assemble(std::string_view text) {
    std::vector<Reference> references;
    for (size_t at = 0, number = 1; at < text.size(); ++number) {
      const size_t eol = std::min(text.find('\n', at), text.size());
      std::string_view line = text.substr(at, eol - at);
      at = eol + 1;
      if (line.ends_with('\r')) line.remove_suffix(1);
      if (const char* why = ReadLine(line, references)) {
        Fail("line " + std::to_string(number) + " (" + why + "): " + std::string(line));
        return;
      }
    }
    for (const Reference& reference : references) {
      const auto label = labels_.find(reference.label);
      if (label == labels_.end()) return Fail("label " + reference.label + " is never defined");
      memory_[reference.at] = static_cast<uint8_t>(label->second.address >> (reference.high ? 8 : 0));
    }
  }

  uint32_t Address(std::string_view name) {
    const auto label = labels_.find(name);
    if (label != labels_.end()) return label->second.address;
    Fail("no label " + std::string(name));
    return End();
  }

  // The bytes from where `name`'s data starts to where the data of the label after it
  // (in address order) starts, or to the end of the data.
  Bytes Table(std::string_view name) {
    const auto label = labels_.find(name);
    if (label == labels_.end()) return Between(Address(name), End());
    const Label& mine = label->second;
    uint32_t end = End();
    for (const auto& [other, next] : labels_) {
      if (std::tie(next.dataStart, next.order) > std::tie(mine.dataStart, mine.order)) end = std::min(end, next.dataStart);
    }
    return Between(mine.dataStart, end);
  }

  Bytes Between(uint32_t first, uint32_t end) {
    if (first < kReadBase || end < first || end > End()) {
      Fail("the bytes from $" + Hex(first) + " to $" + Hex(end) + " are not all in the data");
      return {};
    }
    return Bytes(memory_).subspan(first - kReadBase, end - first);
  }

  // A track read as the player reads it: through its first song change or end, or its
  // loop with the loop's parameter; 256 entries, or the data's end, when none comes.
  std::vector<uint8_t> Track(uint32_t address) {
    const Bytes rest = Between(address, End());
    constexpr WalkRule kPlayed{WalkEnd::kTrackEnd, false};
    const WalkResult walk = WalkEntries(rest, kPlayed, [](int, uint8_t) {});
    auto length = static_cast<size_t>(walk.length);
    if (walk.ended && ClassifyTrackEntry(walk.last).kind == TrackEntry::kLoop && length < rest.size()) ++length;
    return Copy(rest.first(length));
  }

  // A sector through its $FF, a command's parameter never ending it; at most 256 entries.
  std::vector<uint8_t> Sector(uint32_t address) {
    const Bytes rest = Between(address, End());
    constexpr WalkRule kPlayed{WalkEnd::kSectorEnd, true};
    return Copy(rest.first(static_cast<size_t>(WalkEntries(rest, kPlayed, [](int, uint8_t) {}).length)));
  }

  void Fail(const std::string& why) {
    if (error_.empty()) error_ = why;
  }
  const std::string& error() const { return error_; }

 private:
  struct Label {
    uint32_t address;
    uint32_t dataStart;  // where the bytes written after the label begin
    size_t order;        // labels at one address follow each other in the text's order
  };
  struct Reference {
    size_t at;
    bool high;
    std::string label;
  };

  static std::string Hex(uint32_t value) {
    char digits[8] = {};
    return {digits, std::to_chars(digits, digits + sizeof digits, value, 16).ptr};
  }

  uint32_t End() const { return kReadBase + static_cast<uint32_t>(memory_.size()); }

  // nullptr, or why the line cannot be read.
  const char* ReadLine(std::string_view line, std::vector<Reference>& references) {
    if (line.empty() || line.front() == ';') return nullptr;
    size_t length = 0;
    while (length < line.size() && IsLabelChar(line[length])) ++length;
    const std::string_view label = line.substr(0, length);
    std::string_view rest = Trim(line.substr(length));
    if (!label.empty()) {
      if (!IsLabelStart(label.front())) return "a label starts with a letter, '.' or '_'";
      const bool oneByteBefore = rest == kOneByteBefore;
      const Label at{End() - (oneByteBefore ? 1 : 0), End(), labels_.size()};
      if (!labels_.try_emplace(std::string(label), at).second) return "label defined twice";
      if (oneByteBefore) return nullptr;
    }
    if (rest.empty()) return nullptr;
    if (!rest.starts_with(kByteDirective) || rest.size() == kByteDirective.size() ||
        !IsBlank(rest[kByteDirective.size()])) {
      return "neither a label nor a !by line";
    }
    rest.remove_prefix(kByteDirective.size());
    for (size_t from = 0; from <= rest.size();) {
      const size_t comma = std::min(rest.find(',', from), rest.size());
      const std::string_view value = Trim(rest.substr(from, comma - from));
      from = comma + 1;
      if (value.size() > 1 && (value.front() == '<' || value.front() == '>')) {
        references.push_back({memory_.size(), value.front() == '>', std::string(value.substr(1))});
        memory_.push_back(0);
        continue;
      }
      unsigned byte = 0;
      const char* last = value.data() + value.size();
      if (value.size() < 2 || value.front() != '$' || std::from_chars(value.data() + 1, last, byte, 16).ptr != last ||
          byte > 0xFF) {
        return "not a byte value";
      }
      memory_.push_back(static_cast<uint8_t>(byte));
    }
    return nullptr;
  }

  std::vector<uint8_t> memory_;
  std::map<std::string, Label, std::less<>> labels_;
  std::string error_;
};

uint32_t Word(uint8_t low, uint8_t high) { return static_cast<uint32_t>(high) << 8 | low; }

}  // namespace

bool TryReadDataFile(std::string_view text, DataTables& tables, std::string& error) {
  tables = {};
  Layout layout;
  layout.Assemble(text);
  tables.arpspds = Copy(layout.Between(layout.Address(kArpspds), layout.Address(kTunedats)));
  const Bytes records = layout.Table(kTunedats);
  if (records.size() % kSongRecordSize != 0) layout.Fail("tunedats holds a part of a song record");
  for (size_t at = 0; at + kSongRecordSize <= records.size(); at += kSongRecordSize) {
    const Bytes record = records.subspan(at, kSongRecordSize);
    SongTables& song = tables.songs.emplace_back();
    for (size_t v = 0; v < kVoiceCount; ++v) song.tracks[v] = layout.Track(Word(record[2 * v], record[2 * v + 1]));
    song.speed = record[kSongSpeedOffset];
    song.setting = record[kSongSettingOffset];
  }
  const Bytes lows = layout.Table(kSectorLows);
  const Bytes highs = layout.Table(kSectorHighs);
  if (lows.size() != highs.size()) layout.Fail("the sector address lists differ in length");
  for (size_t n = 0; n < std::min(lows.size(), highs.size()); ++n) {
    tables.sectors.push_back(layout.Sector(Word(lows[n], highs[n])));
  }
  tables.gldtbl = Copy(layout.Table(kGlideTables[0].label));
  tables.gldtbh = Copy(layout.Table(kGlideTables[1].label));
  for (size_t t = 0; t < kInstrumentTableCount; ++t) tables.instruments[t] = Copy(layout.Table(kInstrumentTables[t].label));
  tables.wave = Copy(layout.Table(kWaveTables[0].label));
  tables.trans = Copy(layout.Table(kWaveTables[1].label));
  tables.ptb1 = FromRowOne(layout.Table(kPulseTables[0].label));
  tables.ptb2 = FromRowOne(layout.Table(kPulseTables[1].label));
  tables.ftb1 = FromRowOne(layout.Table(kFilterTables[0].label));
  tables.ftb2 = FromRowOne(layout.Table(kFilterTables[1].label));
  error = layout.error();
  if (!error.empty()) tables = {};
  return error.empty();
}

DataTables ReadDataFile(std::string_view text) {
  DataTables tables;
  std::string error;
  if (!TryReadDataFile(text, tables, error)) ADD_FAILURE() << "cannot read the data file: " << error;
  return tables;
}

std::string TablesDiffer(const DataTables& a, const DataTables& b) {
  std::string where;
  auto compare = [&](const std::string& name, const std::vector<uint8_t>& x, const std::vector<uint8_t>& y) {
    if (!where.empty() || x == y) return;
    const auto at = static_cast<size_t>(std::mismatch(x.begin(), x.end(), y.begin(), y.end()).first - x.begin());
    auto value = [&](const std::vector<uint8_t>& v) { return at < v.size() ? std::to_string(v[at]) : std::string("none"); };
    where = name + ": " + std::to_string(x.size()) + " vs " + std::to_string(y.size()) + " bytes, at " +
            std::to_string(at) + " " + value(x) + " vs " + value(y);
  };
  compare(std::string(kArpspds), a.arpspds, b.arpspds);
  compare("song count", std::vector<uint8_t>(a.songs.size()), std::vector<uint8_t>(b.songs.size()));
  for (size_t s = 0; s < std::min(a.songs.size(), b.songs.size()); ++s) {
    const std::string song = "song " + std::to_string(s);
    for (size_t v = 0; v < kVoiceCount; ++v) compare(song + " voice " + std::to_string(v), a.songs[s].tracks[v], b.songs[s].tracks[v]);
    compare(song + " speed, setting", {a.songs[s].speed, a.songs[s].setting}, {b.songs[s].speed, b.songs[s].setting});
  }
  compare("sector count", std::vector<uint8_t>(a.sectors.size()), std::vector<uint8_t>(b.sectors.size()));
  for (size_t n = 0; n < std::min(a.sectors.size(), b.sectors.size()); ++n) {
    compare("sector " + std::to_string(n), a.sectors[n], b.sectors[n]);
  }
  compare(std::string(kGlideTables[0].label), a.gldtbl, b.gldtbl);
  compare(std::string(kGlideTables[1].label), a.gldtbh, b.gldtbh);
  for (size_t t = 0; t < kInstrumentTableCount; ++t) compare(std::string(kInstrumentTables[t].label), a.instruments[t], b.instruments[t]);
  compare(std::string(kWaveTables[0].label), a.wave, b.wave);
  compare(std::string(kWaveTables[1].label), a.trans, b.trans);
  compare(std::string(kPulseTables[0].label), a.ptb1, b.ptb1);
  compare(std::string(kPulseTables[1].label), a.ptb2, b.ptb2);
  compare(std::string(kFilterTables[0].label), a.ftb1, b.ftb1);
  compare(std::string(kFilterTables[1].label), a.ftb2, b.ftb2);
  return where;
}

}  // namespace zspack::testing
