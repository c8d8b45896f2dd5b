// The check table. A check is added here: an entry that names it, says
// what it looks for and gives the default limits of its criteria, and its
// rule in check_rules.cpp.
#include "check_table.hpp"

#include "check_rules.hpp"

namespace pointsieve::qa {

namespace {

using namespace rules;

const CheckEntry kTable[] = {
    {"readable", "not read", "the tile could be read: not refused or unreadable",
     {{{"readable", false, 0, 0, "1 when the tile could not be read (refused or unreadable)"}}},
     readable, ValueShown::Status},
    {"complete", "truncated", "every record the header declares was read, and no more are held",
     {{{"complete", false, 0, 0, "point records the header declares that the file does not hold"},
       {"records_beyond", false, 0, 0, "whole point records the file holds past the header's count"}}},
     complete},
    {"points", "no points", "the tile holds points",
     {{{"points", true, 1, 1, "point records read"}}},
     points},
    {"header_box", "header box", "every point lies inside the header's extents",
     {{{"header_box", false, 0, 0, "points outside the header's box by more than half a scale unit"}}},
     header_box},
    {"header_returns", "header returns", "the header's by-return counts equal the points'",
     {{{"header_returns", false, 0, 0,
        "1 when the header's by-return counts (five before LAS 1.4, fifteen in it) differ from the points'"}}},
     header_returns},
    {"return_numbers", "return numbers",
     "no return number 0, no number of returns 0, none above its number of returns",
     {{{"return_numbers", false, 0, 0,
        "points with return number 0, number of returns 0, or return number above number of returns"}}},
     return_numbers},
    {"never_classified", "class 0", "no point left in class 0 (created, never classified)",
     {{{"never_classified", false, 0, 1, "percent of the points left in class 0"}}},
     never_classified},
    {"unclassified", "unclassified", "the share of points in class 1 (unclassified)",
     {{{"unclassified", false, 50, 90, "percent of the points in class 1 (unclassified)"}}},
     unclassified},
    {"withheld", "withheld", "the share of points flagged withheld",
     {{{"withheld", false, 1, 10, "percent of the points with the withheld flag"}}},
     withheld},
    {"density", "density", "density against the delivery's median both ways (and an absolute floor)",
     {{{"density_ratio", true, 0.5, 0.25, "the tile's density as a fraction of the delivery's median density"},
       {"density_floor", true, 0, 0,
        "points per square unit of the tile's X-Y box (0: off; set it in the units of the delivery)"},
       {"density_floor_m2", true, 0, 0,
        "points per square metre of the tile's X-Y box, feet converted (0: off; tiles of unknown units\n"
        "#   are not judged by it)"},
       {"first_density_floor_m2", true, 0, 0,
        "first returns per square metre (0: off; 2 is the USGS quality level 2 floor)"},
       {"density_high", false, 1.5, 3,
        "the tile's density as a multiple of the delivery's median (a flight line left in, points twice)"}}},
     density},
    {"z_span", "Z span", "Z span against the delivery's median (spikes, birds, noise), and not flat",
     {{{"z_span", false, 5, 50, "the tile's Z span as a multiple of the delivery's median Z span"},
       {"z_span_floor", true, 0.05, 0.01, "the tile's Z span, in its units (a flat tile: every Z equal)"}}},
     z_span},
    {"gps_time", "GPS time", "times fit the header's encoding and the delivery's time range",
     {{{"gps_week", false, 0, 0, "seconds by which week times fall outside 0 to 604800"},
       {"gps_offset", false, 2, 6,
        "days between the tile's time range and the delivery's median time (tiles in standard time)"},
       {"gps_invalid", false, 0, 0, "1 when no GPS time of the tile is a number, or every one is 0"}}},
     gps_time},
    {"duplicate", "duplicate", "no other tile holds the same points",
     {{{"duplicate", false, 0, 0, "other tiles holding the same point records"}}},
     duplicate, ValueShown::DuplicateOf},
    {"position", "position", "near the other tiles, on the delivery's grid, and not overlapping one by more than a share",
     {{{"position_gap", false, 1, 5, "gap to the nearest other tile, in median tile sizes"},
       {"position_overlap", false, 10, 50,
        "percent of the tile's X-Y box that another tile's box covers (where most tiles fit a grid,\n"
        "#   only tiles off it count against one on it)"},
       {"position_grid", false, 10, 25,
        "percent of the tile's X-Y box outside the cell of the delivery's tile grid that holds its centre"}}},
     position},
    {"crs", "coordinate system", "the delivery's one coordinate system, as the LAS version asks for it",
     {{{"crs_mismatch", false, 0, 0, "1 when the tile has no coordinate system, or another than most tiles'"},
       {"crs_wkt_missing", false, 0, 0, "1 when a LAS 1.4 tile of point format 6 to 10 has no OGC WKT record"},
       {"crs_wkt_bit", false, 0, 1, "1 when the global encoding's WKT bit disagrees with the records"}}},
     crs},
    {"gps_encoding", "GPS encoding", "the header's GPS time encoding fits the times, in standard time",
     {{{"gps_encoding_mismatch", false, 0, 0,
        "1 when the encoding bit says week time and the times are not week seconds, or the reverse"},
       {"gps_week_time", false, 0, 1, "1 when a LAS 1.4 tile is in GPS week time, not adjusted standard time"},
       {"gps_encoding_minority", false, 0, 0, "1 when the tile's encoding is not the one most tiles have"}}},
     gps_encoding},
    {"header_counts", "legacy counts", "the LAS 1.4 legacy point counts are 0 or equal the 64-bit ones",
     {{{"header_counts", false, 0, 0, "legacy counts of a LAS 1.4 header neither 0 nor equal to their 64-bit count"}}},
     header_counts},
    {"overlap", "overlap", "the share of points flagged overlap (class 12 before point format 6)",
     {{{"overlap", false, 25, 50, "percent of the points flagged overlap"}}},
     overlap},
    {"noise", "noise", "the share of points in the noise classes",
     {{{"noise", false, 10, 30, "percent of the points of class 7 (low noise), or 18 (high noise) in point formats 6 to 10"}}},
     noise},
    {"z_level", "Z level", "the tile's height meets its neighbours' where their sides meet",
     {{{"z_level", false, 0.5, 1,
        "the median over the tile's sides of its height there less its grid neighbour's, in the tile's\n"
        "#   units (ground points of a strip 3 % of the tile wide, fitted to a line across it)"}}},
     z_level},
    {"duplicate_points", "points twice", "no point repeats another's X, Y and Z",
     {{{"duplicate_points", false, 1, 10,
        "percent of the tile's points that repeat an earlier point's X, Y and Z (exact up to 65,536\n"
        "#   points, estimated beyond from an even sample of as many positions)"}}},
     duplicate_points},
    {"intensity", "intensity", "intensities that vary (not constant, not all zero)",
     {{{"intensity", true, 1, 1, "the tile's largest intensity less its smallest"}}},
     intensity},
    {"scan_angle", "scan angle", "scan angles within the instrument's field of view",
     {{{"scan_angle", false, 30, 40,
        "the largest scan angle, in degrees either way (30 is a starting value: set it to the survey's)"}}},
     scan_angle},
    {"source_id", "point source ID", "every point names the flight line it came from",
     {{{"source_id", false, 0, 10, "percent of the points of point source ID 0"}}},
     source_id},
    {"voids", "voids", "no void inside the tile: no cell without points between cells with points",
     {{{"void_percent", false, 2, 10,
        "percent of the cells of the tile's box that no point falls in, with points on all four sides\n"
        "#   along its row and column (cells sized to hold 16 points on average: of every point up to\n"
        "#   65,536 points, of every 227th beyond)"}}},
     voids},
    {"interswath", "interswath", "overlapping flight lines agree in height",
     {{{"interswath_dz", false, 0.16, 0.5,
        "the largest difference of two flight lines' heights: the median, over the cells both cover, of\n"
        "#   the difference of their last returns with the slope taken out, in the tile's units (0.16 is a\n"
        "#   starting value)"}}},
     interswath},
    {"flight_lines", "line flown twice", "no flight line lies over another one's area (flown again, or left in)",
     {{{"line_covered", false, 90, 100,
        "percent of the cells of one of the tile's flight lines that another line covers too, over\n"
        "#   the whole delivery (a line clipped by the delivery's edge may be covered: 100 fails none)"}}},
     flight_lines},
    {"expected", "not expected", "the tile is in the tile index (--index)",
     {{{"expected", false, 0, 1, "1 when the tile's name is not in the tile index"}}},
     expected},
    {"file_name", "file name", "the name's extension says what the file holds",
     {{{"file_name", false, 0, 1, "1 when a tile named .laz is not compressed, or one named .las is"}}},
     file_name},
};

}  // namespace

const std::span<const CheckEntry> kChecks{kTable};

const CheckEntry *find_check(std::string_view name) {
    for (const CheckEntry &c : kChecks)
        if (name == c.name) return &c;
    return nullptr;
}

}  // namespace pointsieve::qa
