#include "state/constants.hpp"
#include "ephemeris/expansion.hpp"

#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <string>

#include "ephemeris/coord.hpp"
#include "ephemeris/lighttime.hpp"

namespace r7 {

namespace {

constexpr int degree = taylor_degree;
using Poly = std::array<double, degree + 1>;

// p times (c0 + c1 s), truncated after the degree.
Poly times_linear(const Poly& p, double c0, double c1)
{
    Poly r{};
    for (int k = degree; k >= 0; --k) {
        const auto i = static_cast<std::size_t>(k);
        r[i] = p[i] * c0 + (k > 0 ? p[i - 1] * c1 : 0.0);
    }
    return r;
}

// p times q, truncated after the degree.
Poly times(const Poly& p, const Poly& q)
{
    Poly r{};
    for (std::size_t i = 0; i <= degree; ++i) {
        for (std::size_t j = 0; i + j <= degree; ++j) r[i + j] += p[i] * q[j];
    }
    return r;
}

} // namespace

BodyExpansion expand_body(const FullSeries& fs, int ibody, double center, double half_width)
{
    if (ibody < 1 || ibody > max_body) throw std::logic_error("expand_body: no body " + std::to_string(ibody));
    const BodySeries& s = fs.body(ibody);
    if (s.state != BodySeries::State::loaded || (s.version != 1 && s.version != 3)) {
        throw std::logic_error("expand_body: the series of body " + std::to_string(ibody) + " are not loaded");
    }
    BodyExpansion e;
    e.center = center;
    e.half_width = half_width;
    // The centre in thousands of Julian years as a double-double: the days
    // from J2000.0 with the bits their difference drops (two-sum), their
    // quotient with its remainder (exact by a fused multiply-add).
    const double days = center - jd2000;
    const double bv = days - center;
    const double days_lo = (center - (days - bv)) + (-jd2000 - bv);
    const double t0 = days / days_per_millennium;
    const double t0_lo = (-std::fma(t0, days_per_millennium, -days) + days_lo) / days_per_millennium;
    const double h = half_width / days_per_millennium;

    // The series of each coordinate and power of time, chunk by chunk in file
    // order.
    std::array<std::array<Poly, 6>, 3> f{};
    for (const BodySeries::Segment& g : s.chunk) {
        Poly part{};
        term_taylor(s.a.data() + g.off, s.b.data() + g.off, s.c.data() + g.off, static_cast<std::ptrdiff_t>(g.n), t0,
                    t0_lo, h, part.data());
        Poly& sum = f[static_cast<std::size_t>(g.ic - 1)][static_cast<std::size_t>(g.alpha)];
        for (std::size_t k = 0; k <= degree; ++k) sum[k] += part[k];
    }
    // Times T^alpha = (t0 + h s)^alpha, the powers added in order.
    for (std::size_t ic = 0; ic < 3; ++ic) {
        Poly total{};
        Poly power{};
        power[0] = 1.0;
        for (std::size_t alpha = 0; alpha < 6; ++alpha) {
            if (alpha > 0) power = times_linear(power, t0, h);
            const Poly term = times(power, f[ic][alpha]);
            for (std::size_t k = 0; k <= degree; ++k) total[k] += term[k];
        }
        e.coef[ic] = total;
    }
    return e;
}

Xyz place_at(const BodyExpansion& e, double jde)
{
    const double s = (jde - e.center) / e.half_width;
    std::array<double, 3> v{};
    for (std::size_t ic = 0; ic < 3; ++ic) {
        const auto& c = e.coef[ic];
        double p = c[degree];
        for (int k = degree - 1; k >= 0; --k) p = p * s + c[static_cast<std::size_t>(k)];
        v[ic] = p;
    }
    return {v[0], v[1], v[2]};
}

SeriesWindow::SeriesWindow(const FullSeries& s, double center, std::initializer_list<int> bodies, double half_width)
    : series_(&s), center_(center), half_width_(half_width)
{
    for (int j : bodies) {
        if (j < 1 || j > max_body) continue;
        const BodySeries& b = s.body(j);
        if (b.state != BodySeries::State::loaded || (b.version != 1 && b.version != 3)) continue;
        const auto i = static_cast<std::size_t>(j);
        body_[i] = expand_body(s, j, center, half_width);
        has_[i] = true;
    }
}

bool SeriesWindow::covers(int ibody, double jde) const
{
    return has(ibody) && std::fabs(jde - center_) <= half_width_;
}

BodyPosition vsop2(const SeriesWindow& w, double jde, int ibody, int kout)
{
    if (!w.covers(ibody, jde)) return vsop2(w.series(), jde, ibody, kout);
    BodyPosition p;
    p.xyz = place_at(w.expansion(ibody), jde);
    std::array<double, 3> lbr{};
    kugelko(p.xyz.x, p.xyz.y, p.xyz.z, lbr);
    p.lbr = {lbr[0], lbr[1], lbr[2]};
    return p;
}

LightTime vsop2tr(const SeriesWindow& w, double jde, int ibody, double tau, double tol, int kout)
{
    // The checks and messages of the series' own light-time loop.
    if (ibody < 1 || ibody > 2) return vsop2tr(w.series(), jde, ibody, tau, tol, kout);
    return light_time([&](double t, int j) { return vsop2(w, t, j, kout); }, jde, ibody, tau, tol);
}

} // namespace r7
