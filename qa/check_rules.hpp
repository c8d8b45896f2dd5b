// The rules of the checks, one a check, as the check table names them:
// each sets v to the tile's figure for the criterion `which` of its check
// and says whether the check applies to the tile.
#pragma once

#include <cstddef>

#include "check_table.hpp"

namespace pointsieve::qa::rules {

bool readable(const CheckInput &in, std::size_t which, double &v);
bool expected(const CheckInput &in, std::size_t which, double &v);
bool file_name(const CheckInput &in, std::size_t which, double &v);
bool complete(const CheckInput &in, std::size_t which, double &v);
bool points(const CheckInput &in, std::size_t which, double &v);
bool header_box(const CheckInput &in, std::size_t which, double &v);
bool header_returns(const CheckInput &in, std::size_t which, double &v);
bool return_numbers(const CheckInput &in, std::size_t which, double &v);
bool never_classified(const CheckInput &in, std::size_t which, double &v);
bool unclassified(const CheckInput &in, std::size_t which, double &v);
bool withheld(const CheckInput &in, std::size_t which, double &v);
bool density(const CheckInput &in, std::size_t which, double &v);
bool z_span(const CheckInput &in, std::size_t which, double &v);
bool gps_time(const CheckInput &in, std::size_t which, double &v);
bool noise(const CheckInput &in, std::size_t which, double &v);
bool duplicate(const CheckInput &in, std::size_t which, double &v);
bool duplicate_points(const CheckInput &in, std::size_t which, double &v);
bool z_level(const CheckInput &in, std::size_t which, double &v);
bool voids(const CheckInput &in, std::size_t which, double &v);
bool interswath(const CheckInput &in, std::size_t which, double &v);
bool flight_lines(const CheckInput &in, std::size_t which, double &v);
bool intensity(const CheckInput &in, std::size_t which, double &v);
bool scan_angle(const CheckInput &in, std::size_t which, double &v);
bool source_id(const CheckInput &in, std::size_t which, double &v);
bool position(const CheckInput &in, std::size_t which, double &v);
bool crs(const CheckInput &in, std::size_t which, double &v);
bool gps_encoding(const CheckInput &in, std::size_t which, double &v);
bool header_counts(const CheckInput &in, std::size_t which, double &v);
bool overlap(const CheckInput &in, std::size_t which, double &v);

}  // namespace pointsieve::qa::rules
