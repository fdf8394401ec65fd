// Label placement for the figures: a placer that puts each label beside its
// mark where it covers no mark, line or label placed before and stays in the
// picture, with the boxes of texts estimated from their font size and their
// characters (text_width, svg.hpp).
//
// The method is the usual greedy one of cartography and charting: for each
// label in turn a ring of candidate positions around its mark (sixteen
// directions at growing distances) is ranked by distance and by how far the
// direction lies from the one preferred; the first candidate that is free is
// taken and blocked for the labels after it. A label placed farther out than
// the first two rings is joined to its mark by a thin leader line, which later
// labels avoid as well; a leader may cross a line of the drawing (a path, a
// fitted line) where no place is free without, never a label, a mark or
// another leader. The caller places the most constrained labels first.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "picture/svg.hpp"

namespace r7::picture {

// An axis-parallel box in pixels, y downwards.
struct Box {
    double x0 = 0.0, y0 = 0.0, x1 = 0.0, y1 = 0.0;

    double width() const { return x1 - x0; }
    double height() const { return y1 - y0; }
    // Whether the two boxes share more than a line (pad widens this box first).
    bool overlaps(const Box& o, double pad = 0.0) const
    {
        return x0 - pad < o.x1 && o.x0 < x1 + pad && y0 - pad < o.y1 && o.y0 < y1 + pad;
    }
    bool inside(const Box& outer) const
    {
        return x0 >= outer.x0 && y0 >= outer.y0 && x1 <= outer.x1 && y1 <= outer.y1;
    }
};

// text_box: the box of a text.
// Takes:    the baseline point (x, y), the text's width, its font size, the
//           anchor ("start", "middle" or "end").
// Returns:  the box from text_ascent above the baseline to text_descent below.
Box text_box(double x, double y, double width, double size, std::string_view anchor);

// wrap: a text split into lines no wider than a width.
// Takes:    the text, the font size, the width [px], bold.
// Returns:  the lines, broken at blanks (runs of blanks become one); a word
//           wider than the line stands alone.
std::vector<std::string> wrap(std::string_view text, double size, double width, bool bold = false);

// Where a label goes: the mark it belongs to (centre, and the radius of the
// circle around it that the label keeps clear of), the preferred direction
// (radians, screen coordinates: 0 right, pi/2 down) and how strongly it is
// preferred (pixels of distance that one radian away from it costs).
struct Anchor {
    double x = 0.0, y = 0.0;
    double clear = 4.0;
    double prefer = 0.0;
    double weight = 8.0;
    bool leader = true; // far candidates are allowed, with a leader line
};

// A label put in place: its box, where its text lines go, and its leader line
// (from the mark's clear circle to the box) where it stands off.
struct Placed {
    Box box;
    double x = 0.0;             // the x of the text lines, for the anchor below
    std::string anchor;         // "start", "middle" or "end"
    std::vector<double> baselines;
    bool leader = false;
    double lx1 = 0.0, ly1 = 0.0, lx2 = 0.0, ly2 = 0.0;
    bool clean = true;          // false: no free place was found; it overlaps least where it is
};

class Placer {
public:
    // view: the area that every label lies in; pad: the space kept around
    // every blocked box.
    explicit Placer(Box view, double pad = 1.0);

    // Areas and lines that labels keep clear of: marks, lines of the drawing,
    // texts set in fixed places.
    void block(const Box& b) { boxes_.push_back(b); }
    void block_disk(double cx, double cy, double r) { block({cx - r, cy - r, cx + r, cy + r}); }
    void block_line(double x1, double y1, double x2, double y2) { lines_.push_back({x1, y1, x2, y2}); }
    // block_text: the box of a text set in a fixed place, blocked.
    // Takes:    the baseline point (x, y), the line, the anchor.
    // Returns:  the box (text_box), now blocked.
    Box block_text(double x, double y, const TextLine& line, std::string_view anchor);

    // free: whether a box lies in the view and clear of everything blocked.
    // Takes:    the box.
    // Returns:  true when it lies in the view, overlaps no blocked box and meets
    //           no blocked line or leader (each widened by the pad).
    bool free(const Box& b) const;

    // first_free: the first free box.
    // Takes:    the candidate boxes.
    // Returns:  the index of the first that is free, or -1.
    int first_free(const std::vector<Box>& candidates) const;

    // place: a label put beside its mark.
    // Takes:    the anchor, the label's text lines.
    // Returns:  the placement (box, anchor and baselines of the lines, the
    //           leader line where it stands off, clean); the box and the leader
    //           are blocked.
    // Notes:    1. The candidates (sixteen directions at growing distances; the
    //              near rings only where the anchor allows no leader) are taken
    //              in order of their distance plus the turn from the preferred
    //              direction times the weight; the first free one wins, unless a
    //              leader's crossings of drawing lines make a later one cheaper.
    //           2. Where nothing is free the label goes where it overlaps least,
    //              clean = false.
    Placed place(const Anchor& a, const std::vector<TextLine>& lines);

    // A label to be placed with others.
    struct Label {
        Anchor anchor;
        std::vector<TextLine> lines;
    };
    // place_all: labels that compete for the same room.
    // Takes:    the labels.
    // Returns:  the placements in the order of the labels; they are blocked.
    // Notes:    1. Placed in the order given, and where that leaves one without a
    //              free place, in a few other orders (from the last, from left to
    //              right and right to left, from top to bottom and bottom to top),
    //              keeping the first order in which every label is free, else the
    //              one with the fewest that are not.
    std::vector<Placed> place_all(const std::vector<Label>& labels);

    const Box& view() const { return view_; }

private:
    struct Line {
        double x1, y1, x2, y2;
    };
    double penalty(const Box& b) const;
    // Whether a leader would cross nothing blocked (crossing lines of the
    // drawing allowed or not).
    bool leader_free(double x1, double y1, double x2, double y2, bool cross_lines) const;
    double leader_penalty(double x1, double y1, double x2, double y2) const;
    // How many lines of the drawing a leader crosses.
    int crossings(double x1, double y1, double x2, double y2) const;

    Box view_;
    double pad_;
    std::vector<Box> boxes_;
    std::vector<Line> lines_;
    std::vector<Line> leaders_;
};

// segment_meets: whether a segment meets a box.
// Takes:    the box, the ends (x1, y1) and (x2, y2).
// Returns:  true when some point of the segment lies in the box (its edges
//           included).
// Source:   Liang and Barsky (1984), A new concept and method for line clipping,
//           ACM Transactions on Graphics 3, 1-22.
bool segment_meets(const Box& b, double x1, double y1, double x2, double y2);

// draw_label: a placed label written.
// Takes:    the picture, the placement, the text lines, the leader's colour.
// Returns:  nothing; the leader line (where it has one) and the text lines
//           (pieces as tspans) are written as one group.
void draw_label(Svg& svg, const Placed& p, const std::vector<TextLine>& lines, std::string_view leader_colour = "#777");

// put_label: a label placed and written.
// Takes:    the picture, the placer, the anchor, the text lines, the leader's
//           colour.
// Returns:  the placement (Placer::place, then draw_label).
Placed put_label(Svg& svg, Placer& placer, const Anchor& a, const std::vector<TextLine>& lines,
                 std::string_view leader_colour = "#777");

} // namespace r7::picture
