// How a run fails once its output folder is begun: the reading under way is
// stopped, the new folder removed, and the process ended with the failure
// printed before.
#pragma once

#include "outdir.hpp"

namespace pointsieve::qa {

[[noreturn]] void fail_run(OutDir &out);

}  // namespace pointsieve::qa
