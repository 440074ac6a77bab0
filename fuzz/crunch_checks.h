// Checks of a crunched pack against the plain pack of the same input: the music a player
// reaches through the two data files, their sizes, the console lines of the crunch stage
// and the features the crunched music asks of the player.
#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "common/pack_state.h"
#include "output/data_file.h"
#include "output/data_tables.h"
#include "pack/music_view.h"
#include "pack/pack_tune.h"

namespace zspack::fuzzing::detail {

// The values of a data file's "!by" lines: past the first line, which names the input, a
// tab only starts a line of values and a comma only separates two.
inline int CountValues(std::string_view data) {
  int values = 0;
  for (const char c : data.substr(std::min(data.find('\n'), data.size()))) values += (c == ',') + (c == '\t');
  return values;
}

inline std::string CheckCrunched(const PackState& plain, const PackedTune& plainOut, const PackState& crunched,
                                 const PackedTune& crunchedOut) {
  const std::optional<int16_t> selected = plain.features.SelectedSong;
  if (crunched.features.SelectedSong != selected) return "crunch: the selected song changed";
  MusicViewer viewer;
  const MusicView before = viewer.View(ResolveDataTables(plain.image, plain.exploration, selected));
  const MusicView after = viewer.View(ResolveDataTables(crunched.image, crunched.exploration, selected));
  if (before != after) return "crunch: the crunched data plays other music";

  const int plainBytes = CountDataBytes(plain.image, plain.exploration, selected);
  const int crunchedBytes = CountDataBytes(crunched.image, crunched.exploration, selected);
  if (plainBytes != CountValues(plainOut.data) || crunchedBytes != CountValues(crunchedOut.data)) {
    return "crunch: the bytes counted are not the values written";
  }
  if (crunchedBytes > plainBytes) return "crunch: the crunched data is larger";
  for (size_t f = 0; f < kFeatureCount; ++f) {
    if (crunched.features.flags[f] && !plain.features.flags[f]) {
      return "crunch: the crunched music needs " + std::string(kFeatureDefines[f]);
    }
  }

  // The exploration report as it is without crunching, then the crunch stage's lines.
  const std::string_view console = crunchedOut.console;
  if (!console.starts_with(plainOut.console)) return "crunch: the exploration report changed";
  const std::string_view lines = console.substr(plainOut.console.size());
  if (lines.find("Crunching would change the music") != std::string_view::npos) {
    return "crunch: the crunched music was refused";
  }
  const std::string first = "Crunching music data ... " + std::to_string(plainBytes) + " -> " +
                            std::to_string(crunchedBytes) + " bytes.\n";
  if (!lines.starts_with(first)) return "crunch: the report does not begin with " + first;
  if (lines.substr(first.size()).starts_with("nothing crunched") &&
      (crunchedOut.defines != plainOut.defines || crunchedOut.data != plainOut.data)) {
    return "crunch: nothing was crunched, yet the texts changed";
  }
  return {};
}

}  // namespace zspack::fuzzing::detail
