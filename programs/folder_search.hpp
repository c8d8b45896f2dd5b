// The search of a folder tree for files by the end of their names.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pointsieve {

// Adds to found every name under dir that ends in one of tails (ASCII case
// not told apart; tails in lower case), links followed; a folder reached
// twice (a link back up the tree) is searched once. Names come as dir, a
// separator and the path below it, in the order the folders list them.
// Returns false, having printed why, when a folder cannot be read.
bool search_folder(const std::string &dir, const std::vector<std::string_view> &tails,
                   std::vector<std::string> &found);

}  // namespace pointsieve
