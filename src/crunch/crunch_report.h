// The console lines of the crunch stage: the music data's bytes before and after, one
// line per part that changed, and why a part was left as it is.
#pragma once

#include <string>

#include "crunch/crunch_music.h"

namespace zspack {

// `bytesBefore` and `bytesAfter` count the values of the two data files.
void AppendCrunchReport(std::string& console, const CrunchReport& crunched, int bytesBefore, int bytesAfter);

// The line that says the crunched music did not play as the plain one: a fault of
// zspack's own, so the plain pack is written.
void AppendCrunchRefused(std::string& console);

}  // namespace zspack
