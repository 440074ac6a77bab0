// Checks of the texts one pack produces, each a single pass that allocates nothing unless
// it fails: the console report, the characters and line ends of a generated file, and the
// lines, values and labels of the data file. Each returns the first fault, empty if none.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "common/pack_state.h"
#include "common/music_layout.h"

namespace zspack::fuzzing::detail {

// The console report: printable ASCII and LF line ends only, the last line ended too.
inline std::string CheckConsole(std::string_view text) {
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c != '\n' && (c < 0x20 || c > 0x7E)) return "console: byte " + std::to_string(c);
  }
  if (!text.empty() && text.back() != '\n') return "console: last line not ended";
  return {};
}

// The bytes a generated file may hold inside a line: printable ASCII, tab and the $FC of
// "für".
inline constexpr std::array<bool, 256> kLineByte = [] {
  std::array<bool, 256> ok{};
  for (size_t c = 0x20; c <= 0x7E; ++c) ok[c] = true;
  ok['\t'] = true;
  ok[0xFC] = true;
  return ok;
}();

// Hands out the lines of a generated file, checking each byte and each CR LF on the way.
class FileLines {
 public:
  FileLines(std::string_view name, std::string_view text) : name_(name), text_(text) {}

  // The next line without its CR LF; false at the end of the text or at a fault.
  bool Next(std::string_view& line) {
    if (at_ == text_.size()) {
      if (text_.empty()) problem_ = std::string(name_) + ": does not end with CR LF";
      return false;
    }
    for (size_t i = at_; i < text_.size(); ++i) {
      i = SkipPrintable(i);
      if (i == text_.size()) break;
      const auto c = static_cast<unsigned char>(text_[i]);
      if (kLineByte[c]) continue;
      if (c == '\r' && i + 1 < text_.size() && text_[i + 1] == '\n') {
        line = text_.substr(at_, i - at_);
        at_ = i + 2;
        return true;
      }
      problem_ = std::string(name_) +
                 (c == '\r' ? ": bare CR" : c == '\n' ? ": bare LF" : ": byte " + std::to_string(c)) +
                 " at offset " + std::to_string(i);
      return false;
    }
    problem_ = std::string(name_) + ": does not end with CR LF";
    return false;
  }

  const std::string& problem() const { return problem_; }

 private:
  // Past the run of printable ASCII at `i`, eight bytes at a time (the bulk of every line);
  // the byte it stops at is checked one by one.
  size_t SkipPrintable(size_t i) const {
    constexpr uint64_t kOnes = 0x0101010101010101u;
    constexpr uint64_t kHighBits = 0x8080808080808080u;
    while (i + 8 <= text_.size()) {
      uint64_t w = 0;
      std::memcpy(&w, text_.data() + i, 8);
      const uint64_t below20 = (w - kOnes * 0x20) & ~w;  // high bit set where a byte is < $20
      const uint64_t above7E = (w + kOnes * (0x7F - 0x7E)) | w;  // ... where a byte is > $7E
      if (((below20 | above7E) & kHighBits) != 0) break;
      i += 8;
    }
    return i;
  }

  std::string_view name_;
  std::string_view text_;
  size_t at_ = 0;
  std::string problem_;
};

inline std::string CheckCharacters(std::string_view name, std::string_view text) {
  FileLines lines(name, text);
  std::string_view line;
  while (lines.Next(line)) {
  }
  return lines.problem();
}

// Every label the data file defines: its fixed tables, then .trk00...trk0B, then
// .sec00...sec5F, so that definitions and references are two arrays of flags.
inline constexpr std::string_view kTableLabels[] = {
    "arpspds", "tunedats", "gldtbl", "gldtbh", "adtb", "srtb", "aptb", "pptb",
    "fptb", "v1tb", "v2tb", "v3tb", "hrtb", "hf1tb", "hf2tb", "wave", "trans",
    "ptb1 = *-1", "ptb2 = *-1", "ftb1 = *-1", "ftb2 = *-1", "Asecsl", "Asecsh"};
