// The run's results as plain numbers, recorded by the studies at the places
// where they print their report rows, for whatever presents them afterwards
// (the figures of the report page, the CSV tables). Recording never changes
// the report. The results belong to the run: the run flow makes one Run,
// hands it to the study it runs, and then to the writers of out.csv and
// out.html.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ephemeris/listing.hpp"
#include "fit/sonpos.hpp"
#include "fit/triangle.hpp"
#include "report/csv.hpp"
#include "state/params.hpp"
#include "transit/local.hpp"
#include "transit/transit.hpp"

namespace r7::results {

// One phase of a transit row: whether the row prints it, its time and position
// angle (degrees; only filled in date mode 4).
struct Phase {
    bool has = false;
    int h = 0, m = 0, s = 0;
    double pa = 0.0;
};

// A transit as seen from the run's site (--site), as its block prints it.
struct LocalTransit {
    std::string site;      // the site's name in the reports (site_label)
    std::string name;      // its own name ("Giza"), empty for a place given by coordinates
    double lat = 0.0, lon = 0.0, height = 0.0; // [deg], [deg east], [m]
    int ttype = 0;         // local_none, local_external, local_full
    double sep = 0.0;      // least separation at the site ["], signed
    double sd_sun = 0.0, sd_planet = 0.0; // semidiameters at the greatest transit ["]
    std::array<Phase, 5> phase{}; // I, II, greatest, III, IV: printed time; pa the position angle [deg]
    std::array<double, 5> za{};      // zenith angles [deg]
    std::array<double, 5> sun_alt{}; // the Sun's altitude [deg]
    std::array<double, 5> sun_az{};  // and azimuth [deg]
    std::array<double, 5> phase_sep{}; // separation of the centres at each phase ["]
    int time_scale = 1;              // of the printed times: 1 TT, 2 UT
    std::vector<LocalPathPoint> path; // the planet's path across the disk, in time order
};

// A printed transit row.
struct Transit {
    int body = 1;          // 1 Mercury, 2 Venus
    int date_mode = 3;     // 1 equal longitude, 2 nearest, 3 phases, 4 phases and position angles
    int time_scale = 1;    // 1 TT, 2 UT
    double year = 0.0;     // decimal year of the event
    std::string date;      // "7. May 2003"
    char letter = ' ';     // class letter of the transit
    int ttype = 0;         // 1 partial Earth, 2 external contacts only, 3 all contacts
    double sep = 0.0;      // least separation, arc seconds, signed
    double sd_sun = 0.0;   // semidiameters, arc seconds (date modes 3 and 4)
    double sd_planet = 0.0;
    int series = 0;
    char node = ' ';
    std::array<Phase, 5> phase{}; // I, II, greatest transit, III, IV
    double jde = 0.0;      // the event in TT (greatest transit, or the date of modes 1 and 2), as numbered
    std::optional<LocalTransit> local; // seen from the run's site, where the run has one
};

// A printed syzygy: the heliocentric longitudes (degrees) and radii (AU) of
// Mercury, Venus, Earth and Mars at the event.
struct Syzygy {
    double jde = 0.0, year = 0.0;
    double spread = 0.0; // the alignment measure, degrees
    int planets = 3;
    std::array<double, 4> lon{}, rad{};
};

// One Teotihuacan epoch: the nine fitted points (x monument distance, y the
// three logarithmic planet distances), the three lines y = u x + v and their R^2.
struct TeotiEpoch {
    double year = 0.0;
    std::array<double, 9> x{};
    std::array<std::array<double, 9>, 3> y{};
    std::array<double, 3> u{}, v{}, r2{};
    int detail = 1; // output detail of the run
};

// What the axes of the Teotihuacan epochs mean (the same for every epoch of a
// run): the names of the nine fitted points as the site file gives them (in the
// order of TeotiEpoch::x, which pairs them with the Sun and the planets Mercury
// to Neptune), the unit of their distances ("m", "mm" or "luna"), the unit of
// the planets' distances ("km" or "Sun radius") and the base of the logarithms.
struct TeotiAxes {
    std::array<std::string, 9> names;
    std::string unit;
    std::string planet_unit;
    double log_base = 10.0;
};

// A point on a monument site, metres, in the site's frame (Giza: x north,
// y west, z up; chambers: x north, y up, z east).
struct SitePoint {
    double x = 0.0, y = 0.0, z = 0.0;
};

// A planet of the coordinate listing in the site frame, as printed after a row.
struct ListedPlanet {
    int body = 0;        // 1 Mercury .. 8 Neptune, 9 Earth-Moon barycentre
    std::string name;    // "Mars"
    SitePoint at{};
    double dr = 0.0;
};

// A printed row of the Giza or chamber study with a Sun point.
struct SiteRow {
    int site = 1;       // 1 Giza pyramids, 2 chambers
    int sun_mode = 5;   // 4 SLE, 5 FITEX
    double year = 0.0;
    double f = 0.0;     // deviation F in per cent
    SitePoint sun{};    // the Sun point as printed
    double dr = 0.0;    // its uncertainty radius, metres
    // The Sun point of the mirror-image fit (FITEX rows): the reflection of the
    // Sun point through the plane of the fitted images, with the same residuals.
    std::optional<SitePoint> mirror;
    std::array<SitePoint, 3> point{};  // the three monument points (1, 2, 3 as in the site file)
    std::array<double, 3> height{};    // their heights h
    std::array<SitePoint, 3> image{};  // the fitted images of the planets on points 1, 2, 3
    std::array<double, 3> residual{};  // length of each image's residual vector
    double tolerance = 0.0;            // the F or angle tolerance of the run
    std::vector<ListedPlanet> listed;  // the planets the run lists in the site frame after this row
};

// The tables of the run's CSV files: out.csv holds the result rows of the
// study (transits, syzygies, Giza and chamber rows, Teotihuacan epochs); the
// others the listings that some runs print besides.
enum class TableKind {
    transits,      // out.csv: one row per transit row
    transits_at_site, // out.csv of a run with a site: the same with the local circumstances
    syzygies,      // out.csv: one row per syzygy row
    site_rows,     // out.csv: one row per Giza or chamber row (passages, F minimised)
    teoti_epochs,  // out.csv: one row per Teotihuacan epoch: the three fits
    teoti_bodies,  // out-bodies.csv: the monument and planet distances of each epoch
    teoti_points,  // out-points.csv: the input points of Teotihuacan
    planets,       // out-planets.csv: the planet coordinate listings
};

// The file name and the columns of a table.
std::string_view table_file(TableKind kind);
std::span<const std::string_view> table_columns(TableKind kind);

// The results of one run, filled by the record_ functions below.
struct Run {
    std::vector<Transit> transits;
    std::vector<Syzygy> syzygies;
    std::vector<TeotiEpoch> teoti;
    std::vector<SiteRow> site_rows;
    TeotiAxes teoti_axes;
    std::vector<std::pair<TableKind, csv::Table>> tables; // in the order of first use
    bool site = false; // the transits are also seen from a site (the local columns)
};

// The table of this kind of the run, made on first use.
csv::Table& table(Run& run, TableKind kind);
// Makes the main table of the run's study, so that out.csv has its header even
// when the run finds nothing; site: a transit run seen from a site, whose
// table has the local columns as well.
void start_tables(Run& run, const RunParams& p, bool site = false);

// The printed transit row besides the transit computation's result.
struct TransitRow {
    int body = 1;              // 1 Mercury, 2 Venus
    int date_mode = 3;         // the run's date mode
    int time_scale = 1;        // 1 TT, 2 UT
    double year = 0.0;         // decimal year of the event
    double day = 0.0;          // day of the month, rounded as printed
    std::string_view month;    // month name as jdedate gives it (trailing blanks dropped)
    int calendar_year = 0;
    IDate when{};              // the event's calendar fields: the time of rows without phases
    int calendar = 1;          // the run's calendar choice
    std::string_view label;    // the constellation label of the row ("12", "->", "")
    int k = 0;                 // k-number of the event (date modes 1 and 2 print it)
    double event_jde = 0.0;    // the event instant (TT): greatest transit, or the date of the row
    double djde = 0.0;         // days from the passage of Mercury (date modes 1 and 2)
    std::array<double, 3> dl{}; // longitude differences Mercury - Venus, - Earth, - Mars [deg]
};

// Hooks of the studies: one call where each row is printed.
void record_transit(Run& run, const TransitRow& row, const TransitResult& r);
// After record_transit, where the run has a site: the transit seen from it,
// for the row just recorded (its diagram and its local columns).
void record_local(Run& run, const Observer& o, const LocalCircumstances& l, int time_scale, int calendar);
// A printed syzygy row: the heliocentric longitudes [deg] and radii [AU] of
// Mercury, Venus, Earth and Mars at the event, its constellation label, the
// transit marks of Mercury and Venus, k, the offset from the passage, the
// longitude differences Mercury - Venus, - Earth, - Mars, and the number the
// scan without minimum search prints.
struct SyzygyRow {
    std::array<double, 4> lon{};
    std::array<double, 4> rad{};
    std::string_view label;
    char mark_mercury = ' ', mark_venus = ' ';
    int k = 0;
    double djde = 0.0;
    std::array<double, 3> dl{};
    int number = 0;            // 0 where the row has no number
    int calendar = 1;
};
void record_syzygy(Run& run, double jde, double year, double spread, int planets, const SyzygyRow& row = {});
// One Teotihuacan epoch as printed.
void record_teoti_epoch(Run& run, const TeotiEpoch& epoch);
// Once per Teotihuacan run: the names of the nine fitted points as the site
// file gives them (trailing blanks are dropped) and the units of the axes.
void record_teoti_axes(Run& run, std::span<const std::string, 9> names, std::string_view unit, std::string_view planet_unit,
                       double log_base);
// record_site_row: a printed Giza or chamber row with a Sun point.
// Takes:    the run parameters (main_option, sun_mode), the row's year, the
//           site geometry (its points, heights and the fit's target), F of the
//           row, its Sun point (with the residuals and the mirror point of the
//           similarity fit), the F or angle tolerance of the run.
// Returns:  nothing; the row is recorded with the fitted image of each planet
//           on its monument (point 3 + target + residual; the target itself
//           without the similarity fit).
void record_site_row(Run& run, const RunParams& p, double year, const SiteGeometry& site, double f, const SunPoint& sun,
                     double tolerance);
// A printed Giza or chamber row for out.csv: the values the row prints, and
// its instant. A field the row does not print stays empty.
struct SiteCsv {
    int site = 1;                      // 1 Giza, 2 chambers
    int sun_mode = 5;                  // 1..5 as the dialog codes it
    int calendar = 1;                  // the run's calendar choice
    std::string_view label;            // constellation label
    std::string_view quality;          // quality mark of passage-area rows
    int k = 0;
    double jde = 0.0;                  // the row's instant (TT)
    double year = 0.0;
    std::optional<double> offset_days; // days from the passage (special output of F-minimised rows)
    std::optional<double> offset_h;    // hours from the passage (special output of passage areas)
    std::optional<int> step;           // step across the passage area
    std::optional<double> lon_mercury, dl_mercury_venus, dl_mercury_earth, deviation_a, deviation_b;
    std::optional<int> fit_status, evaluations;
    std::optional<double> x5, scale, elevation;
    std::optional<double> sun_x, sun_y, sun_z, dr;
    std::string_view view_mark;        // " *" or blank
    std::optional<double> f;
};
void record_site_csv(Run& run, const SiteCsv& row);
// What a transit class letter (M, m, V, v, C, c, and "-" of the syzygy rows)
// says, in words: the words of the key to the reports.
std::string_view class_meaning(char c);
// What a transit type (1 to 3) says, in words.
std::string_view type_meaning(int type);
// What a status of the Sun-point fit (the column "e") says, in words.
std::string_view fit_status_meaning(int status);

// The rows of a coordinate listing for out-planets.csv: mode 0 the listing of
// one instant (heliocentric rows, then the rows in the site frame), any other
// mode the dated listing of the site.
void record_listing(Run& run, std::span<const ListedRow> rows, int mode, int calendar);

// After the coordinate listing of mode 0 with the positions carried into the
// site frame (listing_flag 1): the planets of the table, rows 1 to 8, or 9 with
// the barycentre (vsop_variant 1), joined to the row of the same year just
// recorded. Other modes (the dated listing) and untransformed listings are not
// recorded.
void record_site_listing(Run& run, int mode, int listing_flag, double year, const SiteTable& table, int vsop_variant);

} // namespace r7::results
