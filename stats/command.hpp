// The Pointsieve command: the run driver.
#pragma once

namespace pointsieve {

// The whole command; returns the exit status (ends the process early on
// errors, with status 255).
int run_command(int argc, char **argv);

}  // namespace pointsieve
