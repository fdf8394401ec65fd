#include "picture/place.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace r7::picture {
namespace {

// The candidate positions: sixteen directions, and the gaps between the mark's
// clear circle and the label's box (pixels). Labels beyond the first two rings
// get a leader line.
constexpr int directions = 16;
constexpr std::array<double, 9> gaps{1.0, 6.0, 13.0, 22.0, 34.0, 50.0, 70.0, 95.0, 125.0};
constexpr double leader_from_gap = 10.0;
// What a line crossing a box costs when no place is free, in square pixels.
constexpr double crossing_cost = 60.0;
// What a leader crossing a line of the drawing costs, in pixels of distance.
constexpr double leader_crossing = 25.0;

double angle_between(double a, double b)
{
    const double d = std::remainder(a - b, 2.0 * std::numbers::pi);
    return std::abs(d);
}

// Whether the segments p1-p2 and q1-q2 cross or touch.
bool segments_meet(double px1, double py1, double px2, double py2, double qx1, double qy1, double qx2, double qy2)
{
    auto cross = [](double ax, double ay, double bx, double by, double cx, double cy) {
        return (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
    };
    const double d1 = cross(qx1, qy1, qx2, qy2, px1, py1), d2 = cross(qx1, qy1, qx2, qy2, px2, py2);
    const double d3 = cross(px1, py1, px2, py2, qx1, qy1), d4 = cross(px1, py1, px2, py2, qx2, qy2);
    return ((d1 > 0) != (d2 > 0) || d1 == 0 || d2 == 0) && ((d3 > 0) != (d4 > 0) || d3 == 0 || d4 == 0) &&
           !(d1 == 0 && d2 == 0 && d3 == 0 && d4 == 0 &&
             (std::max(px1, px2) < std::min(qx1, qx2) || std::max(qx1, qx2) < std::min(px1, px2) ||
              std::max(py1, py2) < std::min(qy1, qy2) || std::max(qy1, qy2) < std::min(py1, py2)));
}

Box widened(const Box& b, double pad) { return {b.x0 - pad, b.y0 - pad, b.x1 + pad, b.y1 + pad}; }

} // namespace

Box text_box(double x, double y, double width, double size, std::string_view anchor)
{
    const double x0 = anchor == "middle" ? x - width / 2.0 : anchor == "end" ? x - width : x;
    return {x0, y - text_ascent * size, x0 + width, y + text_descent * size};
}

std::vector<std::string> wrap(std::string_view text, double size, double width, bool bold)
{
    std::vector<std::string> lines;
    std::string line;
    double line_w = 0.0;
    const double blank = text_width(" ", size, bold);
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        const std::string_view word = text.substr(at, end - at);
        at = end + 1;
        if (word.empty()) continue;
        const double word_w = text_width(word, size, bold);
        if (!line.empty() && line_w + blank + word_w > width) {
            lines.push_back(std::move(line));
            line.clear();
            line_w = 0.0;
        }
        if (!line.empty()) {
            line += ' ';
            line_w += blank;
        }
        line += word;
        line_w += word_w;
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

bool segment_meets(const Box& b, double x1, double y1, double x2, double y2)
{
    // Liang-Barsky: clip the segment's parameter range to each slab of the box.
    double t0 = 0.0, t1 = 1.0;
    const double dx = x2 - x1, dy = y2 - y1;
    const std::array<double, 4> p{-dx, dx, -dy, dy};
    const std::array<double, 4> q{x1 - b.x0, b.x1 - x1, y1 - b.y0, b.y1 - y1};
    for (std::size_t i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) return false;
    }
    return true;
}

Placer::Placer(Box view, double pad) : view_(view), pad_(pad) {}

Box Placer::block_text(double x, double y, const TextLine& line, std::string_view anchor)
{
    const Box b = text_box(x, y, line.width(), line.size, anchor);
    block(b);
    return b;
}

bool Placer::free(const Box& b) const
{
    if (!b.inside(view_)) return false;
    for (const Box& o : boxes_) {
        if (b.overlaps(o, pad_)) return false;
    }
    const Box wide = widened(b, pad_);
    for (const auto* set : {&lines_, &leaders_}) {
        for (const Line& l : *set) {
            if (segment_meets(wide, l.x1, l.y1, l.x2, l.y2)) return false;
        }
    }
    return true;
}

int Placer::first_free(const std::vector<Box>& candidates) const
{
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (free(candidates[i])) return static_cast<int>(i);
    }
    return -1;
}

bool Placer::leader_free(double x1, double y1, double x2, double y2, bool cross_lines) const
{
    for (const Box& o : boxes_) {
        if (segment_meets(o, x1, y1, x2, y2)) return false;
    }
    for (const Line& l : leaders_) {
        if (segments_meet(x1, y1, x2, y2, l.x1, l.y1, l.x2, l.y2)) return false;
    }
    if (cross_lines) return true;
    for (const Line& l : lines_) {
        if (segments_meet(x1, y1, x2, y2, l.x1, l.y1, l.x2, l.y2)) return false;
    }
    return true;
}

