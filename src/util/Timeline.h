// Start-up marks for measuring, kept only when the environment variable
// VADROME_TIMELINE names a file; otherwise a mark costs one test of a flag.
// Each process appends "<process id> <mark> <time> <private bytes>" lines,
// the first of them "start" at the process's creation. Times are system-clock
// ticks of 100 ns, the clock of process creation times, so the first launch,
// the relaunch and the children they inherit the variable from line up in one file.
#pragma once

void TimelineMark(const char* name);
