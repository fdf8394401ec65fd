// FITEX least-squares engine. The residuals are modelled linearly from a store of
// evaluated points (a weighted secant Gauss-Newton method): each point p gets the
// weight 1/F_p^2, the model matrix is the weighted regression of the residual
// deviations on the parameter deviations about the weighted centre, and the step
// solves the model for the centre's residuals. Steps are limited to 2 w(1) dx;
// a step that brings no better point starts a parabolic line search along it;
// a rank-deficient or singular model restarts with a pseudo-random scatter
// about the best point.
//
// Work array layout (1-based, js = 4 + max(14, n (n + 5) / 2), lm = n + m + 1):
//   w(1..4)        settings and F, as described in the header
//   w(5..js)       shared work area (fit1 state, step, column order, packed
//                  inverse; at the end the statistics)
//   w(js+1 ..)     np point records: n parameters, m residuals, F
//   then           the centre record (n parameters, m residuals, total weight),
//                  one state word (0 none, 1 line search),
//                  the line-search direction (n), D_x (np x n), D_r (np x m),
//                  the model matrix J (m x n), scratch for a matrix copy, a
//                  right-hand side (m) and a solution vector (n).
#include "fit/fitex.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace r7 {

namespace {

// Largest variance inflation of a parameter's deviations in the linear model
// that still counts as invertible (see build_model).
constexpr double collinear_inflation = 1e19;

struct Positions {
    std::size_t js, lm, jc, jst, jdir, jdx, jdr, jjm, ja, jb, jz, jd, total;
};

Positions positions(int m, int n, int np)
{
    Positions q{};
    const std::size_t M = static_cast<std::size_t>(m), N = static_cast<std::size_t>(n),
                      P = static_cast<std::size_t>(np);
    q.js = 4 + std::max<std::size_t>(14, N * (N + 5) / 2);
    q.lm = N + M + 1;
    q.jd = 2 * N + 4;
    q.jc = q.js + P * q.lm;
    q.jst = q.jc + q.lm + 1;
    q.jdir = q.jst;
    q.jdx = q.jdir + N;
    q.jdr = q.jdx + P * N;
    q.jjm = q.jdr + P * M;
    q.ja = q.jjm + M * N;
    q.jb = q.ja + std::max(M * N, P * N);
    q.jz = q.jb + M;
    q.total = q.jz + N;
    return q;
}

// Householder elimination shared by lilesq and invata. Chooses at step l among
// the remaining columns either the one that reduces the residual b most (b
// given) or the longest one (b empty); stops when no column qualifies. Returns
// the number of columns eliminated. A becomes R (upper triangle) in the chosen
// column order; p holds that order.
int householder(int m, int n, std::span<double> a, std::span<double> b, std::span<double> p, bool with_b)
{
    const std::size_t M = static_cast<std::size_t>(m);
    auto A = [&](int i, int k) -> double& { return a[static_cast<std::size_t>(k - 1) * M + static_cast<std::size_t>(i - 1)]; };
    // An updated element that is at most 1e-8 of the term taken from it is
    // rounding noise of a cancellation and becomes an exact zero.
    auto update = [](double& v, double term) {
        const double nv = v - term;
        v = (std::fabs(nv) <= 1e-8 * std::fabs(term)) ? 0.0 : nv;
    };
    for (int k = 1; k <= n; ++k) p[static_cast<std::size_t>(k - 1)] = k;
    int rank = 0;
    for (int l = 1; l <= n && l <= m; ++l) {
        int chosen = 0;
        double best = 0.0, chosen_s = 0.0, chosen_g = 0.0;
        for (int k = l; k <= n; ++k) {
            double g = 0.0;
            for (int i = l; i <= m; ++i) g = std::max(g, std::fabs(A(i, k)));
            if (g == 0.0) continue;
            double s = 0.0, t = 0.0;
            for (int i = l; i <= m; ++i) {
                const double ai = A(i, k) / g;
                s += ai * ai;
                if (with_b) t += ai * b[static_cast<std::size_t>(i - 1)];
            }
            const double value = with_b ? t * t / s : s * g * g;
            if (value > best) {
                best = value;
                chosen = k;
                chosen_s = s;
                chosen_g = g;
            }
        }
        if (chosen == 0) break;
        if (chosen != l) {
            for (int i = 1; i <= m; ++i) std::swap(A(i, l), A(i, chosen));
            std::swap(p[static_cast<std::size_t>(l - 1)], p[static_cast<std::size_t>(chosen - 1)]);
        }
        const double norm = std::sqrt(chosen_s) * chosen_g;
        const double alpha = A(l, l);
        const double sigma = alpha >= 0.0 ? norm : -norm;
        const double vl = alpha + sigma;
        const double beta = sigma * vl; // H = I - v v^T / beta
        // v = (vl, A(l+1, l), ..., A(m, l))
        for (int k = l + 1; k <= n; ++k) {
            double dot = vl * A(l, k);
            for (int i = l + 1; i <= m; ++i) dot += A(i, l) * A(i, k);
            const double tau = dot / beta;
            if (tau == 0.0) continue;
            update(A(l, k), tau * vl);
            for (int i = l + 1; i <= m; ++i) update(A(i, k), tau * A(i, l));
        }
        if (with_b) {
            double dot = vl * b[static_cast<std::size_t>(l - 1)];
            for (int i = l + 1; i <= m; ++i) dot += A(i, l) * b[static_cast<std::size_t>(i - 1)];
            const double tau = dot / beta;
            if (tau != 0.0) {
                update(b[static_cast<std::size_t>(l - 1)], tau * vl);
                for (int i = l + 1; i <= m; ++i) update(b[static_cast<std::size_t>(i - 1)], tau * A(i, l));
            }
        }
        A(l, l) = -sigma;
        for (int i = l + 1; i <= m; ++i) A(i, l) = 0.0;
        rank = l;
    }
    return rank;
}

// Packed position (1-based) of element (i, j) of a symmetric matrix.
inline std::size_t packed(int i, int j)
{
    if (j > i) std::swap(i, j);
    return static_cast<std::size_t>(i) * static_cast<std::size_t>(i - 1) / 2 + static_cast<std::size_t>(j);
}

class Engine {
public:
    Engine(int m, int n, std::span<double> r, std::span<double> x, std::span<const double> dx,
           std::span<double> w, std::span<int> iw)
        : m_(m), n_(n), r_(r), x_(x), dx_(dx), w_(w), iw_(iw), np_(iw[0]), pos_(positions(m, n, iw[0]))
    {
    }

