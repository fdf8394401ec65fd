// Low-precision geometry of the sky for drawing the transit figures: values
// that the report does not print but a diagram needs (the direction of the
// ecliptic on the Sun's disk, the tilt of a planet's path against the
// ecliptic, the Sun's semidiameter of a date). They are good to a few
// hundredths of a degree near the present and a fraction of a degree over the
// program's whole span of years, far below what a drawing shows; nothing of
// them goes into the report or the result tables.
#pragma once

namespace r7::picture::sky {

// sun_longitude: the Sun's geometric longitude in the ecliptic of date [deg].
// Takes:    jde, the instant (TT).
// Returns:  the mean longitude plus the equation of the centre, 0..360.
// Source:   Meeus, Astronomical Algorithms, 2nd ed., ch. 25 (low accuracy).
double sun_longitude(double jde);

// earth_sun_distance: the Earth's distance from the Sun [AU].
// Takes:    jde (TT).
// Returns:  a(1 - e^2)/(1 + e cos v) with the Earth's mean anomaly, the
//           eccentricity and the equation of the centre of the same chapter.
// Source:   Meeus, ch. 25, eq. 25.5.
double earth_sun_distance(double jde);

// sun_semidiameter: the Sun's semidiameter seen from the Earth's centre ["].
// Takes:    jde (TT).
// Returns:  asin of the Sun's radius (695508 km) over earth_sun_distance.
double sun_semidiameter(double jde);

// ecliptic_pole_angle: the position angle of the ecliptic's north pole at the
// Sun's centre [deg], counted from celestial north through east, within
// -25..25 degrees; the ecliptic crosses the disk at right angles to it.
// Takes:    jde (TT).
// Returns:  atan(-cos(lambda) tan(epsilon)), lambda the Sun's longitude, epsilon
//           the mean obliquity of the transit computation (so that the figure
//           and the printed position angles share their frame).
// Source:   Meeus, ch. 29, the angle x of the Sun's position angle P.
double ecliptic_pole_angle(double jde);

// path_tilt: the angle between a transiting planet's apparent path across the
// Sun and the ecliptic [deg], positive when the planet moves northwards (the
// ascending node), negative southwards.
// Takes:    body 1 Mercury, 2 Venus; the semidiameters of the Sun and the planet
//           ["], which give the Earth's and the planet's distance from the Sun;
//           node '/' ascending, else descending; jde (TT), for the inclination.
// Returns:  atan(w_b / w_l) with the planet's and the Earth's velocities across
//           the line of sight (from their mean orbits' semi-major axes and
//           eccentricities, angular momentum over distance): w_l the westward
//           rate of the planet relative to the Sun in the ecliptic, w_b its
//           rate perpendicular to it (the planet's velocity times sin i).
// Notes:    1. The planet stands at its node within a fraction of a degree, so
//              the whole component v sin i crosses the ecliptic.
//           2. Against the position angles that the program computes with the
//              full series (contacts I and IV of the transits of answers 21 and
//              22, 1600 to 3000) it agrees to 0.1 degree: Mercury's path is
//              tilted by 10.4 degrees in May and 8.4 in November, Venus's by 8.5
//              in June and 9.1 in December.
//           3. A semidiameter of 0 (or one that gives no distance between the
//              Earth and the Sun) takes the mean distance instead; any other
//              body than 1 or 2 gives 0.
// Source:   mean elements of Mercury and Venus in the ecliptic of date, Meeus,
//           ch. 31, table 31.A.
double path_tilt(int body, double sd_sun, double sd_planet, char node, double jde);

// delta_t_at: Delta T = TT - UT at an instant, as the run converts its times.
// Takes:    jde (TT).
// Returns:  Delta T [s] (delta_t of the time axis).
// Source:   Espenak and Meeus (2006), as delta_t_seconds.
double delta_t_at(double jde);

} // namespace r7::picture::sky