inline constexpr int kTableLabelCount = static_cast<int>(std::size(kTableLabels));
inline constexpr int kFirstTrackLabel = kTableLabelCount;
inline constexpr int kFirstSectorLabel = kFirstTrackLabel + kTrackCount;
inline constexpr int kLabelCount = kFirstSectorLabel + kSectorCount;
inline constexpr int kTunedats = 1;
inline constexpr int kSectorListLow = kTableLabelCount - 2;
inline constexpr int kSectorListHigh = kTableLabelCount - 1;

inline int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// ".trkNN" (NN 00..0B) or ".secNN" (NN 00..5F) as a label index, -1 for anything else.
inline int NumberedLabelIndex(std::string_view label) {
  if (label.size() != 6) return -1;
  const int high = HexDigitValue(label[4]);
  const int low = HexDigitValue(label[5]);
  if (high < 0 || low < 0) return -1;
  const int n = high * 16 + low;
  if (label.starts_with(".trk") && n < kTrackCount) return kFirstTrackLabel + n;
  if (label.starts_with(".sec") && n < kSectorCount) return kFirstSectorLabel + n;
  return -1;
}

inline int LabelIndex(std::string_view label) {
  for (int i = 0; i < kTableLabelCount; ++i) {
    if (kTableLabels[i] == label) return i;
  }
  return NumberedLabelIndex(label);
}

inline std::string LabelName(int index) {
  if (index < kFirstTrackLabel) return std::string(kTableLabels[index]);
  const bool track = index < kFirstSectorLabel;
  const int n = index - (track ? kFirstTrackLabel : kFirstSectorLabel);
  return std::string(track ? ".trk" : ".sec") + "0123456789ABCDEF"[n >> 4] + "0123456789ABCDEF"[n & 15];
}

inline bool IsHexValue(std::string_view v) {
  return v.size() == 3 && v[0] == '$' && HexDigitValue(v[1]) >= 0 && HexDigitValue(v[2]) >= 0;
}

// The data file's structure: data lines of at most 17 values under a label, upper-case
// "$XX" numbers, label references only where tunedats names the tracks of the packed
// songs in order and where Asecsl/Asecsh list the sectors in order, every label defined
// once, every reference and every table defined, sectors exactly 0..SectorCount-1.
class DataFileCheck {
 public:
  explicit DataFileCheck(const PackState& state) : state_(state) {
    const std::optional<int16_t> selected = state.features.SelectedSong;
    for (int s = 0; s < kSongCount; ++s) {
      if (state.exploration.maps.SongMap[static_cast<size_t>(s)] != 0 && (!selected || *selected == s)) {
        songs_[static_cast<size_t>(songCount_++)] = s;
      }
    }
  }

  std::string Run(std::string_view data) {
    FileLines lines("the_data.a", data);
    std::string_view line;
    while (lines.Next(line)) {
      std::string problem = Line(line);
      if (!problem.empty()) return problem;
    }
    if (!lines.problem().empty()) return lines.problem();
    return Totals();
  }

 private:
  std::string Line(std::string_view line) {
    constexpr std::string_view kData = "\t!by ";
    constexpr std::string_view kArpspds = "arpspds\t!by ";
    if (line.starts_with(kData)) return Values(line.substr(kData.size()));
    if (line.starts_with(kArpspds)) {
      std::string problem = Define(0);
      return problem.empty() ? Values(line.substr(kArpspds.size())) : problem;
    }
    if (line.starts_with(";")) return {};
    if (line.empty()) return "data: empty line";
    if (line.find("!by") != std::string_view::npos) return "data: stray !by in " + std::string(line);
    const int label = LabelIndex(line);
    if (label < 0) return "data: unknown label " + std::string(line);
    return Define(label);
  }

  std::string Define(int label) {
    if (defined_[static_cast<size_t>(label)]) return "data: label defined twice: " + LabelName(label);
    defined_[static_cast<size_t>(label)] = true;
    section_ = label;
    return {};
  }