    void call(int& ind);

private:
    int m_, n_;
    std::span<double> r_, x_;
    std::span<const double> dx_;
    std::span<double> w_;
    std::span<int> iw_;
    int np_;
    Positions pos_;

    double& W(std::size_t k) { return w_[k - 1]; }
    int& IW(std::size_t k) { return iw_[k - 1]; }
    int order(int i) { return iw_[static_cast<std::size_t>(3 + i)]; }
    void set_order(int i, int slot) { iw_[static_cast<std::size_t>(3 + i)] = slot; }
    // Point record of slot p: parameters, residuals, F (0-based pointers).
    double* rec(int p) { return &w_[pos_.js + static_cast<std::size_t>(p - 1) * pos_.lm]; }
    double recF(int p) { return rec(p)[n_ + m_]; }
    double* centre() { return &w_[pos_.jc]; }
    double& state() { return W(pos_.jst); }
    double* dir() { return &w_[pos_.jdir]; }
    double* dxm() { return &w_[pos_.jdx]; }
    double* drm() { return &w_[pos_.jdr]; }
    double* jm() { return &w_[pos_.jjm]; }
    std::span<double> scratch_a(std::size_t len) { return w_.subspan(pos_.ja, len); }
    std::span<double> scratch_b() { return w_.subspan(pos_.jb, static_cast<std::size_t>(m_)); }
    std::span<double> scratch_z() { return w_.subspan(pos_.jz, static_cast<std::size_t>(n_)); }

