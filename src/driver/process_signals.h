// PrepareProcessSignals: sets, once at start-up, the signal actions the run relies on.
#pragma once

namespace zspack {

void PrepareProcessSignals();

}  // namespace zspack
