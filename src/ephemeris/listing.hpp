// Planet coordinate listings after a fitted constellation: the heliocentric
// coordinates of all planets, carried through the fitted similarity
// transformation into the local frame of the site (metres), and for the dated
// Giza listing also into geographic latitude and longitude; and the site
// coordinates of Mercury's aphelion point.
#pragma once

#include <array>
#include <span>

#include "ephemeris/vsop87.hpp"
#include "state/farray.hpp"

namespace r7 {

// Site table of the listing: row 0 the Sun point of the fit, rows 1..9 the
// planets; columns x, y, z [m] and dr [m].
using SiteTable = FArray<double, 0, 9, 1, 4>;

// Mercury's heliocentric aphelion position (L, B in degrees, R in AU), rows 1..6.
extern const std::array<std::array<double, 3>, 6> aphelm;

// Lists the planets at one instant (mode 0: heliocentric listing at jde) or at
// the four dates (any other mode: Mercury to Mars at dates(0..3), the JDEs of
// the chamber, syzygy, transit and pyramid constellations; jde is set to each in
// turn). The positions are carried into the site frame when the constellation is
// a predefined one with sun_mode 5, or k is 4519 (Giza) or 4518 or 5349
// (chambers) with sun_mode 5, or tflag is already 1; tflag is then set to 1 and
// the rows in the site frame are marked " <" for Mercury, Venus, Earth and the
// Earth-Moon barycentre.
//   diff: target longitude differences per planet (the "dev." column);
//   main_option: 1 Giza, 2 chambers (also the site code of the geographic
//   conversion); sun_mode: the longitude origin of the rectangular coordinates;
//   ref, r0: reference point and softening radius of dr; x: X1..X7 of the fit;
//   p: point set (triple 1 and 3 the caller's, triple 2 the listed planet);
//   t: site table (row 0 filled by the caller); m: monument points, all x, then
//   all y, then all z (point 3 is the origin of the fit's frame).
// kvers, kload, kout, prec, lu, xyz, ierr, lbr: the arguments of vsop2. Written
// once per report unit kout, kout + 5, ... up to 6.
void plako(const FArray<double, 1, 9>& diff, int main_option, int constellation, int k, int sun_mode, int& tflag,
           std::span<const double, 3> ref, double r0, std::span<const double, 7> x, std::span<double, 9> p,
           SiteTable& t, std::span<const double, 9> m, int mode, std::span<const double, 4> dates, double& jde,
           int kvers, LoadState& kload, int kout, double prec, int lu, std::span<double, 3> xyz, int& ierr,
           std::span<double, 3> lbr);

// Writes the site coordinates of Mercury's aphelion point (row of aphelm chosen
// by the constellation 13 or 14 and the frame, or by menu answers 323 and 322),
// for Giza runs with the aphelion passage, the fit of sun_mode 5 and extended
// output only. dz is added to the height; the uncertainty is the distance from
// ref, softened below r0, times F/100.
void aphelko(int ephem_choice, int vsop_variant, int passage, int main_option, int sun_mode, int constellation,
             int output_detail, int menu_choice, int kout, double dz, std::span<const double, 7> x,
             std::span<double, 9> p, std::span<const double, 3> ref, double r0);

} // namespace r7
