#include "transit/local.hpp"
#include "state/constants.hpp"

#include <algorithm>
#include <cmath>

#include "ephemeris/coord.hpp"
#include "ephemeris/short.hpp"
#include "ephemeris/vsop87.hpp"
#include "time/time.hpp"
#include "transit/transit.hpp"

namespace r7 {
namespace {

// Tolerances [d]: of the greatest transit and of the contacts (the last
// secant step; the error left is far smaller).
constexpr double greatest_tol = 1e-7;
constexpr double contact_tol = 1e-7;
// Steps of each search before it gives up.
constexpr int max_steps = 60;
// A light-time estimate is kept within these bounds [d] (Mercury and Venus
// near inferior conjunction: 0.0015 to 0.0045).
constexpr double tau_min = 0.0, tau_max = 0.02;
// A light-time change up to this [d] moves the planet's place along its
// velocity instead of a new evaluation (the place is then off by the planet's
// acceleration over that time, far below a metre).
constexpr double velocity_reach = 1e-6;

Xyz operator+(const Xyz& a, const Xyz& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Xyz operator-(const Xyz& a, const Xyz& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Xyz operator-(const Xyz& a) { return {-a.x, -a.y, -a.z}; }
Xyz operator*(double k, const Xyz& a) { return {k * a.x, k * a.y, k * a.z}; }
double dot(const Xyz& a, const Xyz& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Xyz cross(const Xyz& a, const Xyz& b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double norm(const Xyz& a) { return std::sqrt(dot(a, a)); }
Xyz unit(const Xyz& a) { return (1.0 / norm(a)) * a; }

// The angle between two directions, also where it is small [rad].
double angle_between(const Xyz& a, const Xyz& b) { return std::atan2(norm(cross(a, b)), dot(a, b)); }

// The equator of date to the ecliptic of date and back, by the obliquity [rad].
Xyz equator_to_ecliptic(const Xyz& v, double eps)
{
    const double c = std::cos(eps), s = std::sin(eps);
    return {v.x, c * v.y + s * v.z, -s * v.y + c * v.z};
}
Xyz ecliptic_to_equator(const Xyz& v, double eps)
{
    const double c = std::cos(eps), s = std::sin(eps);
    return {v.x, c * v.y - s * v.z, s * v.y + c * v.z};
}

double degrees_0_360(double rad)
{
    double d = rad * deg_per_rad;
    if (d < 0.0) d += 360.0;
    if (d >= 360.0) d -= 360.0;
    return d;
}

// What the observer sees at one instant t (TT): the Sun and the planet from the
// site (ecliptic of date, AU), their separation and semidiameters [rad], and
// the site's directions (equator of date) with the obliquity that turns them.
struct Sky {
    double t = 0.0;
    Xyz sun{}, planet{};
    double sep = 0.0, sd_sun = 0.0, sd_planet = 0.0;
    SiteVectors site{};
    double eps = 0.0;
};

// The positions of one transit seen from the site, instant by instant.
class Evaluator {
public:
    Evaluator(const Ephemerides& eph, const LocalQuery& q)
        : eph_(eph), window_(q.window), p_(q.ibody), short_(q.short_series), kout_(q.kout), site_(q.site),
          sun_r_(q.sun_radius_m > 0.0 ? q.sun_radius_m : sun_radius_m),
          planet_r_(q.planet_radius_m > 0.0 ? q.planet_radius_m : planet_radius_m(q.ibody)),
          tau0_(std::clamp(q.tau, tau_min, tau_max))
    {
    }

    Sky at(double t)
    {
        ++instants;
        Sky s;
        s.t = t;
        double ut = t;
        delta_t(ut);
        s.site = site_vectors(site_, ut);
        s.eps = transit_obliquity(t) * rad_per_deg;
        const Xyz observer = body(earth, t) + equator_to_ecliptic(s.site.pos, s.eps);
        // The planet at the instant its light leaves it for the site. Where
        // the light time of the place evaluated differs from the one used by
        // little, the place is moved along the planet's velocity instead of
        // being evaluated again: the separation then varies smoothly from
        // instant to instant (to about 1e-14 rad), which the searches need.
        double tau = tau_guess(t);
        Xyz planet = planet_at(t - tau);
        for (int k = 0; k < 10; ++k) {
            const double lt = norm(planet - observer) * au_m / light_m_per_day;
            const double d = lt - tau;
            if (std::abs(d) < 1e-14) break;
            if (has_velocity_ && std::abs(d) < velocity_reach) {
                planet = planet - d * velocity_;
                tau = lt;
                break;
            }
            tau = lt;
            planet = planet_at(t - tau);
        }
        remember(t, tau);
        s.sun = -observer;
        s.planet = planet - observer;
        s.sep = angle_between(s.sun, s.planet);
        s.sd_sun = std::asin(sun_r_ / (norm(s.sun) * au_m));
        s.sd_planet = std::asin(planet_r_ / (norm(s.planet) * au_m));
        return s;
    }

    int instants = 0;

private:
    Xyz body(int j, double t) const
    {
        if (short_) {
            const ShortSeries& s = eph_.short_series();
            const double tau = (t - jd2000) / days_per_millennium;
            return rectangular({vsop1(s, 3 * j - 2, tau), vsop1(s, 3 * j - 1, tau), vsop1(s, 3 * j, tau)});
        }
        return (window_ != nullptr ? vsop2(*window_, t, j, kout_) : vsop2(eph_.full(), t, j, kout_)).xyz;
    }

    // The planet's place at t, and its velocity from the last two places that
    // lie far enough apart in time.
    Xyz planet_at(double t)
    {
        const Xyz pl = body(p_, t);
        if (has_planet_ && std::abs(t - t_planet_) > 1e-6 && std::abs(t - t_planet_) < 0.5) {
            velocity_ = (1.0 / (t - t_planet_)) * (pl - planet_);
            has_velocity_ = true;
        }
        if (!has_planet_ || std::abs(t - t_planet_) > 1e-6) {
            t_planet_ = t;
            planet_ = pl;
            has_planet_ = true;
        }
        return pl;
    }

    // The light time of the instant t, extrapolated from the last two instants:
    // the searches step by minutes, over which it changes almost linearly, so
    // that one evaluation of the planet mostly suffices.
    double tau_guess(double t) const
    {
        double g = tau0_;
        if (n_ >= 1) g = tau_[1];
        if (n_ >= 2 && t_[1] != t_[0]) g = tau_[1] + (tau_[1] - tau_[0]) * (t - t_[1]) / (t_[1] - t_[0]);
        return std::clamp(g, tau_min, tau_max);
    }
    void remember(double t, double tau)
    {
        if (n_ >= 1 && t == t_[1]) return;
        t_[0] = t_[1];
        tau_[0] = tau_[1];
        t_[1] = t;
        tau_[1] = tau;
        n_ = std::min(n_ + 1, 2);
    }

    const Ephemerides& eph_;
    const SeriesWindow* window_;
    int p_;
    bool short_;
    int kout_;
    Observer site_;
    double sun_r_, planet_r_;
    double tau0_;
    std::array<double, 2> t_{}, tau_{};
    int n_ = 0;
    bool has_planet_ = false, has_velocity_ = false;
    double t_planet_ = 0.0;
    Xyz planet_{}, velocity_{}; // [AU], [AU/d]
};

// The Sun's place in the site's sky and the planet's place on the disk.
LocalPhase describe(const Sky& s)
{
    LocalPhase ph;
    ph.has = true;
    ph.jde = s.t;
    ph.sep = s.sep * arcsec_per_rad;
    const Xyz sun = unit(ecliptic_to_equator(s.sun, s.eps));
    const Xyz planet = unit(ecliptic_to_equator(s.planet, s.eps));
    ph.sun_alt = std::asin(std::clamp(dot(sun, s.site.zenith), -1.0, 1.0)) * deg_per_rad;
    ph.sun_az = degrees_0_360(std::atan2(dot(sun, s.site.east), dot(sun, s.site.north)));
    // The planet's direction on the disk, and the directions towards the
    // celestial pole and towards the zenith there: each reference direction r
    // gives the angle from r's point of the disk towards r x sun (the east for
    // the pole), the two axes having the same length.
    const Xyz d = planet - dot(planet, sun) * sun;
    auto angle_from = [&](const Xyz& r) {
        const Xyz up = r - dot(r, sun) * sun;
        const Xyz left = cross(r, sun);
        return degrees_0_360(std::atan2(dot(d, left), dot(d, up)));
    };
    ph.pa = angle_from({0.0, 0.0, 1.0});
    ph.za = angle_from(s.site.zenith);
    return ph;
}

// The planet's offset from the Sun's centre on the sky: the difference of the
// two directions, whose length is 2 sin(sep / 2).
Xyz offset(const Sky& s) { return unit(s.planet) - unit(s.sun); }

// The least separation. Across the disk the offset moves almost on a straight
// line at an even rate: from two instants t +- h its mean and its rate give the
// instant of least distance of that line, around which the next pair is taken
// (h shrinking with the step, within h_min and h_max, so that the path's
// curvature cannot bias the estimate), until the estimate moves by less than
// greatest_tol. curvature: the square of the rate [rad^2/d^2], the second
// coefficient of the squared separation about its least value.
struct Least {
    Sky sky;
    double curvature = 0.0;
    bool converged = false;
};
Least least_separation(Evaluator& ev, double t0)
{
    constexpr double h_max = 0.01, h_min = 0.0005;
    constexpr double reach = 0.25; // the greatest transit lies this close to the guess [d]
    Least r;
    double t = t0, h = h_max;
    for (int step = 0; step < max_steps; ++step) {
        const Xyz a = offset(ev.at(t - h)), b = offset(ev.at(t + h));
        const Xyz rate = (0.5 / h) * (b - a);
        const Xyz mean = 0.5 * (a + b);
        const double rr = dot(rate, rate);
        if (!(rr > 0.0)) break;
        const double next = std::clamp(t - dot(mean, rate) / rr, t0 - reach, t0 + reach);
        const double moved = std::abs(next - t);
        r.curvature = rr;
        t = next;
        if (moved < greatest_tol) {
            r.converged = true;
            break;
        }
        h = std::clamp(moved, h_min, h_max);
    }
    r.sky = ev.at(t);
    return r;
}

// The limit of a contact at one instant: the sum (external) or difference
// (internal) of the semidiameters [rad].
double limit_of(const Sky& s, bool external) { return external ? s.sd_sun + s.sd_planet : s.sd_sun - s.sd_planet; }

// A contact: the root of separation minus limit on the side (-1 before, +1
// after) of the least separation, where the function is negative. From the
// estimate est a Newton step with the slope of the parabola of the least
// separation (curvature a), then secant steps; a step that leaves the bracket
// known so far is replaced by the false position between its ends (outwards
// while no bracket is known). Ends when the step is below contact_tol: the
// root is then the point plus that step.
struct Contact {
    double t = 0.0;
    Sky sky;
    bool found = false;
};
Contact find_contact(Evaluator& ev, const Sky& least, double a, double side, double est, bool external)
{
    double lo = least.t, g_lo = least.sep - limit_of(least, external);
    double hi = 0.0, g_hi = 0.0;
    bool bracketed = false;
    double x_prev = lo, g_prev = g_lo;
    double x = est;
    Contact c;
    for (int step = 0; step < max_steps; ++step) {
        const Sky s = ev.at(x);
        const double g = s.sep - limit_of(s, external);
        if (g < 0.0) {
            lo = x;
            g_lo = g;
        } else {
            hi = x;
            g_hi = g;
            bracketed = true;
        }
        // The parabola gives sep^2 = m^2 + a (t - tm)^2: the slope of sep is
        // a (t - tm) / sep.
        const double slope = step == 0 && a > 0.0 ? a * (x - least.t) / s.sep
                             : x != x_prev        ? (g - g_prev) / (x - x_prev)
                                                  : 0.0;
        const double delta = slope != 0.0 ? -g / slope : NAN;
        if (g == 0.0 || std::abs(delta) < contact_tol) {
            c.t = g == 0.0 ? x : x + delta;
            c.sky = s;
            c.found = true;
            return c;
        }
        double xn = x + delta;
        const bool inside = bracketed ? (xn - lo) * (hi - xn) > 0.0 : (xn - lo) * side > 0.0;
        if (!std::isfinite(xn) || !inside) {
            xn = bracketed ? lo - g_lo * (hi - lo) / (g_hi - g_lo) : x + side * std::max(0.01, std::abs(x - lo));
            if (bracketed && !((xn - lo) * (hi - xn) > 0.0)) xn = 0.5 * (lo + hi);
        }
        x_prev = x;
        g_prev = g;
        x = xn;
    }
    return c;
}

} // namespace

double greenwich_sidereal(double jd_ut)
{
    const double d = jd_ut - jd2000;
    const double t = d / days_per_century;
    // 360.98564736629 d, taken as whole turns of the day's fraction plus the
    // rest, so that large day counts keep their digits.
    const double turns = 360.0 * (d - std::floor(d));
    double theta = 280.46061837 + turns + 0.98564736629 * d + t * t * (0.000387933 - t / 38710000.0);
    theta = std::fmod(theta, 360.0);
    if (theta < 0.0) theta += 360.0;
    return theta;
}

SiteVectors site_vectors(const Observer& o, double jd_ut)
{
    constexpr double e2 = 1.0 - (earth_b_m / earth_a_m) * (earth_b_m / earth_a_m);
    const double phi = o.lat * rad_per_deg;
    const double theta = (greenwich_sidereal(jd_ut) + o.lon) * rad_per_deg;
    const double sp = std::sin(phi), cp = std::cos(phi);
    const double st = std::sin(theta), ct = std::cos(theta);
    // Radius of curvature in the prime vertical.
    const double n = earth_a_m / std::sqrt(1.0 - e2 * sp * sp);
    const double rc = (n + o.height) * cp / au_m;
    SiteVectors v;
    v.pos = {rc * ct, rc * st, (n * (1.0 - e2) + o.height) * sp / au_m};
    v.zenith = {cp * ct, cp * st, sp};
    v.north = {-sp * ct, -sp * st, cp};
    v.east = {-st, ct, 0.0};
    return v;
}

LocalCircumstances local_transit(const Ephemerides& eph, const LocalQuery& q)
{
    Evaluator ev(eph, q);
    LocalCircumstances r;
    const Least least = least_separation(ev, q.t_guess);
    r.converged = least.converged;
    const Sky& g = least.sky;
    r.phase[2] = describe(g);
    r.sd_sun = g.sd_sun * arcsec_per_rad;
    r.sd_planet = g.sd_planet * arcsec_per_rad;
    const bool south = unit(g.planet).z - unit(g.sun).z < 0.0;
    r.sep = (south ? -g.sep : g.sep) * arcsec_per_rad;

    const double m = g.sep;
    const double ext = limit_of(g, true), inn = limit_of(g, false);
    r.ttype = m <= inn ? local_full : m <= ext ? local_external : local_none;

    // Where a limit is crossed on the parabola of the least separation.
    const double a = least.curvature;
    auto half_width = [a, m](double limit) {
        const double w = a > 0.0 ? std::sqrt(std::max(0.0, limit * limit - m * m) / a) : 0.1;
        return std::isfinite(w) ? std::max(w, 1e-5) : 0.1;
    };
    struct Wanted {
        int index;
        double side;
        bool external;
    };
    std::vector<Wanted> wanted;
    if (r.ttype >= local_external) wanted.insert(wanted.end(), {{0, -1.0, true}, {4, 1.0, true}});
    if (r.ttype == local_full) wanted.insert(wanted.end(), {{1, -1.0, false}, {3, 1.0, false}});
    for (const Wanted& w : wanted) {
        const double est = g.t + w.side * half_width(w.external ? ext : inn);
        const Contact c = find_contact(ev, g, a, w.side, est, w.external);
        if (!c.found) {
            r.converged = false;
            continue;
        }
        LocalPhase ph = describe(c.sky);
        ph.jde = c.t;
        r.phase[static_cast<std::size_t>(w.index)] = ph;
    }

    if (q.path_samples > 1) {
        // Across the disk and a little beyond: from the external contacts'
        // parabola, or around the least separation where there are none.
        const double reach = half_width(1.3 * ext);
        const double d = std::max(reach, 0.02);
        const int n = q.path_samples;
        for (int k = 0; k < n; ++k) {
            const double t = g.t - d + 2.0 * d * k / (n - 1);
            // A sample on a phase would repeat it.
            if (std::any_of(r.phase.begin(), r.phase.end(),
                            [t](const LocalPhase& ph) { return ph.has && std::abs(ph.jde - t) < 1e-5; })) {
                continue;
            }
            const LocalPhase ph = describe(ev.at(t));
            r.path.push_back({t, ph.sep, ph.za, ph.sun_alt});
        }
        for (const LocalPhase& ph : r.phase) {
            if (ph.has) r.path.push_back({ph.jde, ph.sep, ph.za, ph.sun_alt});
        }
        std::sort(r.path.begin(), r.path.end(), [](const auto& x, const auto& y) { return x.jde < y.jde; });
    }
    r.evaluations = ev.instants;
    return r;
}

} // namespace r7
