#include "crunch/table_programs.h"

#include <algorithm>
#include <initializer_list>
#include <map>
#include <tuple>

#include "common/music_format.h"
#include "common/music_layout.h"
#include "common/pack_state.h"
#include <utility>

namespace zspack {

namespace {

constexpr int kNone = -1;
// A row's or a step's bytes as one token, the first byte highest.
constexpr unsigned kBitsPerByte = 8;
constexpr uint32_t Token(std::initializer_list<uint8_t> bytes) {
  uint32_t token = 0;
  for (const uint8_t b : bytes) token = token << kBitsPerByte | b;
  return token;
}
// Where a position sends the player next, besides another position.
constexpr int kStreamEnds = -1;
constexpr int kStreamLeaves = -2;  // into rows the data does not hold
using RowNumbers = std::array<int, kTableRows>;

// Sorts the given positions into classes of the same play: first by what a position
// holds and whether the program ends, leaves the rows held or goes on there, then again
// and again by the class it goes on to, until no class splits. Two positions end in one
// class exactly when a player reads the same rows from them on, for ever or to the end.
RowNumbers SamePlay(const RowMarks& positions, const std::array<uint32_t, kTableRows>& token, const RowNumbers& next) {
  constexpr int kGoesOn = -3;
  RowNumbers kind{};
  size_t kinds = 0;
  {
    std::map<std::pair<uint32_t, int>, int> first;
    for (size_t p = 0; p < positions.size(); ++p) {
      if (positions[p] == 0) continue;
      const std::pair<uint32_t, int> key{token[p], next[p] >= 0 ? kGoesOn : next[p]};
      kind[p] = first.try_emplace(key, static_cast<int>(first.size())).first->second;
    }
    kinds = first.size();
  }
  for (;;) {
    std::map<std::pair<int, int>, int> first;
    RowNumbers refined{};
    for (size_t p = 0; p < positions.size(); ++p) {
      if (positions[p] == 0) continue;
      const int to = next[p] >= 0 ? kind[static_cast<size_t>(next[p])] : next[p];
      refined[p] = first.try_emplace({kind[p], to}, static_cast<int>(first.size())).first->second;
    }
    kind = refined;
    if (first.size() == kinds) return kind;
    kinds = first.size();
  }
}

// For each class, the lowest position in it.
RowNumbers LowestOfEach(const RowMarks& positions, const RowNumbers& kind) {
  RowNumbers lowest;
  lowest.fill(kNone);
  for (size_t p = 0; p < positions.size(); ++p) {
    if (positions[p] != 0 && lowest[static_cast<size_t>(kind[p])] == kNone) lowest[static_cast<size_t>(kind[p])] = static_cast<int>(p);
  }
  return lowest;
}

CrunchedTable Unchanged(const MusicImage& image, uint32_t first, int rows, LeftAsIs why) {
  CrunchedTable table;
  table.leftAsIs = why;
  for (size_t s = 0; s < table.start.size(); ++s) table.start[s] = static_cast<uint8_t>(s);
  for (int r = 0; r < rows; ++r) {
    table.column1.push_back(image.Byte(first + static_cast<uint32_t>(r)));
    table.column2.push_back(image.Byte(first + kPageSize + static_cast<uint32_t>(r)));
  }
  return table;
}

// --- the wavetable ----------------------------------------------------------------------

struct WaveRows {
  std::array<uint8_t, kTableRows> wave{}, trans{};
  int held = 0;

  bool Jumps(int r) const { return wave[static_cast<size_t>(r)] == kWaveJump; }
  bool Ends(int r) const { return wave[static_cast<size_t>(r)] > kWaveJump; }
};

// Marks the rows played from `start`, jumps going to `target`; false when a program
// steps outside the rows held.
bool ReachWave(const WaveRows& rows, int start, const RowNumbers& target, RowMarks& kept) {
  int r = start;
  while (r < rows.held && kept[static_cast<size_t>(r)] == 0) {
    kept[static_cast<size_t>(r)] = 1;
    if (rows.Ends(r)) return true;
    r = rows.Jumps(r) ? target[static_cast<size_t>(r)] : r + 1;
  }
  return r < rows.held;
}

// What each row holds and where its program goes on.
void DescribeWave(const WaveRows& rows, std::array<uint32_t, kTableRows>& token, RowNumbers& next) {
  for (int r = 0; r < rows.held; ++r) {
    const auto i = static_cast<size_t>(r);
    token[i] = rows.Jumps(r) ? uint32_t{kWaveJump} : Token({rows.wave[i], rows.trans[i]});
    const int after = rows.Jumps(r) ? rows.trans[i] : r + 1;
    next[i] = rows.Ends(r) ? kStreamEnds : after < rows.held ? after : kStreamLeaves;
  }
}

// --- the pulse and filter tables ---------------------------------------------------------

// What column 2 of a row is to the programs that play it: a value, or a link.
enum class Role : uint8_t { kUnplayed, kValue, kLink, kBoth };

struct TwoColumnRows {
  std::array<uint8_t, kTableRows> c1{}, c2{};
  int held = 0;  // rows 1..held

