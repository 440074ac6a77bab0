// What a table program plays, whatever rows it lies in: the endless or ending sequence of
// rows a player steps through from a start, in the one form that two equal sequences
// share, so that two programs are the same music exactly when their keys are equal.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace zspack {

// A key is the tokens of the rows up to where the sequence repeats, kCycleMark, then the
// tokens that repeat for ever; or the tokens of a sequence that ends, then kEndMark. A
// step into rows the data does not hold ends the key with kOutsideMark. Tokens of rows
// stay below kFirstMark.
using StreamKey = std::vector<uint32_t>;
inline constexpr uint32_t kFirstMark = 0xFFFFFFF0;
inline constexpr uint32_t kCycleMark = 0xFFFFFFF0;
inline constexpr uint32_t kEndMark = 0xFFFFFFF1;
inline constexpr uint32_t kOutsideMark = 0xFFFFFFF2;

// Where a row sends the player next: another position, the program's end, or outside
// the rows the data holds.
inline constexpr int kStreamEnds = -1;
inline constexpr int kStreamLeaves = -2;

inline constexpr int kStreamPositions = 256;

namespace detail {
// A cycle that repeats a shorter one is that shorter one; a prefix whose last token ends
// the cycle too belongs to the cycle, turned by one. What is left is the shortest form.
inline void ShortenCycle(StreamKey& prefix, StreamKey& cycle) {
  const size_t n = cycle.size();
  for (size_t period = 1; period < n; ++period) {
    if (n % period != 0) continue;
    if (std::equal(cycle.begin() + static_cast<std::ptrdiff_t>(period), cycle.end(), cycle.begin())) {
      cycle.resize(period);
      break;
    }
  }
  while (!prefix.empty() && prefix.back() == cycle.back()) {
    std::rotate(cycle.rbegin(), cycle.rbegin() + 1, cycle.rend());
    prefix.pop_back();
  }
}
}  // namespace detail

// Walks from `start`: token(position) names a row's content, next(position) gives the
// next position or kStreamEnds / kStreamLeaves. `lead` tokens stand before the walk's
// own (a pulse program's start row). Positions are 0..255; a walk repeats within 256 steps.
template <typename Token, typename Next>
StreamKey WalkProgram(int start, std::initializer_list<uint32_t> lead, Token token, Next next) {
  std::array<int16_t, kStreamPositions> seenAt;
  seenAt.fill(-1);
  StreamKey walked(lead);
  int position = start;
  for (;;) {
    if (position < 0 || position >= kStreamPositions) {
      walked.push_back(kOutsideMark);
      return walked;
    }
    int16_t& seen = seenAt[static_cast<size_t>(position)];
    if (seen >= 0) {
      StreamKey cycle(walked.begin() + seen, walked.end());
      walked.resize(static_cast<size_t>(seen));
      detail::ShortenCycle(walked, cycle);
      walked.push_back(kCycleMark);
      walked.insert(walked.end(), cycle.begin(), cycle.end());
      return walked;
    }
    seen = static_cast<int16_t>(walked.size());
    walked.push_back(token(position));
    const int after = next(position);
    if (after == kStreamEnds) {
      walked.push_back(kEndMark);
      return walked;
    }
    if (after == kStreamLeaves) {
      walked.push_back(kOutsideMark);
      return walked;
    }
    position = after;
  }
}

// A key that reaches rows the data does not hold.
inline bool LeavesData(const StreamKey& key) { return !key.empty() && key.back() == kOutsideMark; }

}  // namespace zspack
