#include "command.hpp"

int main(int argc, char **argv) { return pointsieve::run_command(argc, argv); }
