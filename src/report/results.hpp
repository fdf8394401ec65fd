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

// table_file, table_columns: the file name and the columns of a table.
// Takes:    the kind of table.
// Returns:  the file name ("out.csv", "out-bodies.csv", "out-points.csv",
//           "out-planets.csv") and the column names, each ending with its unit
//           where it has one (_deg, _arcsec, _m, _au, _km, _days, _h,
//           _percent; _jde_tt a JDE in TT, _time the same instant as an ISO 8601
//           date and time in the run's time scale and calendar).
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

// table: the table of one kind of the run.
// Takes:    the run's results, the kind.
// Returns:  the table, made (with its file and columns) on first use and then
//           kept in the order of first use.
csv::Table& table(Run& run, TableKind kind);

// start_tables: the main table of the run's study, made at the start.
// Takes:    the run's results, the run parameters, site (a transit run seen
//           from a site, whose table has the local columns as well).
// Returns:  nothing; the table exists, so that out.csv has its header even when
//           the run finds nothing, and run.site is set.
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

// The record_ routines are the hooks of the studies: one call where each row
// is printed.

// record_transit: a printed transit row.
// Takes:    the run's results, the printed row, the transit computation's
//           result.
// Returns:  nothing; the transit is kept for the page (the phases the row
//           prints, with their times) and a row added to out.csv (with the
//           local columns where the run has a site).
// Notes:    1. Rows without phases (date modes 1 and 2) fill k, the offset and
//              the longitude differences; rows with phases the type, the node and
//              the phases the row prints, their position angles and the
//              semidiameters in date mode 4.
//           2. Times are written in the run's time scale (UT through Delta T)
//              and calendar; a JDE of 0 (a phase not found) gives no time.
void record_transit(Run& run, const TransitRow& row, const TransitResult& r);

// record_local: the transit of the row just recorded, seen from the run's site.
// Takes:    the run's results, the site, the local circumstances, the run's time
//           scale and calendar.
// Returns:  nothing; the last transit gets its local phases and path (for the
//           diagram) and the last out.csv row its local columns. Nothing
//           without a recorded transit.
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

// record_syzygy: a printed syzygy row.
// Takes:    the run's results, the instant (JDE, TT), the decimal year, the
//           longitude spread [deg], the number of planets (3 or 4), the row.
// Returns:  nothing; the syzygy is kept for the page and a row added to
//           out.csv (in TT).
void record_syzygy(Run& run, double jde, double year, double spread, int planets, const SyzygyRow& row = {});

// record_teoti_epoch: one Teotihuacan epoch as printed.
// Takes:    the run's results, the epoch.
// Returns:  nothing; the epoch is kept for the page and the tables.
void record_teoti_epoch(Run& run, const TeotiEpoch& epoch);

// record_teoti_axes: the axes of a Teotihuacan run, once per run.
// Takes:    the run's results, the names of the nine fitted points as the site
//           file gives them, the unit of the monument distances and of the
//           planets' distances, the logarithmic base.
// Returns:  nothing; kept with the trailing (and leading) blanks of the names
//           dropped.
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

// record_site_csv: a printed Giza or chamber row for out.csv.
// Takes:    the run's results, the row.
// Returns:  nothing; a row is added to out.csv: the site and Sun point method
//           with their names, the instant in TT, the fields the row prints
//           (empty where it does not), the meaning of the fit status and of the
//           view mark.
void record_site_csv(Run& run, const SiteCsv& row);

// class_meaning: what a transit class letter says, in words.
// Takes:    the letter (M, m, V, v, C, c, and "-" of the syzygy rows).
// Returns:  the words of the key to the reports; "" for any other letter.
std::string_view class_meaning(char c);

// type_meaning: what a transit type says, in words.
// Takes:    the type, 1 to 3 (others taken as the nearer end of 0..3).
// Returns:  the words; "" for 0.
std::string_view type_meaning(int type);

// fit_status_meaning: what a status of the Sun-point fit (the column "e") says.
// Takes:    the status (0, 2 to 6).
// Returns:  the words; "" for any other status.
std::string_view fit_status_meaning(int status);

// record_listing: the rows of a coordinate listing for out-planets.csv.
// Takes:    the run's results, the rows as plako printed them, the mode (0 the
//           listing of one instant: heliocentric rows, then the rows in the site
//           frame; any other the dated listing of the site), the calendar.
// Returns:  nothing; one row of out-planets.csv per row.
void record_listing(Run& run, std::span<const ListedRow> rows, int mode, int calendar);

// record_site_listing: the planets of a listing joined to their site row.
// Takes:    the run's results, the listing's mode, the listing flag, the row's
//           year, the site table, the VSOP87 variant.
// Returns:  nothing; after the coordinate listing of mode 0 with the positions
//           carried into the site frame (listing_flag 1), the planets of the
//           table, rows 1 to 8, or 9 with the barycentre (vsop_variant 1), are
//           joined to the row of the same year just recorded.
// Notes:    1. Other modes (the dated listing), untransformed listings and a
//              listing whose row was not recorded (another year) are not
//              recorded.
void record_site_listing(Run& run, int mode, int listing_flag, double year, const SiteTable& table, int vsop_variant);

} // namespace r7::results
