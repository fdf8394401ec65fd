#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "ephemeris/kepler.hpp"
#include "io/error.hpp"
#include "io/units.hpp"
#include "run/teoti.hpp"
#include "state/store.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

using test::lines_of;
using test::read_file;
using test::ScratchDir;
using test::write_file;

// A Teotihuacan run: data from the scratch directory, report to a string.
class TeotiRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        load_kepler("invsop3.t");
        load_teoti("inteoti.t");
        p.main_option = 4;
        p.conj_choice = 2;
        p.frame_choice = 1;
        p.date_mode = 1;
        p.time_scale = 1;
        p.calendar_choice = 1;
        p.year_from = p.year_to = 2000.0;
        p.step_width = 0.0;
        p.output_detail = 2;
        p.menu_choice = 16;
    }
    void TearDown() override { io::units().set_terminal(nullptr); }

    std::vector<std::string> run()
    {
        std::ostringstream os;
        io::units().set_terminal(&os);
        RunState s;
        teoti_run(p, s);
        io::units().set_terminal(nullptr);
        return lines_of(os.str());
    }

    ScratchDir dir;
    RunParams p;
};

bool starts(const std::string& s, const std::string& head) { return s.rfind(head, 0) == 0; }

std::vector<double> numbers_after(const std::string& s, std::size_t from)
{
    std::istringstream in(s.substr(from));
    std::vector<double> v;
    for (double x; in >> x;) v.push_back(x);
    return v;
}

int count_containing(const std::vector<std::string>& lines, const std::string& what)
{
    int n = 0;
    for (const auto& l : lines) n += l.find(what) != std::string::npos;
    return n;
}

// One printed epoch of the extended table: the nine body rows, the "Phaeton"
// row, the line parameters and the coefficients of determination.
struct Epoch {
    std::vector<std::array<double, 4>> rows;
    std::array<double, 4> phaeton{};
    std::vector<double> u, v, r2, adj;
    double year = 0;
};

std::vector<Epoch> parse_epochs(const std::vector<std::string>& lines)
{
    std::vector<Epoch> out;
    Epoch e;
    for (const auto& l : lines) {
        if (l.size() > 14) {
            const std::string name = l.substr(4, 10);
            for (int b = 0; b < 9; ++b) {
                if (name == Base::plan(b) && l.size() > 20 && l.find('.') != std::string::npos &&
                    l.find("GPS") == std::string::npos) {
                    auto v = numbers_after(l, 14);
                    if (v.size() == 4) e.rows.push_back({v[0], v[1], v[2], v[3]});
                }
            }
        }
        if (starts(l, "   (Phaeton)")) {
            auto v = numbers_after(l, 12);
            e.phaeton = {v.at(0), v.at(1), v.at(2), v.at(3)};
        }
        if (l.find("linear fit") != std::string::npos) e.u = numbers_after(l, l.find("u:") + 2);
        if (starts(l, std::string(34, ' ') + "v:")) e.v = numbers_after(l, 36);
        if (l.find("Julian year:") != std::string::npos) {
            auto v = numbers_after(l, l.find(':') + 1);
            e.year = v.at(0);
            e.r2 = numbers_after(l, l.find("R^2:") + 4);
        }
        if (l.find("adj. R^2:") != std::string::npos) {
            e.adj = numbers_after(l, l.find("R^2:") + 4);
            out.push_back(e);
            e = Epoch{};
        }
    }
    return out;
}

std::string replace_line(const std::string& text, int n, const std::string& line)
{
    auto lines = lines_of(text);
    lines.at(static_cast<std::size_t>(n - 1)) = line;
    std::string s;
    for (const auto& l : lines) s += l + "\n";
    return s;
}