int Placer::crossings(double x1, double y1, double x2, double y2) const
{
    int n = 0;
    for (const Line& l : lines_) n += segments_meet(x1, y1, x2, y2, l.x1, l.y1, l.x2, l.y2) ? 1 : 0;
    return n;
}

double Placer::leader_penalty(double x1, double y1, double x2, double y2) const
{
    double p = 0.0;
    for (const Box& o : boxes_) p += segment_meets(o, x1, y1, x2, y2) ? crossing_cost : 0.0;
    for (const Line& l : leaders_) p += segments_meet(x1, y1, x2, y2, l.x1, l.y1, l.x2, l.y2) ? crossing_cost : 0.0;
    return p;
}

double Placer::penalty(const Box& b) const
{
    double p = 0.0;
    if (!b.inside(view_)) {
        const double ox = std::max(0.0, view_.x0 - b.x0) + std::max(0.0, b.x1 - view_.x1);
        const double oy = std::max(0.0, view_.y0 - b.y0) + std::max(0.0, b.y1 - view_.y1);
        p += 1e6 * (ox + oy);
    }
    for (const Box& o : boxes_) {
        const double w = std::min(b.x1, o.x1 + pad_) - std::max(b.x0, o.x0 - pad_);
        const double h = std::min(b.y1, o.y1 + pad_) - std::max(b.y0, o.y0 - pad_);
        if (w > 0.0 && h > 0.0) p += w * h;
    }
    for (const auto* set : {&lines_, &leaders_}) {
        for (const Line& l : *set) {
            if (segment_meets(b, l.x1, l.y1, l.x2, l.y2)) p += crossing_cost;
        }
    }
    return p;
}

Placed Placer::place(const Anchor& a, const std::vector<TextLine>& lines)
{
    // The label's block: the widest line, the lines' baselines from its top.
    double w = 0.0, y = 0.0;
    std::vector<double> base;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const TextLine& l = lines[i];
        w = std::max(w, l.width());
        y += i == 0 ? text_ascent * l.size : text_descent * lines[i - 1].size + (text_ascent + 0.07) * l.size;
        base.push_back(y);
    }
    const double h = lines.empty() ? 0.0 : y + text_descent * lines.back().size;

    struct Candidate {
        double cost;
        Box box;
        double cos, gap;
        std::size_t index = 0;
    };
    // The directions' cosines and sines, and what each costs for this label.
    struct Direction {
        double c, s;
    };
    static const std::array<Direction, directions> dirs = [] {
        std::array<Direction, directions> d{};
        for (int k = 0; k < directions; ++k) {
            const double th = 2.0 * std::numbers::pi * k / directions;
            d[static_cast<std::size_t>(k)] = {std::cos(th), std::sin(th)};
        }
        return d;
    }();
    std::array<double, directions> turn{};
    for (int k = 0; k < directions; ++k) {
        turn[static_cast<std::size_t>(k)] = a.weight * angle_between(2.0 * std::numbers::pi * k / directions, a.prefer);
    }
    std::vector<Candidate> cands;
    cands.reserve(directions * gaps.size());
    const double root2 = std::numbers::sqrt2;
    for (double gap : gaps) {
        if (!a.leader && gap > leader_from_gap) break;
        for (std::size_t k = 0; k < directions; ++k) {
            const double c = dirs[k].c, s = dirs[k].s;
            const double r = a.clear + gap;
            const double px = a.x + r * c, py = a.y + r * s;
            // The box touches the point P on the side facing the mark: beside it
            // at the sides, above or below it at the top and bottom, at a corner
            // on the diagonals.
            const double cx = px + w / 2.0 * std::clamp(root2 * c, -1.0, 1.0);
            const double cy = py + h / 2.0 * std::clamp(root2 * s, -1.0, 1.0);
            cands.push_back({gap + turn[k], {cx - w / 2.0, cy - h / 2.0, cx + w / 2.0, cy + h / 2.0}, c, gap});
        }
    }
    // Taken in order of cost, among equal costs in the order made (nearer
    // rings first, then the directions from the right round), so that the
    // order is the same everywhere: a heap, since the search mostly ends
    // after the first few.
    for (std::size_t i = 0; i < cands.size(); ++i) cands[i].index = i;
    const auto later = [](const Candidate& p, const Candidate& q) {
        return p.cost > q.cost || (p.cost == q.cost && p.index > q.index);
    };
    std::make_heap(cands.begin(), cands.end(), later);
    auto heap_end = cands.end();
    // The next candidate in order, or nullptr when all have been taken.
    auto next = [&]() -> const Candidate* {
        if (heap_end == cands.begin()) return nullptr;
        std::pop_heap(cands.begin(), heap_end, later);
        --heap_end;
        return &*heap_end;
    };

    // The leader: from the mark's clear circle to the nearest point of the box.
    auto leader_of = [&a](const Box& b) {
        const double qx = std::clamp(a.x, b.x0, b.x1), qy = std::clamp(a.y, b.y0, b.y1);
        const double d = std::hypot(qx - a.x, qy - a.y);
        const double sx = d > 0.0 ? a.x + (qx - a.x) * a.clear / d : a.x, sy = d > 0.0 ? a.y + (qy - a.y) * a.clear / d : a.y;
        return std::array<double, 4>{sx, sy, qx, qy};
    };

    // The free place of least cost, where a leader that crosses lines of the
    // drawing costs as much as moving leader_crossing pixels farther out. The
    // candidates come in order of their cost without crossings, which no
    // crossing lowers: the search ends at the first that cannot do better.
    // (Those taken stay in place behind the heap, their addresses unchanged.)
    const Candidate* chosen = nullptr;
    double best_cost = 0.0;
    while (const Candidate* next_one = next()) {
        const Candidate& c = *next_one;
        if (chosen != nullptr && c.cost >= best_cost) break;
        if (!free(c.box)) continue;
        double cost = c.cost;
        if (c.gap > leader_from_gap) {
            const auto l = leader_of(c.box);
            if (!leader_free(l[0], l[1], l[2], l[3], true)) continue;
            cost += leader_crossing * static_cast<double>(crossings(l[0], l[1], l[2], l[3]));
        }
        if (chosen == nullptr || cost < best_cost) {
            chosen = &c;
            best_cost = cost;
        }
    }
    const bool clean = chosen != nullptr;
    if (chosen == nullptr) {
        // Nowhere free: the place that overlaps least, the cheapest of those.
        double best = 0.0;
        for (const Candidate& c : cands) {
            double p = penalty(c.box);
            if (c.gap > leader_from_gap) {
                const auto l = leader_of(c.box);
                p += leader_penalty(l[0], l[1], l[2], l[3]);
            }
            if (chosen == nullptr || p < best ||
                (p == best && (c.cost < chosen->cost || (c.cost == chosen->cost && c.index < chosen->index)))) {
                chosen = &c;
                best = p;
            }
        }
    }

    Placed out;
    out.clean = clean;
    if (chosen == nullptr) return out;
    out.box = chosen->box;
    out.anchor = chosen->cos > 0.38 ? "start" : chosen->cos < -0.38 ? "end" : "middle";
    out.x = out.anchor == "start" ? out.box.x0 : out.anchor == "end" ? out.box.x1 : (out.box.x0 + out.box.x1) / 2.0;
    for (double b : base) out.baselines.push_back(out.box.y0 + b);
    if (chosen->gap > leader_from_gap) {
        const auto l = leader_of(out.box);
        out.leader = true;
        out.lx1 = l[0];
        out.ly1 = l[1];
        out.lx2 = l[2];
        out.ly2 = l[3];
        leaders_.push_back({l[0], l[1], l[2], l[3]});
    }
    block(out.box);
    return out;
}

