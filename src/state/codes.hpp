// Names of the numeric codes of the run parameters (state/params.hpp). The
// numbers are those the dialog offers and the parameter files store; each name
// stands for its number, so the codes compare with the int fields directly
// (p.passage == Passage::free).
#pragma once

namespace r7 {

struct MainOption {
    static constexpr int giza = 1, chambers = 2, conjunctions = 3, teotihuacan = 4;
    // The Giza site or its chambers: the studies of the monument's triangle.
    static constexpr bool is_site(int m) { return m == giza || m == chambers; }
    // The searches through time (all but Teotihuacan): their step width is
    // entered in hours and their reports open with the standard heading.
    static constexpr bool is_search(int m) { return m >= giza && m <= conjunctions; }
};

// Conjunctions and transits (Teotihuacan reads the field as its distance kind).
struct ConjChoice {
    static constexpr int mercury_transit = 1, venus_transit = 2, syzygy3 = 3, syzygy4 = 4;
    static constexpr bool is_transit(int c) { return c == mercury_transit || c == venus_transit; }
    static constexpr bool is_syzygy(int c) { return c == syzygy3 || c == syzygy4; }
    // Teotihuacan: the distances recomputed from the GPS points, the metres as
    // read, or the map millimetres.
    static constexpr int distances_gps = 1, distances_metres = 2, distances_map = 3;
};

struct EphemChoice {
    static constexpr int short_series = 1, full_series = 2, kepler = 3;
};

struct Passage {
    static constexpr int aphelion = 1, perihelion = 2, aphelion_area = 3, perihelion_area = 4, free = 5;
    static constexpr bool is_point(int p) { return p == aphelion || p == perihelion; }
    static constexpr bool is_area(int p) { return p == aphelion_area || p == perihelion_area; }
};

// Where the Sun point of the site comes from.
struct SunMode {
    static constexpr int south_of_mykerinos = 1, south_of_chefren = 2, plane_2d = 3, space_sle = 4, space_fitex = 5;
    static constexpr bool is_south(int s) { return s == south_of_mykerinos || s == south_of_chefren; }
};

// Transit dates (Teotihuacan reads the field as its unit: 1 as given, 2 "luna").
struct DateMode {
    static constexpr int equal_longitude = 1, nearest = 2, phases = 3, phases_and_pa = 4;
    static constexpr bool with_phases(int d) { return d == phases || d == phases_and_pa; }
    // Teotihuacan: lengths as read, or in units of the Sun's distance (Plaza de la Luna).
    static constexpr int unit_as_read = 1, unit_luna = 2;
};

struct OutputChoice {
    static constexpr int monitor = 1, monitor_and_file = 2, special = 3, exit = 4;
};

struct OutputDetail {
    static constexpr int normal = 1, extended = 2;
};

// The planet frame of the listings and the comparison.
struct CoordChoice {
    static constexpr int ecliptic = 1;
};

// The time scale of the dates: terrestrial or universal time (Teotihuacan reads
// the field as its distance unit).
struct TimeScale {
    static constexpr int tt = 1, ut = 2;
};

// The chambers' planet order: the planets at the east, middle and west wall.
struct PlanetOrder {
    static constexpr int e_v_m = 1;
};

// Which side of the ecliptic the planet triangle is seen from.
struct View {
    static constexpr int north = 1, south = 2, both = 3;
};

// The time of a Giza or chamber run: one of the predefined constellations, a
// range of years (or, with the full series at a passage, one k-number), or one
// entered JDE.
struct Constellation {
    static constexpr int one_jde = 0, reference = 12, range = 15;
    static constexpr bool is_predefined(int c) { return c >= 1 && c <= 14; }
};

// Menu answers with a run of their own (the series file run has its name in
// transit/series.hpp).
struct MenuChoice {
    static constexpr int edited_set = 999; // the user's set of "inedit.t"
};

} // namespace r7