  std::string Values(std::string_view list) {
    if (section_ < 0) return "data: values before the first label";
    const bool tunedats = section_ == kTunedats;
    const bool sectorList = section_ == kSectorListLow || section_ == kSectorListHigh;
    size_t count = 0;
    for (size_t at = 0;; ++count) {
      // A scan by hand: a call per value into the sanitizers' memchr costs more than it.
      size_t end = at;
      while (end < list.size() && list[end] != ',') ++end;
      const std::string_view v(list.data() + at, end - at);
      const bool wantsLabel = sectorList || (tunedats && count < 6);
      if (IsHexValue(v)) {
        if (wantsLabel) return "data: number where a label belongs in " + LabelName(section_);
      } else {
        if (!wantsLabel) return "data: bad value '" + std::string(v) + "' in " + LabelName(section_);
        const int label = v.empty() ? -1 : NumberedLabelIndex(v.substr(1));
        if (label < 0 || (v[0] != '<' && v[0] != '>')) {
          return "data: bad value '" + std::string(v) + "' in " + LabelName(section_);
        }
        if (tunedats) {
          // "<.trkL,>.trkL" for each voice of the line's song, L the label its track names:
          // its own, or that of an earlier track of the same bytes.
          const int track = songLine_ < songCount_
              ? kVoiceCount * songs_[static_cast<size_t>(songLine_)] + static_cast<int>(count / 2) : -1;
          const int named = track < 0 ? -1 : state_.exploration.trackLabels[static_cast<size_t>(track)];
          if (named < 0 || named > track || label != kFirstTrackLabel + named || (v[0] == '<') != (count % 2 == 0)) {
            return "data: tunedats value " + std::to_string(count) + " is " + std::string(v);
          }
        } else {
          const bool low = section_ == kSectorListLow;
          int& listed = sectorsListed_[low ? 0 : 1];
          if (v[0] != (low ? '<' : '>') || label != kFirstSectorLabel + listed) {
            return "data: " + LabelName(section_) + " holds " + std::string(v);
          }
          ++listed;
        }
        referenced_[static_cast<size_t>(label)] = true;
      }
      if (end == list.size()) break;
      at = end + 1;
    }
    ++count;
    if (count > 17) return "data: more than 17 values in " + LabelName(section_);
    if (tunedats && count != 8) return "data: tunedats line without 8 values";
    songLine_ += tunedats ? 1 : 0;
    if (sectorList && count > 8) return "data: more than 8 values in " + LabelName(section_);
    return {};
  }

  std::string Totals() const {
    for (int label = 0; label < kLabelCount; ++label) {
      const auto i = static_cast<size_t>(label);
      if (referenced_[i] && !defined_[i]) return "data: " + LabelName(label) + " is referred to but not defined";
      if (label < kTableLabelCount && !defined_[i]) return "data: no table " + LabelName(label);
      if (label >= kFirstTrackLabel && label < kFirstSectorLabel && defined_[i] && !referenced_[i]) {
        return "data: " + LabelName(label) + " is not in tunedats";
      }
      if (label >= kFirstSectorLabel && defined_[i] != (label - kFirstSectorLabel < state_.exploration.counts.SectorCount)) {
        return "data: sector label " + LabelName(label) + " does not match SectorCount";
      }
    }
    if (songLine_ != songCount_) return "data: tunedats lines differ from the packed songs";
    for (const int listed : sectorsListed_) {
      if (listed != state_.exploration.counts.SectorCount) return "data: sector list length differs from SectorCount";
    }
    return {};
  }

  const PackState& state_;
  std::array<bool, kLabelCount> defined_{};
  std::array<bool, kLabelCount> referenced_{};
  int section_ = -1;
  int sectorsListed_[2] = {0, 0};
  std::array<int, kSongCount> songs_{};  // the packed songs, in tunedats order
  int songCount_ = 0;
  int songLine_ = 0;
};

inline std::string CheckDataFile(std::string_view data, const PackState& state) {
  return DataFileCheck(state).Run(data);
}

}  // namespace zspack::fuzzing::detail
