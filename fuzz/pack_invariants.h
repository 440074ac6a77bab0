// What every pack must satisfy, whatever bytes it was given: checked by the fuzz target on
// each generated input and by the corpus replay test on every file in fuzz/corpus/.
//
// A checker input is five switch bytes followed by a whole tracker file:
//   byte 0      song switch: value % 5 (0..3 one song, 4 all songs)
//   bytes 1, 2  start address, low byte first
//   byte 3      bit 0: PSID flag; bits 1..2: which pair of input/output names is used
//   byte 4      the character after "-p", so SidType = byte - 48
//   bytes 5..   the tracker file, load address included
// Shorter inputs are packed with default switches as far as they reach.
//
// Header-only on purpose: the libFuzzer build and the test build compile it with their
// own flags, and neither links the other's support code.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pack/pack_tune.h"
#include "common/pack_options.h"
#include "common/pack_state.h"
#include "common/music_layout.h"

namespace zspack::fuzzing {

inline constexpr size_t kSwitchBytes = 5;

// Names that exercise the comment and string rendering without leaving printable ASCII.
struct NamePair {
  std::string_view input;
  std::string_view output;
};
inline constexpr std::array<NamePair, 4> kNamePairs = {{
    {"tune.prg", "tune"},
    {"music/sub dir/My Tune.prg", "My Tune"},
    {"C:\\c64\\music\\a.prg", "out\\a"},
    {"", ""},
}};

struct FuzzCase {
  PackOptions options;
  std::span<const uint8_t> file;
};

inline FuzzCase DecodeFuzzInput(std::span<const uint8_t> input) {
  FuzzCase c;
  const auto at = [&](size_t i) -> int { return i < input.size() ? input[i] : -1; };
  if (at(0) >= 0) c.options.RequestedSong = static_cast<int16_t>(at(0) % 5);
  if (at(2) >= 0) c.options.StartAddress = static_cast<uint32_t>(at(1) | (at(2) << 8));
  const int flags = at(3) >= 0 ? at(3) : 0;
  c.options.PsidFlag = (flags & 1) != 0;
  const NamePair& names = kNamePairs[static_cast<size_t>((flags >> 1) & 3)];
  c.options.InputName = names.input;
  c.options.OutputName = names.output;
  if (at(4) >= 0) c.options.SidType = static_cast<int16_t>(at(4) - 48);
  c.file = input.size() > kSwitchBytes ? input.subspan(kSwitchBytes) : std::span<const uint8_t>();
  return c;
}

namespace detail {

inline std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t begin = 0;
  while (begin < text.size()) {
    const size_t end = text.find("\r\n", begin);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(begin));
      break;
    }
    lines.push_back(text.substr(begin, end - begin));
    begin = end + 2;
  }
  return lines;
}

inline std::vector<std::string_view> SplitValues(std::string_view list) {
  std::vector<std::string_view> values;
  size_t begin = 0;
  for (;;) {
    const size_t comma = list.find(',', begin);
    values.push_back(list.substr(begin, comma == std::string_view::npos ? std::string_view::npos
                                                                         : comma - begin));
    if (comma == std::string_view::npos) return values;
    begin = comma + 1;
  }
}

inline bool IsUpperHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// ".trkNN" (NN 00..0B) or ".secNN" (NN 00..5F).
inline bool IsNumberedLabel(std::string_view label) {
  if (label.size() != 6 || !IsUpperHexDigit(label[4]) || !IsUpperHexDigit(label[5])) return false;
  const auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'A' + 10; };
  const int n = digit(label[4]) * 16 + digit(label[5]);
  if (label.substr(0, 4) == ".trk") return n < kTrackCount;
  if (label.substr(0, 4) == ".sec") return n < kSectorCount;
  return false;
}

inline bool IsHexValue(std::string_view v) {
  return v.size() == 3 && v[0] == '$' && IsUpperHexDigit(v[1]) && IsUpperHexDigit(v[2]);
}

// The console report: printable ASCII and LF line ends only.
inline std::string CheckConsole(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c != '\n' && (c < 0x20 || c > 0x7E)) return "console: byte " + std::to_string(c);
  }
  if (!text.empty() && text.back() != '\n') return "console: last line not ended";
  return {};
}

