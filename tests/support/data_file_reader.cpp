#include "support/data_file_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <span>
#include <tuple>
#include <utility>
#include <vector>

#include "common/music_format.h"
#include "output/data_file_tables.h"

namespace zspack::testing {

namespace {

using Bytes = std::span<const uint8_t>;

constexpr std::string_view kByteDirective = "!by";
// A table counted from row 1 has its label one byte before its first row.
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

uint32_t Word(uint8_t low, uint8_t high) { return static_cast<uint32_t>(high) << 8 | low; }

// The text laid out as the assembler lays it out. The first fault is kept in error().
class Layout {
 public:
  void Assemble(std::string_view text) {
    std::vector<Reference> references;
    for (size_t at = 0, number = 1; at < text.size() && error_.empty(); ++number) {
      const size_t eol = std::min(text.find('\n', at), text.size());
      std::string_view line = text.substr(at, eol - at);
      at = eol + 1;
      if (line.ends_with('\r')) line.remove_suffix(1);
      if (const char* why = ReadLine(line, references)) Fail("line " + std::to_string(number) + ", " + why + ": " + std::string(line));
    }
    for (const Reference& reference : references) {
      const auto label = labels_.find(reference.label);
      if (label == labels_.end()) return Fail("label " + reference.label + " is never defined");
      memory_[reference.at] = static_cast<uint8_t>(label->second.address >> (reference.high ? 8 : 0));
    }
  }

  uint32_t Address(std::string_view name) {
    const auto label = labels_.find(name);
    if (label == labels_.end()) Fail("no label " + std::string(name));
    return label == labels_.end() ? End() : label->second.address;
  }

  // From where `name`'s data starts to where the data of the next label in address order
  // starts, or to the end of the data.
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
    if (first >= kReadBase && first <= end && end <= End()) return Bytes(memory_).subspan(first - kReadBase, end - first);
    Fail("the bytes from " + std::to_string(first) + " to " + std::to_string(end) + " are not all in the data");
    return {};
  }

  // A track or sector as the player reads it: through the entry that ends it, a loop's
  // parameter included; 256 entries, or up to the data's end, when none does.
  std::vector<uint8_t> Walked(uint32_t address, WalkRule rule) {
    const Bytes rest = Between(address, End());
    const WalkResult walk = WalkEntries(rest, rule, [](int, uint8_t) {});
    const bool loop = walk.ended && rule.end == WalkEnd::kTrackEnd && ClassifyTrackEntry(walk.last).kind == TrackEntry::kLoop;
    return Copy(rest.first(std::min(rest.size(), static_cast<size_t>(walk.length) + loop)));
  }

  void Fail(const std::string& why) {
    if (error_.empty()) error_ = why;
  }
  const std::string& error() const { return error_; }
  size_t size() const { return memory_.size(); }

 private:
  // Labels at one address follow each other in the order the text defines them.
  struct Label { uint32_t address, dataStart; size_t order; };
  struct Reference { size_t at; bool high; std::string label; };

  uint32_t End() const { return kReadBase + static_cast<uint32_t>(memory_.size()); }

