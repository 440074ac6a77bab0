// The data file's labels and the tables they stand for, in the order the file writes them;
// the renderer writes from these lists, and kDataFileLabels gathers every label from them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <span>
#include <string_view>

#include "common/music_layout.h"

namespace zspack {

struct TableSpec {
  std::string_view label;
  uint32_t start;
};

inline constexpr std::string_view kArpspds = "arpspds";
inline constexpr std::string_view kTunedats = "tunedats";
inline constexpr std::string_view kTrackStem = ".trk";
inline constexpr std::string_view kSectorStem = ".sec";
inline constexpr std::string_view kSectorLows = "Asecsl";
inline constexpr std::string_view kSectorHighs = "Asecsh";
inline constexpr std::array kNamedLabels = {kArpspds, kTunedats, kTrackStem, kSectorStem, kSectorLows, kSectorHighs};

inline constexpr TableSpec kGlideTables[] = {{"gldtbl", addr::gldtbl}, {"gldtbh", addr::gldtbh}};

inline constexpr TableSpec kInstrumentTables[] = {
    {"adtb", addr::adtb}, {"srtb", addr::srtb}, {"aptb", addr::aptb}, {"pptb", addr::pptb},
    {"fptb", addr::fptb}, {"v1tb", addr::v1tb}, {"v2tb", addr::v2tb}, {"v3tb", addr::v3tb},
    {"hrtb", addr::hrtb}, {"hf1tb", addr::hf1tb}, {"hf2tb", addr::hf2tb},
};

inline constexpr TableSpec kWaveTables[] = {{"wave", addr::wave}, {"trans", addr::trans}};

inline constexpr TableSpec kPulseTables[] = {{"ptb1", addr::ptb1}, {"ptb2", addr::ptb2}};
inline constexpr TableSpec kFilterTables[] = {{"ftb1", addr::ftb1}, {"ftb2", addr::ftb2}};

consteval bool InColumnOrder() {
  for (size_t t = 0; t < std::size(kInstrumentTables); ++t) {
    if (kInstrumentTables[t].start != kInstrumentColumns[t]) return false;
  }
  return std::size(kInstrumentTables) == kInstrumentTableCount;
}
static_assert(InColumnOrder(), "the instrument tables are written in the order of their columns");

// Every label the data file can define; ".trk" and ".sec" stand for the numbered labels
// ".trk00".."trk0B" and ".sec00"...
inline constexpr auto kDataFileLabels = [] {
  std::array<std::string_view, std::size(kNamedLabels) + std::size(kGlideTables) +
                                   std::size(kInstrumentTables) + std::size(kWaveTables) +
                                   std::size(kPulseTables) + std::size(kFilterTables)>
      labels{};
  size_t n = 0;
  for (const std::string_view label : kNamedLabels) labels[n++] = label;
  for (const std::span<const TableSpec> group :
       {std::span<const TableSpec>(kGlideTables), std::span<const TableSpec>(kInstrumentTables),
        std::span<const TableSpec>(kWaveTables), std::span<const TableSpec>(kPulseTables),
        std::span<const TableSpec>(kFilterTables)}) {
    for (const TableSpec& table : group) labels[n++] = table.label;
  }
  return labels;
}();

}  // namespace zspack