TEST_F(TeotiRun, EpochsOfTheYearRange)
{
    // Equal years: exactly one epoch.
    auto lines = run();
    EXPECT_EQ(count_containing(lines, "Julian year:"), 1);

    // 0 to 1000 in steps of 250: five epochs, the last one on year_to.
    p.year_from = 0.0;
    p.year_to = 1000.0;
    p.step_width = 250.0;
    auto ep = parse_epochs(run());
    ASSERT_EQ(ep.size(), 5u);
    EXPECT_DOUBLE_EQ(ep.front().year, 0.0);
    EXPECT_DOUBLE_EQ(ep.back().year, 1000.0);

    // A fractional step over a long range still reaches its last epoch.
    p.output_detail = 1;
    p.year_from = -1200.0;
    p.year_to = 1200.0;
    p.step_width = 0.3;
    lines = run();
    int rows = 0;
    std::string last;
    for (const auto& l : lines) {
        if (l.size() == 5 + 13 + 4 + 3 * 17 && l.find('.') == 15) {
            ++rows;
            last = l;
        }
    }
    EXPECT_EQ(rows, 8001);
    EXPECT_DOUBLE_EQ(std::stod(last.substr(5, 13)), 1200.0);

    // No positive step: one epoch.
    p.output_detail = 2;
    p.step_width = -5.0;
    EXPECT_EQ(count_containing(run(), "Julian year:"), 1);
}

TEST_F(TeotiRun, SunRowByPlanetaryUnitAndBase)
{
    p.time_scale = 2;
    auto ep = parse_epochs(run());
    ASSERT_EQ(ep.size(), 1u);
    ASSERT_EQ(ep[0].rows.size(), 9u);
    for (int c = 1; c <= 3; ++c) EXPECT_EQ(ep[0].rows[0][c], 0.0);
    // Earth's mean distance in solar radii: 215.03, log 2.3325.
    EXPECT_NEAR(ep[0].rows[3][2], std::log10(149597870.7 / 695508.0), 6e-5);

    p.time_scale = 1;
    p.calendar_choice = 3;
    auto lines = run();
    ep = parse_epochs(lines);
    for (int c = 1; c <= 3; ++c) EXPECT_NEAR(ep[0].rows[0][c], std::log10(695508.0) / std::log10(3.0), 6e-5);
    EXPECT_EQ(count_containing(lines, "    logarithmic base (astr.):   3.0000"), 1);
    // The earth row: perihelion below mean below aphelion.
    EXPECT_LT(ep[0].rows[3][1], ep[0].rows[3][2]);
    EXPECT_LT(ep[0].rows[3][2], ep[0].rows[3][3]);

    p.calendar_choice = 4;
    p.tol_short = 12.5;
    EXPECT_EQ(count_containing(run(), "    logarithmic base (astr.):   12.5000"), 1);
}

TEST_F(TeotiRun, BasesThatAreNotAboveOneStopTheRun)
{
    for (auto [choice, custom] : {std::pair{2, 0.0}, {4, 1.0}, {4, -3.0}, {7, 5.0}}) {
        p.calendar_choice = choice;
        p.tol_short = custom;
        try {
            run();
            ADD_FAILURE() << "choice " << choice << " base " << custom << " accepted";
        } catch (const RunStop& e) {
            EXPECT_EQ(e.status(), exit_computation);
        }
    }
}

