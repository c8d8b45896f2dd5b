// Paths as text: the folder separator, a name made absolute in parts, the
// path of one name seen from a folder, and a case-blind test of a name's end.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pointsieve {

// Whether c separates the folders of a path ('/', and '\\' on Windows).
bool is_separator(char c);

// The components of a name made absolute, "." and ".." worked out.
std::vector<std::string> absolute_parts(const std::string &name);

// The path of name (a path from the current folder) seen from the folder
// from_dir.
std::string path_from(const std::string &from_dir, const std::string &name);

// ASCII letters in lower case; other bytes as they are.
char ascii_lower(char c);

// Whether name ends in tail, ASCII case not told apart; tail in lower case.
bool ends_with_ci(const std::string &name, std::string_view tail);

}  // namespace pointsieve