std::vector<Placed> Placer::place_all(const std::vector<Label>& labels)
{
    const std::size_t n = labels.size();
    std::vector<std::vector<std::size_t>> orders;
    std::vector<std::size_t> given(n);
    for (std::size_t i = 0; i < n; ++i) given[i] = i;
    orders.push_back(given);
    orders.emplace_back(given.rbegin(), given.rend());
    auto sorted_by = [&](auto key) {
        std::vector<std::size_t> o = given;
        std::stable_sort(o.begin(), o.end(), [&](std::size_t a, std::size_t b) { return key(labels[a]) < key(labels[b]); });
        return o;
    };
    orders.push_back(sorted_by([](const Label& l) { return l.anchor.x; }));
    orders.push_back(sorted_by([](const Label& l) { return -l.anchor.x; }));
    orders.push_back(sorted_by([](const Label& l) { return l.anchor.y; }));
    orders.push_back(sorted_by([](const Label& l) { return -l.anchor.y; }));

    Placer best_state = *this;
    std::vector<Placed> best;
    std::size_t best_unclean = n + 1;
    for (const auto& order : orders) {
        Placer trial = *this;
        std::vector<Placed> out(n);
        std::size_t unclean = 0;
        for (std::size_t i : order) {
            out[i] = trial.place(labels[i].anchor, labels[i].lines);
            unclean += out[i].clean ? 0 : 1;
        }
        if (unclean < best_unclean) {
            best_unclean = unclean;
            best = std::move(out);
            best_state = std::move(trial);
        }
        if (unclean == 0) break;
    }
    *this = std::move(best_state);
    return best;
}

void draw_label(Svg& svg, const Placed& p, const std::vector<TextLine>& lines, std::string_view leader_colour)
{
    svg.begin_group();
    if (p.leader) svg.leader(p.lx1, p.ly1, p.lx2, p.ly2, "stroke:" + std::string(leader_colour) + ";stroke-width:0.7");
    for (std::size_t i = 0; i < lines.size() && i < p.baselines.size(); ++i) svg.text(p.x, p.baselines[i], lines[i], p.anchor);
    svg.end_group();
}

Placed put_label(Svg& svg, Placer& placer, const Anchor& a, const std::vector<TextLine>& lines,
                 std::string_view leader_colour)
{
    const Placed p = placer.place(a, lines);
    draw_label(svg, p, lines, leader_colour);
    return p;
}

} // namespace r7::picture