TEST_F(TeotiRun, LunaUnit)
{
    p.date_mode = 2;
    EXPECT_DOUBLE_EQ(teoti_unit_distance(2, p), 1.0);
    EXPECT_NEAR(teoti_unit_distance(7, p), astro.teot(7, 3) / astro.teot(2, 3), 1e-15);
    p.conj_choice = 3; // the map column
    EXPECT_DOUBLE_EQ(teoti_unit_distance(2, p), 1.0);

    // The report no longer depends on the scale of the site: all distances
    // three times larger give the same epoch table.
    p.conj_choice = 2;
    p.year_from = 1000.0;
    p.year_to = 3000.0;
    p.step_width = 1000.0;
    auto before = parse_epochs(run());
    ASSERT_EQ(before.size(), 3u);
    EXPECT_NEAR(before[0].phaeton[0], astro.teot(7, 3) / astro.teot(2, 3), 1e-4);

    std::string text = read_file("inteoti.t");
    auto lines = lines_of(text);
    for (int n = 20; n <= 37; ++n) {
        auto& l = lines[static_cast<std::size_t>(n - 1)];
        std::istringstream in(l.substr(l.rfind('\'') + 1));
        double lat, lon, m, mm;
        in >> lat >> lon >> m >> mm;
        l = l.substr(0, l.rfind('\'') + 1) + " " + std::to_string(lat) + " " + std::to_string(lon) + " " +
            std::to_string(3 * m) + " " + std::to_string(3 * mm);
    }
    text.clear();
    for (const auto& l : lines) text += l + "\n";
    write_file("scaled.t", text);
    load_teoti("scaled.t");
    auto after = parse_epochs(run());
    ASSERT_EQ(after.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(after[i].rows, before[i].rows);
        EXPECT_EQ(after[i].u, before[i].u);
        EXPECT_EQ(after[i].r2, before[i].r2);
    }

    // A zero "luna" unit is refused, naming the file and the line of point 2.
    write_file("zero.t", replace_line(read_file("inteoti.t"), 21,
                                      "'Plaza de la Luna' ' ' ' ' 19.699175 -98.843042 0. 0."));
    load_teoti("zero.t");
    try {
        run();
        ADD_FAILURE() << "zero unit accepted";
    } catch (const DataError& e) {
        EXPECT_EQ(e.file(), "zero.t");
        EXPECT_EQ(e.line(), 21);
    }
}

TEST_F(TeotiRun, HeadingPointTable)
{
    p.conj_choice = 2;
    auto lines = run();
    std::size_t i11 = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (starts(lines[i], "    Neptune marker")) i11 = i;
    }
    ASSERT_GT(i11, 0u);
    EXPECT_EQ(lines[i11 + 1], " " + std::string(79, '-'));
    EXPECT_TRUE(starts(lines[i11 + 2], "    C.G. - Sun pyramid"));
    EXPECT_EQ(lines[i11 - 3], std::string("    ") + "Pyramid of the Sun  " + " " + "    19.692500" + " *" +
                                  "  -98.843600" + " *" + "   1265.00" + "  " + "    126.5" + "  ");
    // Points 16 to 18: no coordinates, the mark right-aligned behind each distance.
    EXPECT_EQ(lines[i11 + 6], std::string("    ") + "C.G. + Uranus marker" + "       " + " --- " + "         " +
                                  " --- " + "  " + "    10131.00" + " +" + "   1013.1" + " +");
    EXPECT_TRUE(starts(lines[i11 + 7], "    C.G. + Moon pyramid " + std::string(7, ' ') + " --- " + std::string(9, ' ') + " --- "));
    EXPECT_TRUE(starts(lines[i11 + 8], "    C.G. + Sun pyramid  " + std::string(7, ' ') + " --- " + std::string(9, ' ') + " --- "));
    EXPECT_EQ(lines[i11 + 9], " " + std::string(79, '='));
    EXPECT_EQ(count_containing(lines, "are GPS-results"), 0);

    p.conj_choice = 1;
    lines = run();
    EXPECT_EQ(count_containing(lines, std::string(40, ' ') + "(Data in column \"GPS\" are GPS-results)"), 1);
    EXPECT_EQ(count_containing(lines, "    Position" + std::string(17, ' ') + " GPS lat.     GPS long.    " +
                                          "\"GPS\"" + " [m]     d [mm]"),
              1);
}