// Only printable ASCII, tab, the byte $FC of "für", and CR LF pairs; the last line ends too.
inline std::string CheckCharacters(std::string_view name, std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\r') {
      if (i + 1 >= text.size() || text[i + 1] != '\n') return std::string(name) + ": bare CR at offset " + std::to_string(i);
      ++i;
      continue;
    }
    if (c == '\n') return std::string(name) + ": bare LF at offset " + std::to_string(i);
    if (c == '\t' || c == 0xFC || (c >= 0x20 && c <= 0x7E)) continue;
    return std::string(name) + ": byte " + std::to_string(c) + " at offset " + std::to_string(i);
  }
  if (text.size() < 2 || text.substr(text.size() - 2) != "\r\n") {
    return std::string(name) + ": does not end with CR LF";
  }
  return {};
}

inline std::string CheckDataFile(std::string_view data, const PackState& state) {
  constexpr std::string_view kData = "\t!by ";
  std::set<std::string, std::less<>> defined;
  std::vector<std::string> referenced;
  std::string_view section;
  int secListRefs[2] = {0, 0};
  for (const std::string_view line : SplitLines(data)) {
    std::string_view values;
    if (line.starts_with(kData)) {
      values = line.substr(kData.size());
    } else if (line.starts_with("arpspds\t!by ")) {
      section = "arpspds";
      if (!defined.emplace(section).second) return "data: arpspds defined twice";
      values = line.substr(12);
    } else {
      if (line.starts_with(";")) continue;
      if (line.empty()) return "data: empty line";
      if (line.find("!by") != std::string_view::npos) return "data: stray !by in " + std::string(line);
      section = line;
      if (!defined.emplace(line).second) return "data: label defined twice: " + std::string(line);
      continue;
    }
    const std::vector<std::string_view> list = SplitValues(values);
    if (list.size() > 17) return "data: more than 17 values in " + std::string(section);
    const bool isTunedats = section == "tunedats";
    const bool isSecList = section == "Asecsl" || section == "Asecsh";
    if (isTunedats && list.size() != 8) return "data: tunedats line without 8 values";
    if (isSecList && list.size() > 8) return "data: more than 8 values in " + std::string(section);
    for (size_t i = 0; i < list.size(); ++i) {
      const std::string_view v = list[i];
      if (IsHexValue(v)) {
        if (isSecList || (isTunedats && i < 6)) {
          return "data: number where a label belongs in " + std::string(section);
        }
        continue;
      }
      if (v.empty() || (v[0] != '<' && v[0] != '>') || !IsNumberedLabel(v.substr(1))) {
        return "data: bad value '" + std::string(v) + "' in " + std::string(section);
      }
      if (!isTunedats && !isSecList) return "data: label reference in " + std::string(section);
      if (isTunedats && (i >= 6 || (v[0] == '<') != (i % 2 == 0) || !v.substr(1).starts_with(".trk"))) {
        return "data: tunedats value " + std::to_string(i) + " is " + std::string(v);
      }
      if (isSecList) {
        const char op = section == "Asecsl" ? '<' : '>';
        const int expected = secListRefs[op == '<' ? 0 : 1]++;
        const std::string want = std::string(1, op) + ".sec" + "0123456789ABCDEF"[expected >> 4] +
                                 "0123456789ABCDEF"[expected & 15];
        if (v != want) return "data: " + std::string(section) + " holds " + std::string(v);
      }
      referenced.emplace_back(v.substr(1));
    }
  }
  for (const std::string& label : referenced) {
    if (defined.count(label) == 0) return "data: " + label + " is referred to but not defined";
  }
  for (const int refs : secListRefs) {
    if (refs != state.exploration.counts.SectorCount) return "data: sector list length differs from SectorCount";
  }
  for (int n = 0; n < kSectorCount; ++n) {
    const std::string label = std::string(".sec") + "0123456789ABCDEF"[n >> 4] + "0123456789ABCDEF"[n & 15];
    if ((defined.count(label) != 0) != (n < state.exploration.counts.SectorCount)) {
      return "data: sector label " + label + " does not match SectorCount";
    }
  }
  for (const char* required : {"arpspds", "tunedats", "gldtbl", "gldtbh", "adtb", "hf2tb", "wave",
                               "trans", "ptb1 = *-1", "ptb2 = *-1", "ftb1 = *-1", "ftb2 = *-1",
                               "Asecsl", "Asecsh"}) {
    if (defined.count(std::string_view(required)) == 0) return std::string("data: no table ") + required;
  }
  return {};
}

