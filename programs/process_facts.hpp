// What the system tells of the running process: the processors it may run
// on, and whether standard error is a terminal.
#pragma once

namespace pointsieve {

// The processors this process may run on: on Linux those of its affinity
// mask, which a Slurm task or taskset narrows, elsewhere the machine's.
// At least 1.
unsigned available_processors();

// Whether standard error is a terminal, where a progress line belongs.
bool stderr_is_terminal();

}  // namespace pointsieve