  bool Holds(int r) const { return r >= 1 && r <= held; }
  bool HoldsStep(int p) const { return Holds(p) && Holds(p + 1); }
  int Link(int p) const { return c2[static_cast<size_t>(p) + 1]; }
};

void Play(std::array<Role, kTableRows>& roles, int row, Role role) {
  Role& r = roles[static_cast<size_t>(row)];
  r = (r == Role::kUnplayed || r == role) ? role : Role::kBoth;
}

// Marks the rows of the program at `start`, links going to `link`; false when it steps
// outside the rows held.
bool ReachTwoColumn(const TwoColumnRows& rows, int start, const RowNumbers& link,
                    std::array<Role, kTableRows>& roles, RowMarks& steps) {
  if (!rows.Holds(start)) return false;
  Play(roles, start, Role::kValue);
  int p = start + 1;
  while (steps[static_cast<size_t>(p)] == 0) {
    if (!rows.HoldsStep(p)) return false;
    steps[static_cast<size_t>(p)] = 1;
    Play(roles, p, Role::kValue);
    Play(roles, p + 1, Role::kLink);
    p = link[static_cast<size_t>(p)];
    if (p == 0) return true;
  }
  return true;
}

// What each step holds and the step it links to.
void DescribeSteps(const TwoColumnRows& rows, std::array<uint32_t, kTableRows>& token, RowNumbers& next) {
  for (int p = 1; p < static_cast<int>(kLastTableRow); ++p) {
    const auto i = static_cast<size_t>(p);
    token[i] = Token({rows.c1[i], rows.c2[i], rows.c1[i + 1]});
    const int link = rows.Link(p);
    next[i] = link == 0 ? kStreamEnds : rows.HoldsStep(link) ? link : kStreamLeaves;
  }
}

bool StartsNothing(int start) { return start == 0 || start == static_cast<int>(kLastTableRow); }

}  // namespace

CrunchedTable CrunchWaveTable(const MusicImage& image, int held, std::span<const uint8_t> starts) {
  WaveRows rows;
  rows.held = held = std::clamp(held, 0, kTableRows);
  for (int r = 0; r < held; ++r) {
    rows.wave[static_cast<size_t>(r)] = image.Byte(addr::wave + static_cast<uint32_t>(r));
    rows.trans[static_cast<size_t>(r)] = image.Byte(addr::trans + static_cast<uint32_t>(r));
  }
  RowNumbers target{};
  for (int r = 0; r < kTableRows; ++r) target[static_cast<size_t>(r)] = rows.trans[static_cast<size_t>(r)];

  RowMarks played{};
  for (const uint8_t s : starts) {
    if (!ReachWave(rows, s, target, played)) return Unchanged(image, addr::wave, held, LeftAsIs::kReadsOutside);
  }

  // Every played row by what is played from it; the lowest row of each kind stands for all.
  std::array<uint32_t, kTableRows> token{};
  RowNumbers next{};
  DescribeWave(rows, token, next);
  const RowNumbers kind = SamePlay(played, token, next);
  const RowNumbers first = LowestOfEach(played, kind);
  auto same = [&](int r) { return first[static_cast<size_t>(kind[static_cast<size_t>(r)])]; };
  for (int r = 0; r < held; ++r) {
    if (played[static_cast<size_t>(r)] != 0 && rows.Jumps(r)) target[static_cast<size_t>(r)] = same(target[static_cast<size_t>(r)]);
  }
  RowMarks kept{};
  for (const uint8_t s : starts) ReachWave(rows, same(s), target, kept);

  CrunchedTable table;
  RowNumbers newRow{};
  for (int r = 0; r < held; ++r) {
    if (kept[static_cast<size_t>(r)] == 0) continue;
    newRow[static_cast<size_t>(r)] = static_cast<int>(table.column1.size());
    table.column1.push_back(rows.wave[static_cast<size_t>(r)]);
    table.column2.push_back(rows.trans[static_cast<size_t>(r)]);
  }
  for (int r = 0; r < held; ++r) {
    if (kept[static_cast<size_t>(r)] != 0 && rows.Jumps(r)) {
      table.column2[static_cast<size_t>(newRow[static_cast<size_t>(r)])] =
          static_cast<uint8_t>(newRow[static_cast<size_t>(target[static_cast<size_t>(r)])]);
    }
  }
  for (const uint8_t s : starts) table.start[s] = static_cast<uint8_t>(newRow[static_cast<size_t>(same(s))]);
  return table;
}

CrunchedTable CrunchTwoColumnTable(const MusicImage& image, uint32_t base, int held,
                                   std::span<const uint8_t> starts) {
  TwoColumnRows rows;
  rows.held = held = std::clamp(held, 0, static_cast<int>(kLastTableRow));
  for (int r = 1; r <= held; ++r) {
    rows.c1[static_cast<size_t>(r)] = image.Byte(base + static_cast<uint32_t>(r));
    rows.c2[static_cast<size_t>(r)] = image.Byte(base + kPageSize + static_cast<uint32_t>(r));
  }
  RowNumbers link{};
  for (int p = 0; p + 1 < kTableRows; ++p) link[static_cast<size_t>(p)] = rows.Link(p);

  std::array<Role, kTableRows> roles{};
  RowMarks steps{};
  for (const uint8_t s : starts) {
    if (StartsNothing(s)) continue;
    if (!ReachTwoColumn(rows, s, link, roles, steps)) return Unchanged(image, base + 1, held, LeftAsIs::kReadsOutside);
  }
  // A row whose column 2 is a value to one program and a link to another cannot move.
  for (const Role role : roles) {
    if (role == Role::kBoth) return Unchanged(image, base + 1, held, LeftAsIs::kMixedRow);
  }

  std::array<uint32_t, kTableRows> token{};
  RowNumbers next{};
  DescribeSteps(rows, token, next);
  const RowNumbers stepKind = SamePlay(steps, token, next);
  const RowNumbers firstStep = LowestOfEach(steps, stepKind);
  // A start is its row's two values and what its first step plays.
  std::map<std::tuple<uint8_t, uint8_t, int>, int> startKinds;
  RowNumbers sameStart{};
  for (int s = 1; s < kTableRows; ++s) sameStart[static_cast<size_t>(s)] = s;
  std::vector<uint8_t> sorted(starts.begin(), starts.end());
  std::sort(sorted.begin(), sorted.end());
  for (const uint8_t s : sorted) {
    if (StartsNothing(s)) continue;
    const std::tuple<uint8_t, uint8_t, int> key{rows.c1[s], rows.c2[s], stepKind[static_cast<size_t>(s) + 1]};
    sameStart[s] = startKinds.try_emplace(key, s).first->second;
  }
  for (int p = 1; p < kTableRows; ++p) {
    if (steps[static_cast<size_t>(p)] == 0 || link[static_cast<size_t>(p)] == 0) continue;
    link[static_cast<size_t>(p)] = firstStep[static_cast<size_t>(stepKind[static_cast<size_t>(link[static_cast<size_t>(p)])])];
  }
  std::array<Role, kTableRows> keptRoles{};
  RowMarks keptSteps{};
  for (const uint8_t s : starts) {
    if (!StartsNothing(s)) ReachTwoColumn(rows, sameStart[s], link, keptRoles, keptSteps);
  }

  CrunchedTable table;
  RowNumbers newRow{};
  for (int r = 1; r <= held; ++r) {
    if (keptRoles[static_cast<size_t>(r)] == Role::kUnplayed) continue;
    table.column1.push_back(rows.c1[static_cast<size_t>(r)]);
    table.column2.push_back(rows.c2[static_cast<size_t>(r)]);
    newRow[static_cast<size_t>(r)] = static_cast<int>(table.column1.size());  // rows count from 1
  }
  for (int p = 1; p < kTableRows; ++p) {
    if (keptSteps[static_cast<size_t>(p)] == 0) continue;
    const int to = link[static_cast<size_t>(p)];
    table.column2[static_cast<size_t>(newRow[static_cast<size_t>(p) + 1] - 1)] =
        static_cast<uint8_t>(to == 0 ? 0 : newRow[static_cast<size_t>(to)]);
  }
  for (size_t s = 0; s < table.start.size(); ++s) table.start[s] = static_cast<uint8_t>(s);
  for (const uint8_t s : starts) {
    if (!StartsNothing(s)) table.start[s] = static_cast<uint8_t>(newRow[static_cast<size_t>(sameStart[s])]);
  }
  return table;
}

}  // namespace zspack