    int stored_count()
    {
        int c = 0;
        for (int i = 1; i <= np_; ++i)
            if (recF(order(i)) < fitex_empty) ++c;
        return c;
    }
    bool store(double f);
    bool build_model();
    void finish(int& ind, int code, int param = 0, int earlier = 0);
    void scatter(int& ind);
    void gauss_newton(int& ind);
    void line_search(int& ind, double f);
};

bool Engine::store(double f)
{
    if (!(f < fitex_empty)) return false; // non-finite or absurd values never enter the model
    const int cnt = stored_count();
    const double fbest = recF(order(1));
    bool allow;
    if (W(2) == 0.0) allow = cnt < n_ + 1 || f < fbest;
    else allow = cnt == 0 || f < fbest;
    if (!allow) return false;
    int rank = np_ + 1;
    for (int i = 1; i <= np_; ++i) {
        if (recF(order(i)) > f) {
            rank = i;
            break;
        }
    }
    if (rank > np_) return false;
    const int slot = order(np_);
    for (int i = np_; i > rank; --i) set_order(i, order(i - 1));
    set_order(rank, slot);
    double* p = rec(slot);
    for (int k = 0; k < n_; ++k) p[k] = x_[static_cast<std::size_t>(k)];
    for (int i = 0; i < m_; ++i) p[n_ + i] = r_[static_cast<std::size_t>(i)];
    p[n_ + m_] = f;
    return true;
}

// Centre, deviations and the linear model J from the stored points. The centre
// is always formed (the scatter restart needs it); false when the model cannot
// be built (too few points or a singular parameter scatter).
bool Engine::build_model()
{
    const int cnt = stored_count();
    if (cnt == 0) return false;
    const double fb = recF(order(1));
    // Relative weights (F_best / F_p)^2: the same normalised weights as 1/F_p^2
    // without overflow for tiny F.
    double sumrel = 0.0, sumw = 0.0;
    for (int q = 1; q <= cnt; ++q) {
        const double fp = recF(order(q));
        const double rel = (fb / fp) * (fb / fp);
        sumrel += rel;
        sumw += 1.0 / (fp * fp);
    }
    double* c = centre();
    const int lm = n_ + m_;
    std::fill(c, c + lm, 0.0);
    for (int q = 1; q <= cnt; ++q) {
        const double* p = rec(order(q));
        const double fp = p[lm];
        const double rel = (fb / fp) * (fb / fp) / sumrel;
        for (int k = 0; k < lm; ++k) c[k] += rel * p[k];
    }
    c[lm] = sumw;
    if (cnt < n_ + 1) return false;

    const std::size_t C = static_cast<std::size_t>(cnt);
    double* dxv = dxm();
    double* drv = drm();
    for (int q = 1; q <= cnt; ++q) {
        const double* p = rec(order(q));
        const double fp = p[lm];
        const double scale = std::sqrt((fb / fp) * (fb / fp) / sumrel);
        const std::size_t row = static_cast<std::size_t>(q - 1);
        for (int k = 0; k < n_; ++k) dxv[static_cast<std::size_t>(k) * C + row] = (p[k] - c[k]) * scale;
        for (int i = 0; i < m_; ++i) drv[static_cast<std::size_t>(i) * C + row] = (p[n_ + i] - c[n_ + i]) * scale;
    }
    const std::size_t nn = C * static_cast<std::size_t>(n_);
    std::span<double> a = scratch_a(nn);
    std::copy(dxv, dxv + nn, a.begin());
    if (invata(cnt, n_, a, w_.subspan(pos_.jd, static_cast<std::size_t>(n_ * (n_ + 1) / 2)),
               w_.subspan(static_cast<std::size_t>(n_ + 4), static_cast<std::size_t>(n_))) != 0)
        return false;
    // Points on one line up to the last digits of their deviations: when the
    // other parameters explain all but a 1e-19 part of a parameter's squared
    // deviations (its diagonal element of N times its column's sum of squares),
    // J would be rounding magnified, so such a scatter counts as not invertible.
    for (int k = 1; k <= n_; ++k) {
        const double* col = dxv + static_cast<std::size_t>(k - 1) * C;
        double skk = 0.0;
        for (std::size_t q = 0; q < C; ++q) skk += col[q] * col[q];
        if (!(w_[pos_.jd + packed(k, k) - 1] * skk < collinear_inflation)) return false;
    }
    // J = D_r^T D_x N, N = (D_x^T D_x)^-1 packed from w(jd+1).
    const double* nm = &w_[pos_.jd];
    double* j = jm();
    const std::size_t M = static_cast<std::size_t>(m_);
    // G = D_r^T D_x into the scratch (free again after the inversion), then J = G N.
    std::span<double> g = scratch_a(M * static_cast<std::size_t>(n_));
    for (int k = 0; k < n_; ++k)
        for (int i = 0; i < m_; ++i) {
            double s = 0.0;
            const double* dri = drv + static_cast<std::size_t>(i) * C;
            const double* dxk = dxv + static_cast<std::size_t>(k) * C;
            for (std::size_t q = 0; q < C; ++q) s += dri[q] * dxk[q];
            g[static_cast<std::size_t>(k) * M + static_cast<std::size_t>(i)] = s;
        }
    for (int k = 1; k <= n_; ++k)
        for (int i = 0; i < m_; ++i) {
            double s = 0.0;
            for (int l = 1; l <= n_; ++l) s += g[static_cast<std::size_t>(l - 1) * M + static_cast<std::size_t>(i)] * nm[packed(l, k) - 1];
            j[static_cast<std::size_t>(k - 1) * M + static_cast<std::size_t>(i)] = s;
        }
    return true;
}

void Engine::finish(int& ind, int code, int param, int earlier)
{
    ind = code;
    state() = 0.0;
    const std::size_t N = static_cast<std::size_t>(n_), M = static_cast<std::size_t>(m_);
    const bool built = build_model();
    bool ok = false;
    if (built) {
        const double* j = jm();
        for (std::size_t k = 0; k < N; ++k) {
            double s = 0.0;
            for (std::size_t i = 0; i < M; ++i) s += j[k * M + i] * j[k * M + i];
            W(N + 5 + k) = std::sqrt(s);
        }
        std::span<double> a = scratch_a(M * N);
        std::copy(j, j + M * N, a.begin());
        ok = invata(m_, n_, a, w_.subspan(pos_.jd, N * (N + 1) / 2), scratch_z()) == 0;
    }
    if (ok) {
        for (int k = 1; k <= n_; ++k) {
            const double sk = std::sqrt(std::fabs(W(pos_.jd + packed(k, k))));
            W(4 + static_cast<std::size_t>(k)) = sk;
            W(N + 4 + static_cast<std::size_t>(k)) *= sk;
        }
        for (int i = 1; i <= n_; ++i)
            for (int k = 1; k <= i; ++k) {
                const double den = W(4 + static_cast<std::size_t>(i)) * W(4 + static_cast<std::size_t>(k));
                double& cik = W(pos_.jd + packed(i, k));
                cik = den > 0.0 ? cik / den : 0.0;
            }
    } else {
        for (std::size_t k = 5; k <= 2 * N + 4; ++k) W(k) = 0.0;
        for (std::size_t k = 1; k <= N * (N + 1) / 2; ++k) W(pos_.jd + k) = 0.0;
    }
    const int b = order(1);
    const double* p = rec(b);
    const double fb = p[n_ + m_];
    if (fb < fitex_empty) {
        double sum = 0.0;
        for (int i = 0; i < m_; ++i) sum += p[n_ + i];
        const double s = std::sqrt(std::fabs(fb - sum * sum / m_) / std::max(1, m_ - n_ - 1));
        W(3) = s;
        for (std::size_t k = 5; k <= N + 4; ++k) W(k) *= s;
        for (int k = 0; k < n_; ++k) x_[static_cast<std::size_t>(k)] = p[k];
        for (int i = 0; i < m_; ++i) r_[static_cast<std::size_t>(i)] = p[n_ + i];
        W(4) = fb;
    }
    if (code == 5 || code == 6) {
        IW(4) = param;
        if (code == 6) IW(3) = earlier;
    } else {
        IW(4) = m_ - n_ - 1;
    }
}

// Restart about the best point with displacements drawn from the bit pattern of
// the centre's parameters: reproducible, and different for every centre.
void Engine::scatter(int& ind)
{
    const double* best = rec(order(1));
    const double* c = centre();
    for (int k = 0; k < n_; ++k) {
        const float f = static_cast<float>(c[k]);
        std::uint32_t bits = 0;
        std::memcpy(&bits, &f, sizeof bits);
        const auto h = static_cast<std::int16_t>(static_cast<std::uint16_t>(bits & 0xFFFFu));
        const int u = (std::abs(static_cast<int>(h)) % 200) - 100;
        x_[static_cast<std::size_t>(k)] = best[k] + u / 100.0 * W(1) * dx_[static_cast<std::size_t>(k)];
    }
    IW(4) = 3;
    state() = 0.0;
    ind = 1;
}

void Engine::gauss_newton(int& ind)
{
    const bool mode1 = W(2) != 0.0;
    if (!build_model()) {
        // Stored points whose parameter scatter cannot be inverted (shortened
        // steps along one line leave them so) start a fresh design: only the
        // best point is kept, and scattered points about it fill the store again
        // (a store of fewer than n + 1 points takes every new point). Evaluating
        // the best point once more would change nothing, as an equal F is never
        // stored. With too few points (storage mode 1 keeps only improvements)
        // the scatter goes on.
        if (stored_count() >= n_ + 1) {
            for (int i = 2; i <= np_; ++i) rec(order(i))[n_ + m_] = fitex_empty;
        }
        scatter(ind);
        return;
    }
    const std::size_t N = static_cast<std::size_t>(n_), M = static_cast<std::size_t>(m_);
    std::span<double> a = scratch_a(M * N);
    std::copy(jm(), jm() + M * N, a.begin());
    std::span<double> b = scratch_b();
    const double* c = centre();
    std::copy(c + n_, c + n_ + m_, b.begin());
    std::span<double> z = scratch_z();
    const int ier = lilesq(m_, n_, a, b, z, w_.subspan(N + 4, N));
    if (ier < 0) {
        finish(ind, 4);
        return;
    }
    if (ier > 0) {
        scatter(ind);
        return;
    }
    const double* best = rec(order(1));
    double q = 0.0;
    for (std::size_t k = 0; k < N; ++k) {
        const double xgn = (mode1 ? best[k] : c[k]) - z[k];
        const double d = xgn - best[k];
        W(5 + k) = d;
        q = std::max(q, std::fabs(d / dx_[k]));
    }
    if (q < 1.0) {
        finish(ind, 0);
        return;
    }
    double t = 1.0;
    IW(4) = 0;
    if (q >= 2.0 * W(1)) {
        t = 2.0 * W(1) / q;
        IW(4) = 1;
    }
    W(3) = t;
    for (std::size_t k = 0; k < N; ++k) x_[k] = best[k] + t * W(5 + k);
    state() = 0.0;
    ind = 1;
}

void Engine::line_search(int& ind, double f)
{
    const double* best = rec(order(1));
    double* d = dir();
    std::span<double> c = w_.subspan(4, 3);
    std::span<double> s = w_.subspan(7, 11);
    if (state() != 1.0) {
        state() = 1.0;
        IW(4) = 2;
        for (int k = 0; k < n_; ++k) d[k] = x_[static_cast<std::size_t>(k)] - best[k];
        // fit1 on the step fraction: t = 0 (best) and t = 1 (rejected) known,
        // the trial t = 0.5 is the third point.
        c[0] = 3.0;
        c[1] = 20.0;
        c[2] = 0.0;
        s[0] = 0.5;
        s[1] = f;
        s[2] = 0.0;
        s[3] = 0.0;
        s[4] = 0.0;
        s[5] = 0.0;
        s[6] = 1.0;
        s[7] = 0.0;
        s[8] = recF(order(1));
        s[9] = f;
        s[10] = 0.0;
    } else {
        s[1] = f;
        int flag = 1;
        fit1(flag, c, s);
        if (flag == 2 || flag == 3) {
            finish(ind, 4);
            return;
        }
    }
    W(3) = s[0];
    for (int k = 0; k < n_; ++k) x_[static_cast<std::size_t>(k)] = best[k] + s[0] * d[k];
    ind = 1;
}

void Engine::call(int& ind)
{
    const double f = W(4);
    const bool first = ind == 0;
    if (first) {
        IW(3) = 1;
        for (int i = 1; i <= np_; ++i) set_order(i, np_ + 1 - i);
        for (int p = 1; p <= np_; ++p) rec(p)[n_ + m_] = fitex_empty;
        state() = 0.0;
        ind = 1;
    } else {
        IW(3) += 1;
    }
    const bool stored = store(f);
    if (IW(3) >= IW(2)) {
        finish(ind, 3);
        return;
    }
    if (n_ == 1) {
        // One parameter: minimise along it directly.
        std::span<double> c = w_.subspan(4, 3);
        std::span<double> s = w_.subspan(7, 11);
        int flag = 1;
        s[1] = f;
        if (IW(3) == 1) {
            flag = 0;
            s[0] = x_[0];
            s[2] = W(1) * dx_[0];
            s[3] = std::fabs(dx_[0]);
            s[4] = 0.0;
            c[1] = IW(2);
        }
        IW(4) = 2;
        fit1(flag, c, s);
        if (flag == 1) {
            x_[0] = s[0];
            ind = 1;
            return;
        }
        finish(ind, flag == 0 ? 0 : flag == 2 ? 3 : 4);
        return;
    }
    const int k = IW(3);
    if (W(2) == 0.0 && k <= n_ + 1) {
        // Initial design: step the parameters one by one from the first point.
        if (k >= 2) {
            x_[static_cast<std::size_t>(k - 2)] = W(3);
            const double* r1 = rec(1) + n_;
            const double f1 = recF(1);
            double dk2 = 0.0;
            for (int i = 0; i < m_; ++i) {
                const double d = r_[static_cast<std::size_t>(i)] - r1[i];
                dk2 += d * d;
            }
            if (dk2 < 1e-16 * f1) {
                finish(ind, 5, k - 1);
                return;
            }
            for (int j = 1; j <= k - 2; ++j) {
                const double* rj = rec(j + 1) + n_;
                double dj2 = 0.0, dot = 0.0;
                for (int i = 0; i < m_; ++i) {
                    const double dj = rj[i] - r1[i];
                    const double dk = r_[static_cast<std::size_t>(i)] - r1[i];
                    dj2 += dj * dj;
                    dot += dj * dk;
                }
                if (std::fabs(std::sqrt(dj2) * std::sqrt(dk2) - std::fabs(dot)) < 1e-8 * std::fabs(dot)) {
                    finish(ind, 6, k - 1, j);
                    return;
                }
            }
        }
        if (k <= n_) {
            W(3) = x_[static_cast<std::size_t>(k - 1)];
            x_[static_cast<std::size_t>(k - 1)] += W(1) * dx_[static_cast<std::size_t>(k - 1)];
            ind = 1;
            return;
        }
        gauss_newton(ind);
        return;
    }
    if (stored) {
        gauss_newton(ind);
        return;
    }
    line_search(ind, f);
}

} // namespace

