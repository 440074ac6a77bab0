// WaitForKey: waits for one key press when standard input is a terminal (a console on
// Windows) and returns at once otherwise; modifier keys alone do not count on Windows.
#pragma once

namespace zspack {

void WaitForKey();

}  // namespace zspack