TEST_F(TeotiRun, GpsDistances)
{
    teoti_gps_distances();
    const auto& t = astro.teot;
    EXPECT_EQ(t(1, 3), 0.0);
    // The recomputed distances agree with the file's within its rounding to 1 m.
    load_teoti("inteoti.t");
    std::array<double, 19> file{};
    for (int k = 1; k <= 18; ++k) {
        file[static_cast<std::size_t>(k)] = t(k, 3);
        EXPECT_NEAR(t(k, 4) * 10.0, t(k, 3), 0.5) << "map distance of point " << k << " (1:10000)";
    }
    teoti_gps_distances();
    for (int k = 1; k <= 18; ++k) {
        EXPECT_NEAR(t(k, 3) / 1.0003608409162221, file[static_cast<std::size_t>(k)], 0.6) << "point " << k;
    }
    // Points 12 to 14 and 18 to 16 lie symmetrically around point 15.
    for (int k = 12; k <= 14; ++k) EXPECT_NEAR(t(k, 3) + t(30 - k, 3), 2 * t(15, 3), 1e-6);
}

// The straight-line parameters and R^2 of a printed epoch follow from the
// printed table by an ordinary least-squares computation.
TEST_F(TeotiRun, PrintedFitsAgreeWithTheTable)
{
    for (int conj : {1, 3}) {
        for (int luna : {1, 2}) {
            p.conj_choice = conj;
            p.date_mode = luna;
            p.year_from = -3000.0;
            p.year_to = 3000.0;
            p.step_width = 3000.0;
            load_teoti("inteoti.t");
            auto ep = parse_epochs(run());
            ASSERT_EQ(ep.size(), 3u);
            for (const auto& e : ep) {
                ASSERT_EQ(e.rows.size(), 9u);
                ASSERT_EQ(e.u.size(), 3u);
                for (int c = 1; c <= 3; ++c) {
                    double sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0;
                    for (const auto& r : e.rows) {
                        sx += r[0];
                        sy += r[c];
                        sxx += r[0] * r[0];
                        sxy += r[0] * r[c];
                        syy += r[c] * r[c];
                    }
                    const double n = 9;
                    const double u = (n * sxy - sx * sy) / (n * sxx - sx * sx);
                    const double v = (sy - u * sx) / n;
                    const double r = (n * sxy - sx * sy) / std::sqrt((n * sxx - sx * sx) * (n * syy - sy * sy));
                    const double tol_u = std::fabs(u) * 1e-4 + 1e-8;
                    EXPECT_NEAR(e.u[c - 1], u, tol_u) << conj << luna << " column " << c;
                    EXPECT_NEAR(e.v[c - 1], v, 1e-3);
                    EXPECT_NEAR(e.r2[c - 1], r * r, 1e-4);
                    EXPECT_NEAR(e.adj[c - 1], 1 - (1 - r * r) * 8 / 7, 1e-4);
                    EXPECT_NEAR(e.phaeton[c], u * e.phaeton[0] + v, 1e-3);
                }
            }
        }
    }
}

TEST_F(TeotiRun, NormalOutputAndBothUnits)
{
    p.output_detail = 1;
    p.year_from = 0.0;
    p.year_to = 2000.0;
    p.step_width = 1000.0;
    std::ostringstream os;
    auto& u = io::units();
    u.set_terminal(&os);
    u.open_file("out.txt");
    RunState s;
    teoti_run(p, s);
    u.close_file();
    u.set_terminal(nullptr);
    EXPECT_EQ(read_file("out.txt"), os.str());
    const auto lines = lines_of(os.str());
    EXPECT_EQ(count_containing(lines, std::string(26, ' ') + std::string(18, '-') + " R^2 (real) " +
                                          std::string(18, '-')),
              1);
    EXPECT_EQ(count_containing(lines, "        Julian year       (per. distance)        (a)       (aph. distance)"),
              1);
    // The normal rows carry the same R^2 as the extended table.
    std::vector<std::vector<double>> r2;
    for (const auto& l : lines) {
        if (l.size() == 73 && l[15] == '.') r2.push_back(numbers_after(l, 0));
    }
    ASSERT_EQ(r2.size(), 3u);
    p.output_detail = 2;
    auto ep = parse_epochs(run());
    ASSERT_EQ(ep.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(r2[i][0], ep[i].year);
        for (std::size_t c = 0; c < 3; ++c) EXPECT_NEAR(r2[i][c + 1], ep[i].r2[c], 5e-9);
    }
}