std::size_t fitex_wsize(int m, int n, int np)
{
    if (m < 1 || n < 1) return 0;
    return positions(m, n, std::max(np, n + 1)).total;
}

std::size_t fitex_iwsize(int np) { return 4 + static_cast<std::size_t>(std::max(np, 0)); }

void fitex(int& ind, int m, int n, std::span<double> r, std::span<double> x, std::span<const double> dx,
           std::span<double> w, std::span<int> iw)
{
    if (iw.size() >= 2 && iw[1] < 0) {
        ind = 0;
        return;
    }
    if (n < 1 || n > m || w.size() < 4 || iw.size() < 4 || (w[1] != 0.0 && w[1] != 1.0) ||
        r.size() < static_cast<std::size_t>(m) || x.size() < static_cast<std::size_t>(n) ||
        dx.size() < static_cast<std::size_t>(n)) {
        ind = 7;
        return;
    }
    // A zero (or non-finite) accuracy gives neither a step nor a convergence test.
    for (int k = 0; k < n; ++k)
        if (!(std::fabs(dx[static_cast<std::size_t>(k)]) > 0.0) || !std::isfinite(dx[static_cast<std::size_t>(k)])) {
            ind = 7;
            return;
        }
    if (w[3] == 0.0) {
        ind = 0;
        return;
    }
    const int np = (ind == 0 && iw[0] <= n) ? n + 1 : iw[0];
    if (np < n + 1 || iw.size() < fitex_iwsize(np) || w.size() < fitex_wsize(m, n, np)) {
        ind = 7;
        return;
    }
    if (ind == 0) {
        iw[0] = np;
        if (iw[1] == 0) iw[1] = 2 * np;
        if (w[0] <= 1.0) w[0] = 100.0;
    }
    Engine(m, n, r, x, dx, w, iw).call(ind);
}

