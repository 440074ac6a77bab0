#include "pack/pack_tune.h"

#include "crunch/crunch_report.h"
#include "explore/explore_music.h"
#include "features/derive_features.h"
#include "output/data_file.h"
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

// Depacks and explores; false when the file is malformed.
bool Explore(std::span<const uint8_t> file, PackState& state, PackedTune& out) {
  out.console.clear();
  out.defines.clear();
  out.data.clear();
  state.image.Clear();
  out.depack = DepackMusic(file, state.image);
  if (out.depack != DepackStatus::kDone) return false;
  state.exploration = ExploreMusic(state.image, out.console);
  return true;
}

}  // namespace

PlainPack DescribePlainPack(const PackState& state, const PackOptions& options) {
  const std::optional<int16_t> selected = SelectedSong(options);
  return {ResolveDataTables(state.image, state.exploration, selected),
          CountDataBytes(state.image, state.exploration, selected)};
}

void TakeCrunched(std::span<const uint8_t> file, const PackOptions& options, const PlainPack& plain,
                  const CrunchReport& report, PackState& state, PackedTune& out) {
  const std::optional<int16_t> selected = SelectedSong(options);
  MusicViewer viewer;
  const MusicView before = viewer.View(plain.tables);
  const MusicView after = viewer.View(ResolveDataTables(state.image, state.exploration, selected));
  if (before != after) {
    PackOptions plainOptions = options;
    plainOptions.Crunch = false;
    PackTune(file, plainOptions, state, out);
    AppendCrunchRefused(out.console);
    return;
  }
  Render(options, state, out);
  AppendCrunchReport(out.console, report, plain.bytes, CountDataBytes(state.image, state.exploration, selected));
}

void PackTune(std::span<const uint8_t> file, const PackOptions& options, PackState& state,
              PackedTune& out) {
  if (!Explore(file, state, out)) return;
  if (!options.Crunch) {
    Render(options, state, out);
    return;
  }
  const PlainPack plain = DescribePlainPack(state, options);
  const CrunchReport report = CrunchMusic(state.image, state.exploration, SelectedSong(options));
  TakeCrunched(file, options, plain, report, state, out);
}

}  // namespace zspack
