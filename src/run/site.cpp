// Site data of Giza and the chambers: reading the site file, level of the
// heights, target differences and the layout geometry of the three points.
#include "run/site.hpp"

#include <algorithm>
#include <cmath>

#include "fit/fitex.hpp"
#include "fit/triangle.hpp"
#include "io/error.hpp"
#include "io/freeread.hpp"
#include "state/codes.hpp"
#include "state/constants.hpp"

namespace r7 {

namespace {

// Fit dimensions: nine image values (three points), seven parameters.
constexpr int fit_m = 9;
constexpr int fit_n = 7;

// First line of each site block and what the run reads after it.
struct BlockLines {
    int skip_before; // lines before the block
    int skip_after;  // lines between the block and the listing values
    const char* name;
};
constexpr BlockLines chamber_block{8, 22, "chamber"};
constexpr BlockLines giza_block{26, 4, "Giza"};
constexpr int block_length = 14;

// Rethrows a reading error with what was being read.
[[noreturn]] void reading_failed(const DataError& e, const std::string& file, const std::string& what)
{
    throw DataError(e.kind(), file, e.line(), "\"" + file + "\": " + what + " cannot be read: " + e.what());
}

// A layout the geometry cannot be derived from.
[[noreturn]] void bad_layout(int main_option, const std::string& why)
{
    const int first = (main_option == MainOption::chambers ? chamber_block.skip_before : giza_block.skip_before) + 10;
    throw DataError(DataError::Kind::invalid, site_file, first,
                    "\"" + std::string(site_file) + "\", lines " + std::to_string(first) + " to " +
                        std::to_string(first + 2) + ": the points of the " +
                        (main_option == MainOption::chambers ? "chamber" : "Giza") + " site " + why +
                        "; the layout geometry needs three distinct points with distinct x and y");
}

struct Vec {
    double x, y, z;
};
Vec operator-(const Vec& a, const Vec& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double dot(const Vec& a, const Vec& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double norm(const Vec& a) { return std::sqrt(dot(a, a)); }

// Angle between two vectors; rounding may carry the cosine just beyond +-1.
double angle(const Vec& a, const Vec& b)
{
    return std::acos(std::clamp(dot(a, b) / (norm(a) * norm(b)), -1.0, 1.0));
}

} // namespace

Site::Site()
{
    for (int j = 1; j <= 9; ++j) diff(j) = diff_initial[static_cast<std::size_t>(j - 1)];
    target(1) = diff(2);
    target(2) = diff(3);
}

void load_site(const RunParams& p, int reference_flag, Site& site, const std::string& file)
{
    const BlockLines& blk = p.main_option == MainOption::chambers ? chamber_block : giza_block;
    const int first = blk.skip_before + 1;
    const std::string block_name = std::string("the ") + blk.name + " site block (lines " + std::to_string(first) +
                                   " to " + std::to_string(first + block_length - 1) + ")";
    const bool read_targets =
        (p.sun_mode == SunMode::south_of_chefren || p.main_option == MainOption::chambers) && reference_flag == 0;

    for (int j = 1; j <= 9; ++j) site.diff(j) = diff_initial[static_cast<std::size_t>(j - 1)];

    std::string label; // the 20-character label in front of every data line
    io::FreeReader r(file);
    try {
        r.skip_lines(blk.skip_before);
        auto& x = site.xstart;
        r.read({&label, &x(1), &x(2), &x(3), &x(4), &x(5), &x(6), &x(7)});
        auto& d = site.dx;
        r.read({&label, &d(1), &d(2), &d(3), &d(4), &d(5), &d(6), &d(7)});
        r.skip_lines(1);
        auto& iw = site.iwork;
        r.read({&label, &iw(1), &iw(2), &iw(3), &iw(4)});
        auto& w = site.wwork;
        r.read({&label, &w(1), &w(2), &w(3)});
        r.skip_lines(1);
        r.read({&label, &site.trace});
        r.skip_lines(2);
        for (int i = 1; i <= 3; ++i) {
            auto& g = site.pg;
            r.read({&label, &g(i, 1), &g(i, 2), &g(i, 3), &g(i, 4)});
        }
        r.skip_lines(1);
        if (read_targets) {
            r.read({&label, &site.diff(2), &site.diff(3)});
        } else {
            r.skip_lines(1);
        }
    } catch (const DataError& e) {
        reading_failed(e, file, block_name);
    }
    try {
        r.skip_lines(blk.skip_after);
        for (int i = 1; i <= 4; ++i) r.read({&label, &site.listing(i)});
    } catch (const DataError& e) {
        reading_failed(e, file, "the listing values (lines 45 to 48)");
    }
    site.target(1) = site.diff(2);
    site.target(2) = site.diff(3);

    // Chamber assignment: the points follow the planet order chosen for the run.
    if (p.main_option == MainOption::chambers && p.ephem_choice != EphemChoice::kepler)
        chambers(p.planet_order, site.pg.flat());

    // Level of the heights: centre of mass (Giza) or middle of the wall
    // (chambers), or the top (west wall).
    if (p.level_choice == 2 || p.level_choice == 3) {
        const double share = p.level_choice == 3 ? 1.0 : (p.main_option == MainOption::chambers ? 0.5 : 0.25);
        for (int i = 1; i <= 3; ++i) {
            site.pg(i, 4) *= share;
            site.pg(i, 3) += site.pg(i, 4);
        }
    }

    // Seen from the south of the ecliptic the longitudes run the other way.
    if (p.view == View::south) {
        for (int j = 1; j <= 9; ++j) site.diff(j) = -site.diff(j);
    }
}

SiteGeometry site_geometry(const RunParams& p, const Site& site)
{
    SiteGeometry geo;
    const auto& g = site.pg;
    const Vec p1{g(1, 1), g(1, 2), g(1, 3)};
    const Vec p2{g(2, 1), g(2, 2), g(2, 3)};
    const Vec p3{g(3, 1), g(3, 2), g(3, 3)};
    const int mo = p.main_option;
    geo.point = {SiteVec{p1.x, p1.y, p1.z}, SiteVec{p2.x, p2.y, p2.z}, SiteVec{p3.x, p3.y, p3.z}};
    geo.height = {g(1, 4), g(2, 4), g(3, 4)};

    // The sides from the anchor, point 3.
    const Vec a0 = p2 - p3, b0 = p1 - p3, c0 = p1 - p2;
    geo.a = {a0.x, a0.y, a0.z};
    geo.b = {b0.x, b0.y, b0.z};
    geo.c = {c0.x, c0.y, c0.z};

    if (p.sun_mode == SunMode::plane_2d) {
        // Directions (negated, by quadrant) and midpoints of the free
        // two-dimensional construction.
        if (a0.x == 0.0 || b0.x == 0.0 || c0.x == 0.0) bad_layout(mo, "share an x coordinate");
        geo.direction = {-std::atan2(a0.y, a0.x), -std::atan2(b0.y, b0.x), -std::atan2(c0.y, c0.x)};
        geo.midpoint = {{{a0.x / 2.0, a0.y / 2.0}, {b0.x / 2.0, b0.y / 2.0}, {(a0.x + b0.x) / 2.0, (a0.y + b0.y) / 2.0}}};
    }

    // Centroid and mean spread: the reference point and the softening radius of
    // the Sun point's uncertainty.
    const Vec c{(p1.x + p2.x + p3.x) / 3.0, (p1.y + p2.y + p3.y) / 3.0, (p1.z + p2.z + p3.z) / 3.0};
    geo.centroid = {c.x, c.y, c.z};
    geo.spread = (norm(p1 - c) + norm(p2 - c) + norm(p3 - c)) / 3.0;

    // The fit's target: planet 1 onto point 3, planet 2 onto point 2, planet 3
    // onto point 1, relative to point 3.
    geo.target = {0.0, 0.0, 0.0, a0.x, a0.y, a0.z, b0.x, b0.y, b0.z};

    if (SunMode::is_south(p.sun_mode)) {
        if (a0.x == 0.0 || b0.x == 0.0) bad_layout(mo, "share an x coordinate");
        if (a0.y == 0.0 || b0.y == 0.0) bad_layout(mo, "share a y coordinate");
        geo.ratio = {b0.x / a0.x, b0.y / a0.y, b0.y / b0.x};
        if (p.view == View::south) geo.ratio[2] = -geo.ratio[2];
        return geo;
    }
    if (p.sun_mode < SunMode::plane_2d || p.sun_mode > SunMode::space_fitex) return geo;

    // The triangle: flat in the free two-dimensional mode.
    Vec a = a0, b = b0, cvec = c0;
    if (p.sun_mode == SunMode::plane_2d) a.z = b.z = cvec.z = 0.0;

    const double la = norm(a), lb = norm(b), lc = norm(cvec);
    if (la == 0.0 || lb == 0.0 || lc == 0.0) bad_layout(mo, "coincide");

    if (p.sun_mode >= SunMode::space_sle) {
        // Normal B' x A', scaled to the mean length of the two sides from point 3.
        const Vec n{b.y * a.z - a.y * b.z, a.x * b.z - b.x * a.z, b.x * a.y - a.x * b.y};
        const double ln = norm(n);
        // Collinear points leave no plane: the normal vanishes up to rounding.
        if (!(ln > 1e-12 * la * lb) || !std::isfinite(ln)) bad_layout(mo, "lie on one line");
        const double s = (la + lb) / 2.0 / ln;
        geo.normal = {n.x * s, n.y * s, n.z * s};
    }

    geo.length = {la, lb, lc};
    geo.ratio = {lb / la, lc / la, lc / lb};
    geo.angle = {angle(a, b), angle(a, cvec), angle(cvec, b)};
    return geo;
}

SonposWork FitWork::work()
{
    return SonposWork{.iw = iw, .r = r.flat(), .x = x.flat(), .step = dx.flat(), .w = w, .y = y.flat(), .m = fit_m, .n = fit_n};
}

void refresh_fit(const Site& site, FitWork& f)
{
    for (int i = 1; i <= 7; ++i) {
        f.x(i) = site.xstart(i);
        f.dx(i) = site.dx(i);
    }
    for (int i = 4; i <= 6; ++i) f.x(i) *= rad_per_deg;

    // Work arrays for the number of points the engine keeps (iw(1), at least n + 1).
    const int np = std::max(site.iwork(1), fit_n + 1);
    const std::size_t nw = std::max<std::size_t>(fitex_wsize(fit_m, fit_n, np), 3);
    const std::size_t niw = std::max<std::size_t>(fitex_iwsize(np), 4);
    if (f.w.size() != nw) f.w.assign(nw, 0.0);
    if (f.iw.size() != niw) f.iw.assign(niw, 0);
    for (int i = 0; i < 4; ++i) f.iw[static_cast<std::size_t>(i)] = site.iwork(i + 1);
    for (int i = 0; i < 3; ++i) f.w[static_cast<std::size_t>(i)] = site.wwork(i + 1);
    f.trace = site.trace;
}

} // namespace r7
