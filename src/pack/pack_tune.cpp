#include "pack/pack_tune.h"

#include <memory>

#include "crunch/crunch_report.h"
#include "explore/explore_music.h"
#include "features/derive_features.h"
#include "output/data_file.h"
#include "output/data_tables.h"
#include "output/defines_file.h"
#include "pack/music_view.h"

namespace zspack {

namespace {

std::optional<int16_t> SelectedSong(const PackOptions& options) {
  if (options.RequestedSong >= kAllSongs) return std::nullopt;
  return options.RequestedSong;
}

void Render(const PackOptions& options, PackState& state, PackedTune& out) {
  state.features = DeriveFeatures(state.image, state.exploration, options);
  out.defines = RenderDefinesFile(options, state.features);
  out.data.clear();
  AppendDataFile(out.data, state.image, state.exploration, state.features, options.InputName);
}

}  // namespace

bool PlaysTheSame(const PackState& plain, const CrunchedMusic& crunched, const PackOptions& options) {
  const std::optional<int16_t> selected = SelectedSong(options);
  MusicViewer viewer;
  const MusicView before = viewer.View(ResolveDataTables(plain.image, plain.exploration, selected));
  const MusicView after = viewer.View(ResolveDataTables(crunched.image, crunched.exploration, selected));
  return before == after;
}

void TakeCrunched(const CrunchedMusic& crunched, const PackOptions& options, PackState& state, PackedTune& out) {
  if (!PlaysTheSame(state, crunched, options)) {
    AppendCrunchRefused(out.console);
    return;
  }
  const int bytesBefore = CountDataBytes(out.data);
  state.image = crunched.image;
  state.exploration = crunched.exploration;
  Render(options, state, out);
  AppendCrunchReport(out.console, crunched, bytesBefore, CountDataBytes(out.data));
}

void PackTune(std::span<const uint8_t> file, const PackOptions& options, PackState& state,
              PackedTune& out) {
  out.console.clear();
  out.defines.clear();
  out.data.clear();
  state.image.Clear();
  out.depack = DepackMusic(file, state.image);
  if (out.depack != DepackStatus::kDone) return;
  state.exploration = ExploreMusic(state.image, out.console);
  Render(options, state, out);
  if (!options.Crunch) return;
  // About 60 KB, off the stack.
  const auto crunched = std::make_unique<CrunchedMusic>();
  CrunchMusic(state.image, state.exploration, SelectedSong(options), *crunched);
  TakeCrunched(*crunched, options, state, out);
}

}  // namespace zspack
