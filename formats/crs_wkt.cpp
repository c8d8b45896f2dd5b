// The coordinate system of an OGC WKT text, WKT 1 or WKT 2: the systems
// found in the text's tree of nodes.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "crs.hpp"
#include "crs_parts.hpp"
#include "wkt_tree.hpp"

namespace pointsieve::formats {

namespace {

enum class WktKind { Other, Projected, Geographic, Geocentric, Local, Vertical, Compound, Bound };

WktKind wkt_kind(const WktNode &n) {
    const std::string &k = n.keyword;
    if (k == "PROJCS" || k == "PROJCRS" || k == "PROJECTEDCRS") return WktKind::Projected;
    if (k == "GEOGCS" || k == "GEOGCRS" || k == "GEOGRAPHICCRS") return WktKind::Geographic;
    if (k == "GEOCCS") return WktKind::Geocentric;
    if (k == "GEODCRS" || k == "GEODETICCRS") {
        // WKT 2 writes both kinds so: a Cartesian system is geocentric.
        for (const WktNode &c : n.children)
            if (c.keyword == "CS" && !c.words.empty() && crs_same_word(c.words.front(), "Cartesian"))
                return WktKind::Geocentric;
        return WktKind::Geographic;
    }
    if (k == "LOCAL_CS" || k == "ENGCRS" || k == "ENGINEERINGCRS") return WktKind::Local;
    if (k == "VERT_CS" || k == "VERTCS" || k == "VERTCRS" || k == "VERTICALCRS") return WktKind::Vertical;
    if (k == "COMPD_CS" || k == "COMPOUNDCRS") return WktKind::Compound;
    if (k == "BOUNDCRS") return WktKind::Bound;
    return WktKind::Other;
}

// The system a node stands for: a bound system's source system, else the
// node itself; null when it is no system.
const WktNode *wkt_system(const WktNode &n) {
    if (wkt_kind(n) != WktKind::Bound) return wkt_kind(n) == WktKind::Other ? nullptr : &n;
    for (const WktNode &c : n.children)
        if (c.keyword == "SOURCECRS")
            for (const WktNode &s : c.children)
                if (wkt_kind(s) != WktKind::Other && wkt_kind(s) != WktKind::Bound) return &s;
    return nullptr;
}

// The EPSG code of the AUTHORITY or ID among the node's own children: a
// quoted code (WKT 1) or a number (WKT 2); 0 when none.
int wkt_epsg(const WktNode &n) {
    for (const WktNode &c : n.children) {
        if ((c.keyword != "AUTHORITY" && c.keyword != "ID") || c.strings.empty() ||
            !crs_same_word(c.strings.front(), "EPSG"))
            continue;
        double code = c.numbers.empty() ? 0 : c.numbers.front();
        if (c.numbers.empty() && c.strings.size() > 1 && !wkt_whole_number(c.strings[1], code)) code = 0;
        if (code >= 1 && code <= 2147483647 && code == std::floor(code)) return static_cast<int>(code);
    }
    return 0;
}

bool wkt_unit_keyword(const std::string &k, bool length) {
    return k == "UNIT" || k == (length ? "LENGTHUNIT" : "ANGLEUNIT");
}

// The unit of a system: the UNIT (or WKT 2 LENGTHUNIT or ANGLEUNIT) among
// its own children, else the first on one of its axes or in its CS; empty
// when there is none.
CrsUnit wkt_unit(const WktNode &n, bool length) {
    const WktNode *unit = nullptr;
    for (const WktNode &c : n.children)
        if (!unit && wkt_unit_keyword(c.keyword, length)) unit = &c;
    for (const WktNode &c : n.children)
        if (c.keyword == "AXIS" || c.keyword == "CS")
            for (const WktNode &u : c.children)
                if (!unit && wkt_unit_keyword(u.keyword, length)) unit = &u;
    if (!unit) return {};
    return crs_unit_named(unit->strings.empty() ? "" : unit->strings.front(),
                          unit->numbers.empty() ? 0 : unit->numbers.front(), length);
}

void wkt_vertical(const WktNode &n, CoordinateSystem &c) {
    c.vertical_epsg = wkt_epsg(n);
    const CrsUnit u = wkt_unit(n, true);
    c.vertical_unit = u.word;
    c.vertical_metres = u.metres;
}

// The horizontal system n into c; and a vertical system nested in it, as
// some writers put one inside a projected system rather than beside it.
void wkt_horizontal(const WktNode &n, CoordinateSystem &c) {
    const bool angular = wkt_kind(n) == WktKind::Geographic;
    c.horizontal_epsg = wkt_epsg(n);
    CrsUnit u = wkt_unit(n, !angular);
    if (angular) u = {u.word.empty() ? "degree" : u.word, 0};
    c.horizontal_unit = u.word;
    c.horizontal_metres = u.metres;
    for (const WktNode &v : n.children)
        if (wkt_kind(v) == WktKind::Vertical) return wkt_vertical(v, c);
}

// The components of a compound system into c: the first horizontal system
// and the first vertical one, in nested compounds too.
void wkt_components(const WktNode &n, CoordinateSystem &c, bool &horizontal, bool &vertical) {
    for (const WktNode &child : n.children) {
        const WktNode *s = wkt_system(child);
        if (!s) continue;
        const WktKind kind = wkt_kind(*s);
        if (kind == WktKind::Compound) {
            wkt_components(*s, c, horizontal, vertical);
        } else if (kind == WktKind::Vertical) {
            if (!vertical) wkt_vertical(*s, c);
            vertical = true;
        } else if (!horizontal) {
            wkt_horizontal(*s, c);
            horizontal = true;
        }
    }
}

}  // namespace

CoordinateSystem crs_from_wkt(std::string_view wkt) {
    CoordinateSystem c;
    c.source = CrsSource::Wkt;
    wkt = wkt.substr(0, wkt.find('\0'));  // the record's text ends at its first NUL
    const WktNode top = read_wkt_tree(wkt);

    const WktNode *s = nullptr;
    for (const WktNode &n : top.children)
        if (!s) s = wkt_system(n);
    if (!s) return c;
    c.name = s->strings.empty() ? "" : s->strings.front();
    if (wkt_kind(*s) == WktKind::Compound) {
        bool horizontal = false, vertical = false;
        wkt_components(*s, c, horizontal, vertical);
    } else if (wkt_kind(*s) == WktKind::Vertical) {
        wkt_vertical(*s, c);
    } else {
        wkt_horizontal(*s, c);
    }
    return c;
}

}  // namespace pointsieve::formats
