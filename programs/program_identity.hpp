// Who the running program is: its name in messages, its answers to --help
// and --version, and the elapsed-time line that ends a complete run.
#pragma once

#include <chrono>

namespace pointsieve {

// The running program's name, as its messages and --version name it. Each
// program's driver sets it before anything is printed.
extern const char *program_name;

enum class IdentityRequest { None, Help, Version };

// What a command line of "--help" or "--version" alone asks for; None for
// any other command line. A program may take more forms of the request
// (Pointsieve's "-h").
IdentityRequest identity_request(int argc, char **argv);

// Prints "<program> <version>" and the line naming the licence, to standard
// output.
void print_version(const char *program);

// Prints a program's usage text and the banner.
void print_usage(const char *usage_text);

// Answers a command line of "--help" or "--version" alone, or any other
// form of the help request the program takes (help_asked): prints the
// usage or the version, makes sure standard output took it, and returns
// true. Prints nothing and returns false for any other command line.
bool answered_identity(int argc, char **argv, const char *usage_text, bool help_asked = false);

// Prints the elapsed-time line that ends a complete run.
void print_elapsed_time(std::chrono::steady_clock::time_point begin);

}  // namespace pointsieve
