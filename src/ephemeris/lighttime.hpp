// The light-time iteration between a transit planet and the Earth, shared by the
// evaluators of the full series (term by term, or through their expansions).
#pragma once

#include <cmath>

#include "ephemeris/positions.hpp"
#include "state/constants.hpp"

namespace r7 {

// light_time: the planet at jde and the Earth at the arrival of its light.
// Takes:    place(jde, body), which returns the body's place at jde with xyz,
//           lbr and ierr members (the full series, vsop2 or through a
//           window); jde (TT, the instant at the planet); ibody (1 Mercury, 2
//           Venus); the starting estimate of the light time tau [d]; the
//           tolerance tol [d].
// Returns:  the planet at jde, the Earth at jde + tau for the last tau used,
//           the light time and distance, the number of Earth evaluations and
//           the code: the planet's when that is nonzero, else the Earth's.
// Notes:    1. The iteration stops when the arrival instant changes by less
//              than tol, or after 50 steps: it contracts by about v/c per step,
//              so the bound only guards against a tolerance that can never be
//              met.
// Source:   the light time as distance over the speed of light.
template <class Place>
LightTime light_time(Place&& place, double jde, int ibody, double tau, double tol)
{
    constexpr int max_light_steps = 50;
    LightTime r;
    r.lt = tau;
    const auto planet = place(jde, ibody);
    r.planet_lbr = planet.lbr;
    r.planet = planet.xyz;

    double u = jde + tau;
    int earth_ierr = 0;
    for (int step = 1;; ++step) {
        ++r.evaluations;
        const auto e = place(u, earth);
        earth_ierr = e.ierr;
        r.earth_lbr = e.lbr;
        r.earth = e.xyz;
        const double dx = r.planet.x - r.earth.x, dy = r.planet.y - r.earth.y, dz = r.planet.z - r.earth.z;
        r.dist = std::sqrt(dx * dx + dy * dy + dz * dz);
        r.lt = r.dist * au_m / light_m_per_day;
        const double next = jde + r.lt;
        if (std::fabs(next - u) < tol || step >= max_light_steps) break;
        u = next;
    }
    r.ierr = planet.ierr != 0 ? planet.ierr : earth_ierr;
    return r;
}

} // namespace r7