namespace {

// The three points of fit1's bracket with their function values, kept in its
// state vector s[5..10].
struct Bracket {
    double& x1;
    double& x2;
    double& x3;
    double& f1;
    double& f2;
    double& f3;
    explicit Bracket(std::span<double> s) : x1(s[5]), x2(s[6]), x3(s[7]), f1(s[8]), f2(s[9]), f3(s[10]) {}
};

// Takes the new point (x, f) into the bracket. The third point sorts the bracket
// and sets the direction: -1 the function falls to the left, 1 to the right, 0
// the middle point is the lowest. While it falls, the point beyond the falling
// end extends the bracket (or one inside it narrows it), and the direction ends
// when the function rises again; once the minimum is bracketed, the point
// replaces the end on its side or becomes the middle point.
void take_point(Bracket& b, double x, double f, double count, double& dir)
{
    auto& [x1, x2, x3, f1, f2, f3] = b;
    if (count <= 3) {
        x3 = x;
        f3 = f;
        if (x1 > x2) { std::swap(x1, x2); std::swap(f1, f2); }
        if (x2 > x3) { std::swap(x2, x3); std::swap(f2, f3); }
        if (x1 > x2) { std::swap(x1, x2); std::swap(f1, f2); }
        dir = 0;
        if (f2 > f1 && f3 > f1) dir = -1;
        if (f2 > f3 && f1 > f3) dir = 1;
    } else if (dir < 0) {
        const double old2 = x2;
        x3 = x2;
        f3 = f2;
        if (!(std::min(old2, x1) < x && x < std::max(old2, x1))) {
            x2 = x1;
            f2 = f1;
            x1 = x;
            f1 = f;
            if (f >= f2) dir = 0;
        } else {
            x2 = x;
            f2 = f;
            if (f1 >= f) dir = 0;
        }
    } else if (dir > 0) {
        const double old2 = x2;
        x1 = x2;
        f1 = f2;
        if (!(std::min(old2, x3) < x && x < std::max(old2, x3))) {
            x2 = x3;
            f2 = f3;
            x3 = x;
            f3 = f;
            if (f >= f2) dir = 0;
        } else {
            x2 = x;
            f2 = f;
            if (f3 >= f) dir = 0;
        }
    } else {
        if (f > f2) {
            if (x < x2) { x1 = x; f1 = f; }
            else { x3 = x; f3 = f; }
        } else {
            if (x < x2) { x3 = x2; f3 = f2; }
            else { x1 = x2; f1 = f2; }
            x2 = x;
            f2 = f;
        }
    }
}

} // namespace

