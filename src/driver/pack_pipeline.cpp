#include "driver/pack_pipeline.h"

#include "explore/explore_music.h"
#include "features/defines_file.h"
#include "output/data_file.h"

namespace zspack {

void PackTune(std::span<const uint8_t> file, const RunOptions& options, PackState& state,
              PackedTune& out) {
  out.console.clear();
  out.defines.clear();
  out.data.clear();
  state.image.Clear();
  out.depack = file.size() < 5 ? DepackStatus::kTooShort : DepackMusic(file.subspan(2), state.image);
  if (out.depack != DepackStatus::kDone) return;
  ExploreMusic(state, options, out.console);
  out.defines = RenderDefinesFile(options, state.features);
  out.data = RenderDataFile(state, options.InputName);
}

}  // namespace zspack
