// A tile's footprint: the X-Y box of its points, in the data's units.
#pragma once

namespace pointsieve::qa {

struct Box {
    double x0, x1, y0, y1;
};

}  // namespace pointsieve::qa
