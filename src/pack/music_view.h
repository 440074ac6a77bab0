// MusicView: what a player reaches from each packed song, whatever the numbering: every
// track entry, each sector resolved to its entries, each instrument to its values and
// the rows its programs play, each glide to its two bytes; two packs play the same music
// when their views are equal under one MusicViewer's names.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "common/pack_state.h"
#include "common/program_stream.h"
#include "output/data_tables.h"

namespace zspack {

struct MusicView {
  std::vector<uint8_t> arpspds;
  std::vector<uint32_t> songs;  // one name per packed song, in tunedats order

  bool operator==(const MusicView&) const = default;
};

// Names what the tables hold: equal names, equal music. One viewer names the parts of
// several packs, so that their names compare; each pack's tables are viewed through
// Look, which also marks what the player reaches.
class MusicViewer {
 public:
  // The rows and entries a view reached, per table.
  struct Reached {
    RowMarks wave{}, pulse{}, filter{};
    std::array<uint8_t, kTableRows> instruments{}, glides{}, sectors{};
  };

  MusicView View(const DataTables& tables);

  // The names of single parts of the tables last given to View (or Look).
  void Look(const DataTables& tables);
  uint32_t Instrument(int number);
  uint32_t Glide(int number);
  uint32_t Sector(int number);
  uint32_t WaveProgram(int row);
  uint32_t PulseProgram(int row);
  uint32_t FilterProgram(int row);
  const Reached& reached() const { return reached_; }

 private:
  using Names = std::array<std::optional<uint32_t>, kTableRows>;
  uint32_t Name(const std::vector<uint32_t>& key);
  uint32_t TwoColumnProgram(int start, bool pulse);
  uint32_t Track(const std::vector<uint8_t>& bytes);

  std::map<std::vector<uint32_t>, uint32_t> names_;
  const DataTables* tables_ = nullptr;
  Names instruments_, glides_, sectors_, wave_, pulse_, filter_;
  Reached reached_;
};

}  // namespace zspack
