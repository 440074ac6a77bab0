// MusicView: what a player reaches from each packed song, whatever the numbering: every
// track entry, each sector resolved to its entries, each instrument to its values and
// the rows its programs play, each glide to its two bytes; two packs play the same music
// when their views are equal under one MusicViewer's names.
#pragma once

#include <algorithm>
#include <array>
#include <initializer_list>
#include <span>
#include <cstdint>
#include <unordered_map>
#include <optional>
#include <vector>

#include "common/pack_state.h"
#include "output/data_tables.h"

namespace zspack {

struct MusicView {
  std::vector<uint8_t> arpspds;
  std::vector<uint32_t> songs;  // one name per packed song, in tunedats order

  bool operator==(const MusicView&) const = default;
};

// Names what the tables hold: equal names, equal music. One viewer names the parts of
// several packs, so that their names compare; View names one pack's songs and marks what
// the player reaches from them.
class MusicViewer {
 public:
  // The rows and entries the player reached, per table.
  struct Reached {
    RowMarks wave{}, pulse{}, filter{};
    std::array<uint8_t, kTableRows> instruments{}, glides{}, sectors{};
  };

  MusicView View(const DataTables& tables);

  // The names of single parts of the tables last given to View (or Look, which starts
  // over with other tables without naming their songs).
  void Look(const DataTables& tables);
  uint32_t Instrument(int number);
  uint32_t Glide(int number);
  uint32_t Sector(int number);
  uint32_t WaveProgram(int start);
  uint32_t PulseProgram(int start);
  uint32_t FilterProgram(int start);
  const Reached& reached() const { return reached_; }

 private:
  static constexpr size_t kPositions = kTableRows;
  using Cache = std::array<std::optional<uint32_t>, kPositions>;
  using PositionNames = std::array<uint32_t, kPositions>;

  // A table as a player steps through it: what each position holds and where it goes on.
  struct Steps {
    std::array<bool, kPositions> held{};
    std::array<uint32_t, kPositions> token{};
    std::array<int, kPositions> next{};
  };
  // Where a name of a position inside a repeating cycle stands in that cycle.
  struct CycleSpot {
    uint32_t cycle;
    uint32_t offset;
  };
  // One of the program tables: its steps, their names once given, and what was walked.
  struct ProgramTable {
    Steps steps;
    std::optional<PositionNames> names;
    RowMarks walked{};
    Cache programs;  // by start row
  };

  uint32_t Name(std::span<const uint32_t> key);
  uint32_t Name(std::initializer_list<uint32_t> key) { return Name(std::span<const uint32_t>(key.begin(), key.size())); }
  uint32_t Spot(uint32_t cycle, uint32_t offset);
  uint32_t Follow(uint32_t token, uint32_t then);
  void NameCycle(const std::vector<int>& cycle, const Steps& steps, PositionNames& names);
  const PositionNames& NamesOf(ProgramTable& table);
  uint32_t TwoColumnProgram(int start, bool pulse);
  uint32_t NameTwoColumnProgram(int start, bool pulse);
  uint32_t Track(const std::vector<uint8_t>& bytes);

  // Keys hash and compare as sequences, so that a name is looked up without copying its key.
  struct KeyHash {
    using is_transparent = void;
    size_t operator()(std::span<const uint32_t> key) const {
      // FNV-1a over the tokens.
      constexpr uint64_t kOffsetBasis = 0xCBF29CE484222325;
      constexpr uint64_t kPrime = 0x100000001B3;
      uint64_t hash = kOffsetBasis;
      for (const uint32_t token : key) hash = (hash ^ token) * kPrime;
      return static_cast<size_t>(hash);
    }
  };
  struct KeyEqual {
    using is_transparent = void;
    bool operator()(std::span<const uint32_t> a, std::span<const uint32_t> b) const {
      return std::equal(a.begin(), a.end(), b.begin(), b.end());
    }
  };
  std::unordered_map<std::vector<uint32_t>, uint32_t, KeyHash, KeyEqual> names_;
  std::vector<std::optional<CycleSpot>> spots_;        // by name
  std::unordered_map<uint32_t, std::vector<uint32_t>> cycles_;  // a cycle's name to its tokens
  const DataTables* tables_ = nullptr;
  Cache instruments_, glides_, sectors_;
  ProgramTable wave_, pulse_, filter_;
  Reached reached_;
};

}  // namespace zspack
