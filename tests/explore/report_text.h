// Helpers for the exploration tests: the console text of usage maps built from the marks
// a case expects, and a heap-held PackState (the image alone is ~60 KB) loaded from a
// built tune and explored.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "features/derive_features.h"
#include "common/pack_options.h"
#include "explore/explore_music.h"
#include "common/pack_state.h"

namespace zspack::testing {

inline std::string Times(char mark, size_t count) { return std::string(count, mark); }

// `size` marks, '+' at the given entries and '-' elsewhere.
inline std::string Marks(std::initializer_list<int> used, size_t size) {
  std::string marks(size, '-');
  for (int i : used) marks.at(static_cast<size_t>(i)) = '+';
  return marks;
}

// '+' for the entries first..last, '-' elsewhere.
inline std::string MarkRange(int first, int last, size_t size) {
  std::string marks(size, '-');
  for (int i = first; i <= last; ++i) marks.at(static_cast<size_t>(i)) = '+';
  return marks;
}

// Marks as the console prints them: a line end after every `perLine` marks.
inline std::string MapLines(const std::string& marks, size_t perLine) {
  std::string out;
  for (size_t i = 0; i < marks.size(); ++i) {
    out += marks[i];
    if ((i + 1) % perLine == 0 || i + 1 == marks.size()) out += '\n';
  }
  return out;
}

// A table report: its heading line and the 256 row marks in four lines of 64.
inline std::string TableReport(const std::string& heading, const std::string& marks) {
  return heading + "\n" + MapLines(marks, 64);
}

inline std::string EmptyTableReports() {
  return TableReport("Pulsetable-Usage :", Times('-', 256)) +
         TableReport("Filtertable-Usage :", Times('-', 256));
}

// The console lines of a sector map (48 marks per line).
inline std::string SectorLines(const std::string& marks) { return MapLines(marks, 48); }

inline std::unique_ptr<PackState> StateOf(const MusicImage& image) {
  auto state = std::make_unique<PackState>();
  state->image = image;
  return state;
}

// Explores `image` with the given options; returns the state and fills `console`.
inline std::unique_ptr<PackState> Explore(const MusicImage& image, std::string& console,
                                          const PackOptions& options = PackOptions{}) {
  auto state = StateOf(image);
  console.clear();
  state->exploration = ExploreMusic(state->image, console); state->features = DeriveFeatures(state->image, state->exploration, options);
  return state;
}

// The text between the first line that equals `heading` (included) and the first later
// line that equals `next` (excluded), or to the end when `next` is empty. Empty when the
// heading is missing.
inline std::string Section(const std::string& console, const std::string& heading,
                           const std::string& next = "") {
  const std::string head = heading + "\n";
  size_t begin = 0;
  if (console.compare(0, head.size(), head) != 0) {
    const size_t at = console.find("\n" + head);
    if (at == std::string::npos) return "";
    begin = at + 1;
  }
  if (next.empty()) return console.substr(begin);
  const size_t end = console.find("\n" + next + "\n", begin);
  return end == std::string::npos ? console.substr(begin) : console.substr(begin, end + 1 - begin);
}

// Compares two images entry by entry, naming the first differing addresses; entries for
// which `ignore` holds are not compared.
inline ::testing::AssertionResult SameImage(const MusicImage& got, const MusicImage& want,
                                            const std::function<bool(uint32_t)>& ignore = {}) {
  std::string differences;
  int count = 0;
  for (uint32_t a = kImageFirst; a <= kImageLast; ++a) {
    if ((ignore && ignore(a)) || got.At(a) == want.At(a)) continue;
    if (count < 8) {
      char text[40];
      std::snprintf(text, sizeof text, " $%04X: $%02X (want $%02X)", static_cast<unsigned>(a),
                    static_cast<unsigned>(got.At(a)), static_cast<unsigned>(want.At(a)));
      differences += text;
    }
    ++count;
  }
  if (count == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << count << " entries differ:" << differences;
}

// The entries of sector n, as a vector for comparisons.
inline std::vector<uint16_t> SectorEntries(const MusicImage& image, int sector) {
  std::vector<uint16_t> entries;
  for (uint32_t i = 0; i < kSectorEntries; ++i) entries.push_back(image.At(SectorAddress(sector) + i));
  return entries;
}

}  // namespace zspack::testing
