// Planet coordinate listings after a fitted constellation: the heliocentric
// coordinates of all planets, carried through the fitted similarity
// transformation into the local frame of the site (metres), and for the dated
// Giza listing also into geographic latitude and longitude; and the site
// coordinates of Mercury's aphelion point.
#pragma once

#include <array>
#include <span>
#include <vector>

#include "ephemeris/positions.hpp"
#include "ephemeris/vsop87.hpp"
#include "state/farray.hpp"
#include "state/params.hpp"

namespace r7 {

// Site table of the listing: row 0 the Sun point of the fit, rows 1..9 the
// planets; columns x, y, z [m] and dr [m].
using SiteTable = FArray<double, 0, 9, 1, 4>;

// Mercury's heliocentric aphelion position (L, B in degrees, R in AU), rows 1..6.
extern const std::array<std::array<double, 3>, 6> aphelm;

// The fitted similarity transformation of a site and the uncertainty model of
// the points carried through it: dr is the distance d from ref, softened below
// r0 to (d^2/r0 + r0)/2, times F/100.
struct SiteFit {
    std::span<const double, 7> x;   // X1..X7 of the fit
    Xyz ref;                        // reference point of the uncertainty dr [m]
    double r0;                      // dr is softened below this distance from ref [m]
    double f;                       // F of the fitted constellation [per cent]
};

// What a planet listing lists and where it carries the planets.
struct ListingInput {
    int mode;                             // 0 heliocentric listing at one instant, else the dated listing
    int k;                                // k-number of the step
    double jde;                           // the instant of the heliocentric listing (TT)
    double mercury_lon;                   // Mercury's longitude of the step, as the fit saw it [deg]
    int kout;                             // first report unit
    const FArray<double, 1, 9>& diff;     // target longitude differences per planet (the "dev." column)
    SiteFit fit;                          // the fit of the constellation
    const std::array<Xyz, 3>& points;     // the monument points 1, 2, 3 [m] (point 3 the fit's origin)
    std::span<const double, 4> dates;     // JDEs of the chamber, syzygy, transit and pyramid constellations
};

// One row of a listing as printed: a body at one instant, heliocentric (x, y,
// z [AU], L, B [deg], R [AU], Mercury's longitude minus the body's and its
// deviation from the target [deg], where printed) or in the site frame (x, y, z
// and dr [m], and the geographic place of the dated listing).
struct ListedRow {
    double jde = 0.0;
    int body = 0;                       // 0 the Sun point, 1 Mercury .. 9 Earth-Moon barycentre
    bool helio = false;                 // a row of the heliocentric block
    std::array<double, 3> xyz{};
    std::array<double, 3> lbr{};        // heliocentric rows
    double lm = 0.0;                    // heliocentric rows: Mercury minus the body
    bool has_dev = false;
    double dev = 0.0;
    double dr = 0.0;                    // site rows
    bool has_geo = false;
    double latitude = 0.0, longitude = 0.0; // dated site rows [deg], north and east
};

// plako: the planet coordinate listing after a fitted constellation.
// Takes:    the run parameters (main_option 1 Giza, 2 chambers, also the site
//           of the geographic conversion; sun_mode, the origin of the
//           longitudes; constellation, 1..14 the predefined ones; vsop_variant,
//           9 planets with the A set, else 8); what to list (in: the mode, the
//           instant, Mercury's longitude of the step, the fit, the monument
//           points, the four dates); the full series of the run; the run's
//           flag of the site frame tflag; the site table t (row 0 filled by
//           the caller).
// Returns:  the rows it printed, for the run's tables; t holds the planets in
//           the site frame, tflag is 1 once they have been carried there.
// Notes:    1. Mode 0 lists the planets at in.jde, heliocentric, then in the
//              site frame; any other mode Mercury to Mars at each of in.dates,
//              in the site frame with latitude and longitude.
//           2. The planets are carried into the site frame when the
//              constellation is a predefined one with sun_mode 5, or k is 4519
//              (Giza) or 4518 or 5349 (chambers) with sun_mode 5, or tflag is
//              already 1; the rows in the site frame are marked " <" for
//              Mercury, Venus, Earth and the Earth-Moon barycentre.
//           3. Written once per report unit in.kout, in.kout + 5, ... up to 6.
// Source:   VSOP87 (Bretagnon and Francou 1988); the site frame of the fit.
std::vector<ListedRow> plako(const RunParams& rp, const ListingInput& in, const FullSeries& full, int& tflag,
                             SiteTable& t);

// aphelko: the site coordinates of Mercury's aphelion point.
// Takes:    the run parameters, the fit of the last constellation, the height
//           offset dz [m], Mercury's longitude of the last step (the origin of
//           the longitudes), the first report unit.
// Returns:  nothing; one line to the report units kout, kout + 5, ... up to 6.
// Notes:    1. Only for Giza runs with the aphelion passage, the fit of sun_mode
//              5 and extended output; the place is the row of aphelm chosen by
//              the constellation 13 or 14 and the VSOP87 variant, or by the
//              menu answers 323 and 322.
//           2. The uncertainty is the distance from fit.ref, softened below
//              fit.r0, times F/100.
// Source:   the aphelion places of aphelm (VSOP87, Bretagnon and Francou 1988).
void aphelko(const RunParams& rp, const SiteFit& fit, double dz, double mercury_lon, int kout);

} // namespace r7
