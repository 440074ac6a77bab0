// DeriveFeatures: the player features and derived values of one pack, from what the
// exploration found, the image's instrument and song settings and the requested song;
// it reads, never changes, and cannot fail.
#pragma once

#include "common/feature_flags.h"
#include "common/music_image.h"
#include "common/pack_options.h"
#include "common/pack_state.h"

namespace zspack {

// The entry features, _GLIDES_, _PULSE_, _FILTERS_, _VIBRATO_, _HR0_.._HR3_, and
// SelectedSong, SingleSpeed and MultiSpeed.
FeatureState DeriveFeatures(const MusicImage& image, const Exploration& found,
                            const PackOptions& options);

}  // namespace zspack