void fit1(int& flag, std::span<double> c, std::span<double> s)
{
    double& x = s[0];
    double& f = s[1];
    const double step = s[2], atol = s[3], rtol = s[4];
    Bracket b(s);
    auto& [x1, x2, x3, f1, f2, f3] = b;
    double& count = c[0];
    const double limit = c[1];
    double& dir = c[2];

    if (flag != 1) {
        x1 = x;
        f1 = f;
        flag = 1;
        count = 2;
        dir = -1;
        x = x + step;
        return;
    }
    if (count <= 2) {
        x2 = x;
        f2 = f;
        dir = 0;
        if (f1 < f2) {
            x = x1 - step;
            dir = -1;
        } else {
            x = x2 + step;
        }
        count += 1;
        return;
    }
    take_point(b, x, f, count, dir);
    // Test.
    const double bx = dir < 0 ? x1 : dir > 0 ? x3 : x2;
    const double bf = dir < 0 ? f1 : dir > 0 ? f3 : f2;
    if (x1 == x2 || x3 == x2 || (f1 == f2 && f2 == f3)) {
        flag = 3;
        x = bx;
        f = bf;
        return;
    }
    if (count >= limit) {
        flag = 2;
        x = bx;
        f = bf;
        return;
    }
    if (dir == 0) {
        double xn;
        const double c2 = ((f3 - f2) / (x3 - x2) - (f2 - f1) / (x2 - x1)) / (x3 - x1);
        if (std::min(x3 - x2, x2 - x1) / (x3 - x1) <= 0.1 || c2 == 0.0) {
            xn = 0.5 * (x1 + x3);
        } else {
            xn = 0.5 * (x1 + x3 + (f3 - f1) / (c2 * (x1 - x3)));
        }
        if (std::fabs(xn - x2) < atol || std::fabs(xn - x2) < std::fabs(rtol * x2)) {
            flag = 0;
            x = x2;
            f = f2;
            return;
        }
        x = xn;
    } else {
        const double e = dir < 0 ? x1 : x3;
        x = e + 2.0 * dir * (x3 - x1);
    }
    count += 1;
    flag = 1;
}

