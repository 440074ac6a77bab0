// The defines file "the_defines.a": start address or PSID header, output name, song and
// speed settings, the feature defines and the defines derived from them, CR LF line ends;
// RenderDefinesFile builds the whole text in memory from the options and feature results.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "common/feature_flags.h"
#include "common/pack_options.h"

namespace zspack {

std::string RenderDefinesFile(const PackOptions& options, const FeatureState& features);

}  // namespace zspack
