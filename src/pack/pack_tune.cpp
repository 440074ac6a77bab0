#include "pack/pack_tune.h"

#include "explore/explore_music.h"
#include "features/derive_features.h"
#include "output/data_file.h"
#include "output/defines_file.h"

namespace zspack {

void PackTune(std::span<const uint8_t> file, const PackOptions& options, PackState& state,
              PackedTune& out) {
  out.console.clear();
  out.defines.clear();
  out.data.clear();
  state.image.Clear();
  out.depack = DepackMusic(file, state.image);
  if (out.depack != DepackStatus::kDone) return;
  state.exploration = ExploreMusic(state.image, out.console);
  state.features = DeriveFeatures(state.image, state.exploration, options);
  out.defines = RenderDefinesFile(options, state.features);
  AppendDataFile(out.data, state.image, state.exploration, state.features, options.InputName);
}

}  // namespace zspack
