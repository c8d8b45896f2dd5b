// What the report page carries besides its figures: its style, and the
// little script that sorts and filters the tile table (the page reads the
// same without it). Nothing is fetched.
#pragma once

namespace pointsieve::qa::report {

extern const char *const kStyle;
extern const char *const kScript;

}  // namespace pointsieve::qa::report
