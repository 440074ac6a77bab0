// The data file "the_data.a": the explored music as labelled byte tables in ACME syntax,
// CR LF line ends; AppendDataFile builds the whole text in memory and reads nothing
// outside MusicImage, whatever the music holds.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/feature_flags.h"
#include "common/music_image.h"
#include "common/pack_state.h"
#include "common/written_lengths.h"

namespace zspack {

// One label line and `count` entries from `start` as "!by" lines of 17 values; a count of
// 0 or less still writes the entry at `start`.
void WriteByteTable(std::string& out, const MusicImage& image, std::string_view label,
                    uint32_t start, int count);

// How many bytes the data file's "!by" lines put into the program, one per value, as
// AppendDataFile would write them.
int CountDataBytes(const MusicImage& image, const Exploration& found, std::optional<int16_t> selected);

// Appends the whole file to `out`, so that a caller packing many tunes (the fuzzer) keeps
// one buffer instead of a fresh allocation per tune. `features` gives the selected song,
// if any; `inputName` goes into the first comment.
void AppendDataFile(std::string& out, const MusicImage& image, const Exploration& found,
                    const FeatureState& features, std::string_view inputName);

}  // namespace zspack
