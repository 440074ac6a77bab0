// The bundled demo tune, examples/demo.prg: two songs whose sectors, glides, instruments
// and wavetable rows are numbered with gaps, so that every step of the exploration report
// has something to show, and that use most of the player's optional features.
#pragma once

#include <cstdint>
#include <vector>

#include "support/tune_builder.h"

namespace zspack::testing {

TuneBuilder DemoTune();

// The tracker file as examples/demo.prg holds it.
std::vector<uint8_t> DemoTuneFile();

}  // namespace zspack::testing