TEST_F(TeotiRun, EqualMonumentDistancesGiveAFlatLine)
{
    std::string text = read_file("inteoti.t");
    for (int n = 20; n <= 37; ++n) {
        text = replace_line(text, n, "'p' ' ' ' ' 19.7 -98.8 500. 50.");
    }
    write_file("flat.t", text);
    load_teoti("flat.t");
    auto lines = run();
    auto ep = parse_epochs(lines);
    ASSERT_EQ(ep.size(), 1u);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(ep[0].u[c], 0.0);
        EXPECT_EQ(ep[0].r2[c], 0.0);
    }
    for (const auto& l : lines) EXPECT_EQ(l.find("nan"), std::string::npos) << l;
}

TEST_F(TeotiRun, FailingKeplerOrbitStopsTheRun)
{
    astro.par3(1, 3, 1, 1) = 1.5; // Mercury's eccentricity
    std::ostringstream os;
    io::units().set_terminal(&os);
    RunState s;
    try {
        teoti_run(p, s);
        ADD_FAILURE() << "an open orbit was accepted";
    } catch (const RunStop& e) {
        EXPECT_EQ(e.status(), exit_computation);
    }
    io::units().set_terminal(nullptr);
    EXPECT_EQ(os.str().find("Julian year:"), std::string::npos);
    load_kepler("invsop3.t");
}

TEST(TeotiFile, DamagedCopiesNameTheFile)
{
    ScratchDir dir;
    load_teoti("inteoti.t");
    const double lat8 = astro.teot(8, 1);
    const std::string good = read_file("inteoti.t");
    auto lines = lines_of(good);
    auto join = [](const std::vector<std::string>& ls, std::size_t n) {
        std::string s;
        for (std::size_t i = 0; i < n && i < ls.size(); ++i) s += ls[i] + "\n";
        return s;
    };
    struct Case {
        std::string text;
        int line; // expected line, 0 when any
    };
    const std::vector<Case> cases{
        {join(lines, 10), 0},                                                        // header cut short
        {join(lines, 30), 0},                                                        // only 11 points
        {replace_line(good, 27, "'Phaeton marker' ' ' ' ' 19.68 -98.84 abc 68.1"), 27}, // letters for a number
        {replace_line(good, 37, "'C.G. + Sun pyramid' ' ' '+' 0. 0. 13375."), 0},   // short last record
        {replace_line(good, 22, "'Mercury marker' ' ' ' ' 95. -98.84 94. 9.4"), 22}, // latitude beyond the pole
        {replace_line(good, 23, "'Venus marker' ' ' ' ' 19.68 -98.84 / "), 23},     // values left out
    };
    int k = 0;
    for (const auto& c : cases) {
        const std::string name = "bad" + std::to_string(++k) + ".t";
        write_file(name, c.text);
        try {
            load_teoti(name);
            ADD_FAILURE() << "case " << k << " accepted";
        } catch (const DataError& e) {
            EXPECT_EQ(e.file(), name) << "case " << k;
            EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
            if (c.line != 0) {
                EXPECT_EQ(e.line(), c.line) << "case " << k << ": " << e.what();
            }
        }
        EXPECT_EQ(astro.teot(8, 1), lat8) << "case " << k << " changed the points";
    }
    try {
        load_teoti("missing.t");
        ADD_FAILURE();
    } catch (const DataError& e) {
        EXPECT_EQ(e.kind(), DataError::Kind::missing);
        EXPECT_EQ(e.file(), "missing.t");
    }
}

} // namespace
} // namespace r7
