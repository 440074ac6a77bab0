// WaitForKey: waits for one key press when standard input is a terminal (a console on
// Windows) and returns at once otherwise; modifier keys alone do not count on Windows.
// On a terminal the wait turns echo and line editing off and puts the settings back
// however it ends: by a key, or by SIGINT, SIGTERM, SIGHUP or SIGQUIT (which then end the
// process as they would have) or SIGTSTP (the wait takes its settings again on SIGCONT).
// On Windows it reads the console's input records without changing the console mode, so
// Ctrl-C and Ctrl-Break end the process with nothing to put back.
#pragma once

namespace zspack {

void WaitForKey();

}  // namespace zspack