int lilesq(int m, int n, std::span<double> a, std::span<double> b, std::span<double> z, std::span<double> p)
{
    const std::size_t M = static_cast<std::size_t>(std::max(m, 0)), N = static_cast<std::size_t>(std::max(n, 0));
    if (n < 1 || n > m || a.size() < M * N || b.size() < M || z.size() < N || p.size() < N) return -2;
    const int rank = householder(m, n, a, b, p, true);
    for (std::size_t k = 0; k < N; ++k) z[k] = 0.0;
    if (rank == 0) return -1;
    // Back substitution for the chosen columns; z in the input column order.
    auto A = [&](int i, int k) { return a[static_cast<std::size_t>(k - 1) * M + static_cast<std::size_t>(i - 1)]; };
    double zz[64];
    std::span<double> t = N <= 64 ? std::span<double>(zz, N) : b; // b(1..rank) is free once read
    for (int i = rank; i >= 1; --i) {
        double s = b[static_cast<std::size_t>(i - 1)];
        for (int k = i + 1; k <= rank; ++k) s -= A(i, k) * t[static_cast<std::size_t>(k - 1)];
        t[static_cast<std::size_t>(i - 1)] = s / A(i, i);
    }
    double rss = 0.0;
    for (int i = rank + 1; i <= m; ++i) rss += b[static_cast<std::size_t>(i - 1)] * b[static_cast<std::size_t>(i - 1)];
    for (int i = 1; i <= rank; ++i)
        z[static_cast<std::size_t>(std::lround(p[static_cast<std::size_t>(i - 1)]) - 1)] = t[static_cast<std::size_t>(i - 1)];
    if (a.size() >= 2) a[1] = rss;
    return rank == n ? 0 : rank;
}