  // nullptr, or why the line cannot be read.
  const char* ReadLine(std::string_view line, std::vector<Reference>& references) {
    if (line.empty() || line.front() == ';') return nullptr;
    size_t length = 0;
    while (length < line.size() && IsLabelChar(line[length])) ++length;
    std::string_view rest = Trim(line.substr(length));
    if (length > 0) {
      if (!IsLabelStart(line.front())) return "a label starts with a letter, '.' or '_'";
      const bool oneByteBefore = rest == kOneByteBefore;
      if (!labels_.try_emplace(std::string(line.substr(0, length)), Label{End() - oneByteBefore, End(), labels_.size()}).second) {
        return "label defined twice";
      }
      if (oneByteBefore) return nullptr;
    }
    if (rest.empty()) return nullptr;
    if (!rest.starts_with(kByteDirective) || rest.size() == kByteDirective.size() || !IsBlank(rest[kByteDirective.size()])) {
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
      if (value.size() < 2 || value.front() != '$' || std::from_chars(value.data() + 1, last, byte, 16).ptr != last || byte > 0xFF) {
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

// Every table under a name, songs and sectors in their order.
std::vector<std::pair<std::string, std::vector<uint8_t>>> Named(const DataTables& t) {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> named{{"arpspds", t.arpspds}};
  for (size_t s = 0; s < t.songs.size(); ++s) {
    const std::string song = "song " + std::to_string(s);
    for (size_t v = 0; v < kVoiceCount; ++v) named.emplace_back(song + " voice " + std::to_string(v), t.songs[s].tracks[v]);
    named.emplace_back(song + " speed and setting", std::vector<uint8_t>{t.songs[s].speed, t.songs[s].setting});
  }
  for (size_t n = 0; n < t.sectors.size(); ++n) named.emplace_back("sector " + std::to_string(n), t.sectors[n]);
  named.insert(named.end(), {{"gldtbl", t.gldtbl}, {"gldtbh", t.gldtbh}});
  for (size_t c = 0; c < kInstrumentTableCount; ++c) named.emplace_back(kInstrumentTables[c].label, t.instruments[c]);
  named.insert(named.end(), {{"wave", t.wave}, {"trans", t.trans}, {"ptb1", t.ptb1}, {"ptb2", t.ptb2}, {"ftb1", t.ftb1}, {"ftb2", t.ftb2}});
  return named;
}

}  // namespace

bool TryReadDataFile(std::string_view text, DataTables& tables, std::string& error) {
  tables = {};
  Layout layout;
  layout.Assemble(text);
  tables.arpspds = Copy(layout.Between(layout.Address(kArpspds), layout.Address(kTunedats)));
  const Bytes records = layout.Table(kTunedats);
  if (records.size() % kSongRecordSize != 0) layout.Fail("tunedats holds a part of a song record");
  constexpr WalkRule kTrack{WalkEnd::kTrackEnd, false}, kSector{WalkEnd::kSectorEnd, true};
  for (size_t at = 0; at + kSongRecordSize <= records.size(); at += kSongRecordSize) {
    const Bytes record = records.subspan(at, kSongRecordSize);
    SongTables& song = tables.songs.emplace_back();
    for (size_t v = 0; v < kVoiceCount; ++v) song.tracks[v] = layout.Walked(Word(record[2 * v], record[2 * v + 1]), kTrack);
    song.speed = record[kSongSpeedOffset];
    song.setting = record[kSongSettingOffset];
  }
  const Bytes lows = layout.Table(kSectorLows), highs = layout.Table(kSectorHighs);
  if (lows.size() != highs.size()) layout.Fail("the sector address lists differ in length");
  for (size_t n = 0; n < std::min(lows.size(), highs.size()); ++n) tables.sectors.push_back(layout.Walked(Word(lows[n], highs[n]), kSector));
  tables.gldtbl = Copy(layout.Table(kGlideTables[0].label));
  tables.gldtbh = Copy(layout.Table(kGlideTables[1].label));
  for (size_t c = 0; c < kInstrumentTableCount; ++c) tables.instruments[c] = Copy(layout.Table(kInstrumentTables[c].label));
  tables.wave = Copy(layout.Table(kWaveTables[0].label));
  tables.trans = Copy(layout.Table(kWaveTables[1].label));
  // Row r at index r: index 0 holds 0.
  for (auto [label, rows] : {std::pair{kPulseTables[0].label, &tables.ptb1}, std::pair{kPulseTables[1].label, &tables.ptb2},
                             std::pair{kFilterTables[0].label, &tables.ftb1}, std::pair{kFilterTables[1].label, &tables.ftb2}}) {
    const Bytes written = layout.Table(label);
    rows->assign(written.size() + 1, 0);
    std::copy(written.begin(), written.end(), rows->begin() + 1);
  }
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

size_t AssembledBytes(std::string_view text) {
  Layout layout;
  layout.Assemble(text);
  if (!layout.error().empty()) ADD_FAILURE() << "cannot read the data file: " << layout.error();
  return layout.size();
}

std::string TablesDiffer(const DataTables& a, const DataTables& b) {
  const auto x = Named(a), y = Named(b);
  const auto [p, q] = std::mismatch(x.begin(), x.end(), y.begin(), y.end());
  if (p == x.end() && q == y.end()) return "";
  if (p == x.end() || q == y.end() || p->first != q->first) return "different numbers of songs or sectors";
  return p->first + " differs, " + std::to_string(p->second.size()) + " bytes vs " + std::to_string(q->second.size());
}

}  // namespace zspack::testing
