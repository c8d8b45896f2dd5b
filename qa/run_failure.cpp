// Failing a run: nothing of it is left behind.
#include "run_failure.hpp"

#include "process.hpp"
#include "reading.hpp"

namespace pointsieve::qa {

void fail_run(OutDir &out) {
    stop_reading();
    abandon_outdir(out);
    korvane::end_with_failure();
}

}  // namespace pointsieve::qa
