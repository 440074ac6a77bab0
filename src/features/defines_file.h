// The defines file "the_defines.a": start address or PSID header, output name, song and
// speed settings, the feature defines and the defines derived from them, CR LF line ends;
// RenderDefinesFile builds the whole text in memory from the options and feature results.
#pragma once

#include <string>

#include "driver/run_options.h"
#include "features/feature_flags.h"

namespace zspack {

std::string RenderDefinesFile(const RunOptions& options, const FeatureState& features);

}  // namespace zspack