int invata(int m, int n, std::span<double> a, std::span<double> c, std::span<double> p)
{
    const std::size_t M = static_cast<std::size_t>(std::max(m, 0)), N = static_cast<std::size_t>(std::max(n, 0));
    if (n < 1 || n > m || a.size() < M * N || c.size() < N * (N + 1) / 2 || p.size() < N) return -2;
    const int rank = householder(m, n, a, std::span<double>(), p, false);
    if (rank < n) return -1;
    auto R = [&](int i, int k) -> double& { return a[static_cast<std::size_t>(k - 1) * M + static_cast<std::size_t>(i - 1)]; };
    // R^-1 in place (upper triangle), column by column.
    for (int j = 1; j <= n; ++j) {
        R(j, j) = 1.0 / R(j, j);
        const double ajj = -R(j, j);
        for (int i = 1; i < j; ++i) {
            double s = 0.0;
            for (int k = i; k < j; ++k) s += R(i, k) * R(k, j);
            R(i, j) = s; // uses R(k, j) for k > i, not yet overwritten
        }
        for (int i = 1; i < j; ++i) R(i, j) *= ajj;
    }
    // (A^T A)^-1 = P R^-1 R^-T P^T, back in the input column order.
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= i; ++j) {
            double s = 0.0;
            for (int k = i; k <= n; ++k) s += R(i, k) * R(j, k);
            const int oi = static_cast<int>(std::lround(p[static_cast<std::size_t>(i - 1)]));
            const int oj = static_cast<int>(std::lround(p[static_cast<std::size_t>(j - 1)]));
            c[packed(oi, oj) - 1] = s;
        }
    return 0;
}

void invert(std::span<double> a)
{
    // a(i, j) at a[(j-1)*3 + (i-1)]
    const double a11 = a[0], a21 = a[1], a31 = a[2];
    const double a12 = a[3], a22 = a[4], a32 = a[5];
    const double a13 = a[6], a23 = a[7], a33 = a[8];
    const double c11 = a22 * a33 - a23 * a32, c12 = a13 * a32 - a12 * a33, c13 = a12 * a23 - a13 * a22;
    const double c21 = a23 * a31 - a21 * a33, c22 = a11 * a33 - a13 * a31, c23 = a13 * a21 - a11 * a23;
    const double c31 = a21 * a32 - a22 * a31, c32 = a12 * a31 - a11 * a32, c33 = a11 * a22 - a12 * a21;
    const double det = a11 * c11 + a12 * c21 + a13 * c31;
    a[0] = c11 / det; a[3] = c12 / det; a[6] = c13 / det;
    a[1] = c21 / det; a[4] = c22 / det; a[7] = c23 / det;
    a[2] = c31 / det; a[5] = c32 / det; a[8] = c33 / det;
}

} // namespace r7