template <size_t N>
int CountMarks(const std::array<uint8_t, N>& map) {
  return static_cast<int>(std::count_if(map.begin(), map.end(), [](uint8_t m) { return m != 0; }));
}

inline std::string CheckState(const PackState& state) {
  const UsageMaps& m = state.exploration.maps;
  const Counts& c = state.exploration.counts;
  auto onlyZeroOrOne = [](std::span<const uint8_t> map) {
    return std::all_of(map.begin(), map.end(), [](uint8_t v) { return v <= 1; });
  };
  if (!onlyZeroOrOne(m.SongMap) || !onlyZeroOrOne(m.SectorMap) || !onlyZeroOrOne(m.InstrumentMap) ||
      !onlyZeroOrOne(m.GlideMap) || !onlyZeroOrOne(m.WaveMap) || !onlyZeroOrOne(m.PulseMap) ||
      !onlyZeroOrOne(m.FilterMap)) {
    return "state: a usage map holds a mark other than 0 or 1";
  }
  if (c.SectorCount < 0 || c.SectorCount > kSectorCount) return "state: SectorCount out of range";
  for (int n = 0; n < kSectorCount; ++n) {
    if ((m.SectorMap[static_cast<size_t>(n)] != 0) != (n < c.SectorCount)) {
      return "state: SectorMap is not exactly the first SectorCount sectors";
    }
  }
  const int k = CountMarks(m.WaveMap);
  for (int r = 0; r < kTableRows; ++r) {
    if ((m.WaveMap[static_cast<size_t>(r)] != 0) != (r < k)) {
      return "state: WaveMap is not exactly rows 0..K-1";
    }
  }
  // After the wavetable compaction the kept rows are 0..K-1, so every jump in them and
  // every used instrument's start row stays inside them.
  const MusicImage& image = state.image;
  for (int r = 0; r < k; ++r) {
    const auto row = static_cast<uint32_t>(r);
    if (image.Byte(addr::wave + row) == 0x90 && image.Byte(addr::trans + row) >= k) {
      return "state: a kept wavetable jump leads outside the kept rows";
    }
  }
  for (uint32_t i = 0; i < kInstrumentCount; ++i) {
    if (m.InstrumentMap[i] != 0 && image.Byte(addr::aptb + i) >= k) {
      return "state: a used instrument starts outside the kept wavetable rows";
    }
  }
  // Renumbering leaves the tracks of existing songs naming sectors 0..SectorCount-1 only,
  // up to their end bytes, and the used sectors selecting glides 0..GlideCount-1 only.
  for (int song = 0; song < kSongCount; ++song) {
    if (m.SongMap[static_cast<size_t>(song)] == 0) continue;
    for (int voice = 0; voice < kVoiceCount; ++voice) {
      const uint32_t start = TrackAddress(song, voice);
      for (uint32_t j = 0; j < kTrackEntries; ++j) {
        const uint8_t b = image.Byte(start + j);
        if (b < 0x60 && b >= c.SectorCount) return "state: a track names a sector beyond SectorCount";
        if ((b >= 0xF0 && b <= 0xF3) || b >= 0xFE) break;
      }
    }
  }
  for (int n = 0; n < c.SectorCount && n < kSectorCount; ++n) {
    const uint32_t start = SectorAddress(n);
    for (uint32_t j = 0; j < kSectorEntries;) {
      const uint8_t b = image.Byte(start + j);
      if (b >= 0x60 && b <= 0x7F && b - 0x60 >= c.GlideCount) {
        return "state: a used sector selects a glide beyond GlideCount";
      }
      if (b == 0xFF) break;
      j += (b >= 0xF6 && b <= 0xFA) ? 2 : 1;
    }
  }
  if (c.InstrumentCount != CountMarks(m.InstrumentMap)) return "state: InstrumentCount differs from its map";
  if (c.GlideCount != CountMarks(m.GlideMap)) return "state: GlideCount differs from its map";
  return {};
}

