// Pointsieve-qa: the audit of a delivery of LAS tiles, every tile read and
// judged.
#pragma once

namespace pointsieve::qa {

// The whole program; returns the exit status.
int run_audit(int argc, char **argv);

}  // namespace pointsieve::qa
