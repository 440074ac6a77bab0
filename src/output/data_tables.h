// DataTables: the music as the data file holds it, each table as the bytes a player finds
// under its label; the crunch check compares two packs through it, and reading a data
// file's text back gives the same value.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "common/music_image.h"
#include "common/music_layout.h"
#include "common/pack_state.h"

namespace zspack {

struct SongTables {
  std::array<std::vector<uint8_t>, kVoiceCount> tracks;  // the bytes under each track label
  uint8_t speed = 0;
  uint8_t setting = 0;

  bool operator==(const SongTables&) const = default;
};

struct DataTables {
  std::vector<uint8_t> arpspds;
  std::vector<SongTables> songs;                 // in tunedats order
  std::vector<std::vector<uint8_t>> sectors;     // in address-list order, through $FF
  std::vector<uint8_t> gldtbl, gldtbh;
  std::array<std::vector<uint8_t>, kInstrumentTableCount> instruments;
  std::vector<uint8_t> wave, trans;
  // Row r at index r; these tables are written from row 1, so index 0 holds nothing.
  std::vector<uint8_t> ptb1, ptb2, ftb1, ftb2;

  bool operator==(const DataTables&) const = default;
};

// What AppendDataFile writes for this image and exploration, table by table.
DataTables ResolveDataTables(const MusicImage& image, const Exploration& found,
                             std::optional<int16_t> selected);

}  // namespace zspack