inline void MakeFresh(PackState& state) {
  state.image.entries.fill(0);
  state.exploration.maps = UsageMaps{};
  state.exploration.counts = Counts{};
  state.features = FeatureState{};
}

// Deterministic rubbish, so that a second pack proves that PackTune resets what it uses.
inline void Scribble(PackState& state) {
  state.image.entries.fill(0xA5C3);
  state.exploration.maps.SongMap.fill(1);
  state.exploration.maps.SectorMap.fill(1);
  state.exploration.maps.InstrumentMap.fill(1);
  state.exploration.maps.GlideMap.fill(1);
  state.exploration.maps.WaveMap.fill(1);
  state.exploration.maps.PulseMap.fill(1);
  state.exploration.maps.FilterMap.fill(1);
  state.exploration.counts = Counts{77, 55, 33, 31};
  state.features.flags.fill(true);
  state.features.SelectedSong = 2;
  state.features.SingleSpeed = 9;
  state.features.MultiSpeed = 4;
}

inline bool SameState(const PackState& a, const PackState& b) {
  return a.image.entries == b.image.entries && a.exploration.maps.SongMap == b.exploration.maps.SongMap &&
         a.exploration.maps.SectorMap == b.exploration.maps.SectorMap && a.exploration.maps.InstrumentMap == b.exploration.maps.InstrumentMap &&
         a.exploration.maps.GlideMap == b.exploration.maps.GlideMap && a.exploration.maps.WaveMap == b.exploration.maps.WaveMap &&
         a.exploration.maps.PulseMap == b.exploration.maps.PulseMap && a.exploration.maps.FilterMap == b.exploration.maps.FilterMap &&
         a.exploration.counts.SectorCount == b.exploration.counts.SectorCount &&
         a.exploration.counts.InstrumentCount == b.exploration.counts.InstrumentCount &&
         a.exploration.counts.GlideCount == b.exploration.counts.GlideCount &&
         a.exploration.counts.HighestInstrument == b.exploration.counts.HighestInstrument &&
         a.features.flags == b.features.flags && a.features.SelectedSong == b.features.SelectedSong &&
         a.features.SingleSpeed == b.features.SingleSpeed && a.features.MultiSpeed == b.features.MultiSpeed;
}

}  // namespace detail

// Packs one checker input and returns the first broken invariant, empty when all hold.
inline std::string CheckPackInvariants(std::span<const uint8_t> input) {
  const FuzzCase c = DecodeFuzzInput(input);
  // Two states kept for the whole process (allocating them per input costs more than the
  // pack); each is set to a fixed content first, so a result never depends on an earlier
  // input: the first as a fresh state is, the second scribbled over.
  static thread_local const std::unique_ptr<PackState> first = std::make_unique<PackState>();
  static thread_local const std::unique_ptr<PackState> second = std::make_unique<PackState>();
  detail::MakeFresh(*first);
  detail::Scribble(*second);
  PackedTune out;
  PackTune(c.file, c.options, *first, out);
  PackedTune again;
  PackTune(c.file, c.options, *second, again);
  if (again.depack != out.depack || again.console != out.console || again.defines != out.defines ||
      again.data != out.data) {
    return "packing the same input twice gave different results";
  }

  if (out.depack != DepackStatus::kDone) {
    if (!out.console.empty() || !out.defines.empty() || !out.data.empty()) {
      return "a malformed file produced text";
    }
    return {};
  }
  if (!detail::SameState(*first, *second)) return "packing the same input twice left different state";

  std::string problem = detail::CheckState(*first);
  if (problem.empty()) problem = detail::CheckConsole(out.console);
  if (problem.empty()) problem = detail::CheckCharacters("the_defines.a", out.defines);
  if (problem.empty()) problem = detail::CheckCharacters("the_data.a", out.data);
  if (problem.empty()) problem = detail::CheckDataFile(out.data, *first);
  return problem;
}

}  // namespace zspack::fuzzing
