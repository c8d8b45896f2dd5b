// Pointsieve-qa: audits a delivery of LAS tiles, every tile read and judged.
#include "run.hpp"

int main(int argc, char **argv) { return pointsieve::qa::run_audit(argc, argv); }
