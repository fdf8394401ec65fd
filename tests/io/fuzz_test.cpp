// Seeded mutations of the data files, the dialog's answers and the set: a damaged
// file is read or refused naming it; a crash or a hang fails with the seed to replay.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ephemeris/kepler.hpp"
#include "ephemeris/short.hpp"
#include "ephemeris/vsop87.hpp"
#include "io/error.hpp"
#include "run/site.hpp"
#include "run/teoti.hpp"
#include "state/dialog.hpp"
#include "state/paramfile.hpp"
#include "state/setcheck.hpp"
#include "state/params.hpp"
#include "test_support.hpp"
#include "transit/series.hpp"

namespace r7 {
namespace {

namespace fs = std::filesystem;
using test::read_file;

// A case running longer than 10 s stops the process naming the case.
char current_case[1024];
void on_alarm(int)
{
    constexpr char head[] = "\nno result within 10 s: ";
    [[maybe_unused]] auto a = write(2, head, sizeof head - 1);
    [[maybe_unused]] auto b = write(2, current_case, std::strlen(current_case));
    _exit(99);
}

// A generator of its own: a seed gives the same cases with every standard library.
struct Rng {
    std::uint64_t s;
    explicit Rng(std::uint64_t seed) : s(seed * 0x9E3779B97F4A7C15ull + 1) {}
    std::size_t below(std::size_t n)
    {
        s ^= s << 13, s ^= s >> 7, s ^= s << 17;
        return n == 0 ? 0 : static_cast<std::size_t>(s % n);
    }
};

// Texts for a number: huge, tiny, not finite, not a number.
constexpr std::array<const char*, 16> odd_numbers{
    "1e308", "-1e308", "1e999", "9999999999999999999999", "-2147483649", "2147483648", "NaN", "nan",
    "Inf", "-Infinity", "1.0d400", "0x1p3", "1e-400", "+", "-.e5", "3*"};

// Applies one mutation to the text; returns its description.
std::string mutate(std::string& t, Rng& r)
{
    if (t.empty()) return t = odd_numbers[r.below(odd_numbers.size())], "empty file replaced";
    const auto kind = r.below(8);
    const auto p = r.below(t.size());
    auto v = test::lines_of(t);
    const auto i = r.below(v.size());
    const auto at = v.begin() + static_cast<std::ptrdiff_t>(i);
    const std::string where = " at byte " + std::to_string(p) + ", line " + std::to_string(i + 1);
    if (kind == 0) return t[p] = static_cast<char>(r.below(256)), "byte changed" + where;
    if (kind == 1) return t[p] = "0123456789+-.eEdD,/*' \"\t\r"[r.below(25)], "number character" + where;
    if (kind == 2) return t.resize(p), "cut" + where;
    if (kind == 3) return v.erase(at), t = test::joined(v), "deleted" + where;
    if (kind == 4) return v.insert(at, *at), t = test::joined(v), "duplicated" + where;
    if (kind == 7) { // a very long line of digits or blanks
        const std::size_t len = r.below(2) ? 5000 : (std::size_t{1} << 20) + 100;
        v.insert(at, std::string(len, r.below(2) ? '7' : ' '));
        return t = test::joined(v), "line of " + std::to_string(len) + " characters inserted" + where;
    }
    // An odd number over the token at p.
    auto a = t.find_last_of(" \n,", p);
    a = a == std::string::npos ? 0 : a + 1;
    const auto b = std::min(t.find_first_of(" \n,", p), t.size());
    const std::string n = odd_numbers[r.below(odd_numbers.size())];
    return t.replace(a, b - a, n), "token replaced by " + n + where;
}

// Replaces the file (a link into the published data is removed, not written through).
void put_file(const std::string& name, const std::string& text)
{
    std::error_code ec;
    fs::remove(name, ec);
    test::write_file(name, text);
}

// A loader: its file, cases, whether some must be accepted / refused, the call, checks after a read.
struct Loader {
    const char* name;
    std::string file;
    int cases;
    bool some_ok, some_refused;
    std::function<void()> load, check = {};
};

std::string inedit_before; // inedit.t as record_run_set found it

// The first 36 lines of a text: the user's part of inedit.t.
std::string head36(const std::string& t)
{
    std::size_t pos = 0;
    for (int i = 0; i < 36 && pos != std::string::npos; ++i) pos = t.find('\n', pos), pos += pos != t.npos;
    return pos == std::string::npos ? t : t.substr(0, pos);
}

const std::vector<Loader>& loaders()
{
    static const std::vector<Loader> table{
        {"ParameterSets", "inparm.t", 800, true, true, [] {
             RunParams p;
             for (int set : {1, 3, 16, 94}) inputfile(p, set, 1);
         }},
        {"EditableSet", "inedit.t", 600, false, true, [] { RunParams p; inputfile(p, 999, 1); }},
        // Recording a set rewrites only the lines from 37 on, however damaged inedit.t is.
        {"RecordingKeepsTheUsersLines", "inedit.t", 150, true, false,
         [] {
             static const RunParams set3 = [] { RunParams p; inputfile(p, 3, 1); return p; }();
             inedit_before = read_file("inedit.t"), record_run_set(set3);
         },
         [] {
             const std::string after = read_file("inedit.t"), h = head36(inedit_before);
             EXPECT_EQ(std::count(h.begin(), h.end(), '\n') == 36 ? head36(after) : after.substr(0, h.size()), h);
             EXPECT_FALSE(fs::exists("inedit.t.new"));
         }},
        {"SiteFileAndInfoText", "ingiza.t", 800, true, true, [] {
             Site site;
             for (int option : {1, 2}) { // Giza, then the chambers
                 RunParams p;
                 p.main_option = option, p.sun_mode = 5, p.level_choice = 1, p.view = 1, p.ephem_choice = 2;
                 if (option == 2) p.planet_order = 1;
                 load_site(p, 0, site);
                 site_geometry(p, site);
             }
             info();
         }},
        {"TeotihuacanPoints", "inteoti.t", 800, true, true, [] { load_teoti(); }},
        {"ShortSeries", "invsop1.t", 600, false, true, [] {
             // Whatever was accepted stays inside the bounds of the series.
             const ShortSeries s = vsop1load();
             for (int k = 1; k <= 12; ++k) {
                 ASSERT_TRUE(s.powers(k) >= 0 && s.powers(k) <= 6) << s.powers(k);
                 for (int i = 1; i <= s.powers(k); ++i) ASSERT_TRUE(s.terms(k, i) >= 0 && s.terms(k, i) <= 69);
             }
             for (int k = 1; k <= 12; ++k) (void)vsop1(s, k, 0.1);
         }},
        {"KeplerElements", "invsop3.t", 800, false, true, [] {
             const KeplerTable table = load_kepler();
             for (int s = 1; s <= 2; ++s)
                 for (int j = 1; j <= 8; ++j) (void)vsop3(table, s, j, 0.5, 6);
         }},
        {"SeriesTable", "inserie.t", 800, false, true, [] { (void)read_ser(); }},
        // Neptune of the A set, the smallest file; it fails where first evaluated.
        {"FullSeriesFile", "VSOP87A.nep", 400, false, true, [] {
             (void)vsop2(test::full_series(1, {8}), 2451545.0, 8, 6);
         }},
    };
    return table;
}

class FuzzLoaders : public ::testing::TestWithParam<std::size_t> {
protected:
    test::ScratchDir dir_; // the installation's files, inserie.t among them
    test::Terminal term_;
};

// The number of cases scaled by R7_FUZZ_PERCENT (the sanitizer build runs a tenth).
int cases(int n)
{
    const char* e = std::getenv("R7_FUZZ_PERCENT");
    return std::max(1, n * std::clamp(e && *e ? std::atoi(e) : 100, 1, 1000) / 100);
}

TEST_P(FuzzLoaders, EveryDamageIsReadOrRefusedNamingTheFile)
{
    const Loader& l = loaders()[GetParam()];
    const std::string original = read_file(l.file);
    ASSERT_FALSE(original.empty());
    const int n = cases(l.cases);
    std::signal(SIGALRM, on_alarm);
    int ok = 0, refused = 0;
    for (int i = 0; i < n && !HasFailure(); ++i) { // one reported case is enough to replay
        const std::uint64_t seed = 1000u * (GetParam() + 1) + static_cast<std::uint64_t>(i);
        Rng r(seed);
        std::string text = original, what = l.file + " seed " + std::to_string(seed) + ":";
        for (std::size_t k = 0, m = 1 + r.below(3); k < m; ++k) what += " " + mutate(text, r) + ";";
        put_file(l.file, text);
        std::snprintf(current_case, sizeof current_case, "%s\n", what.c_str());
        alarm(10);
        try {
            l.load();
            if (l.check) l.check();
            ++ok;
        } catch (const DataError& e) {
            ++refused;
            EXPECT_EQ(e.file(), l.file) << what << "\n" << e.what();
            EXPECT_NE(std::string(e.what()).find(l.file), std::string::npos) << what << "\n" << e.what();
        } catch (const RunStop& e) {
            ++refused;
            EXPECT_NE(std::string(e.what()).find(l.file), std::string::npos) << what << "\n" << e.what();
        } catch (const std::exception& e) {
            ADD_FAILURE() << what << "\nunexpected exception: " << e.what();
        }
        alarm(0);
    }
    put_file(l.file, original);
    if (l.check) l.load(); // the shared state holds the intact data again for later tests
    EXPECT_TRUE(ok > 0 || !l.some_ok);
    EXPECT_TRUE(refused > 0 || !l.some_refused);
}

INSTANTIATE_TEST_SUITE_P(Fuzz, FuzzLoaders, ::testing::Range<std::size_t>(0, loaders().size()),
                         [](const auto& info) { return std::string(loaders()[info.param].name); });

// Codes, times, steps and tolerances at and beyond their limits, and no answers at all.
constexpr std::array<const char*, 49> answers{
    "0", "1", "2", "3", "4", "5", "6", "12", "15", "111", "999", "-804", "21", "380", "2000", "2050", "-13000",
    "17000", "17000.1", "17176", "17177", "-28987", "-30000", "30000", "63000", "4518", "2451545", "1e15",
    "0.5", "1e-300", "1e-5", "0.000004", "24", "9999.9994", "10", "99.99", "100", "1000", "2.718", "-1", "", "/", ",",
    "abc", "NaN", "1e999", "2147483648", "3*1", "'x'"};

// Random answers: no exception but the end of input; every completed set passes
// the set check and reads back from inedit.t as the editable set.
TEST(FuzzDialog, EveryCompletedSetPassesTheSetCheck)
{
    test::ScratchDir dir;
    test::Terminal term;
    const int n = cases(20000);
    const std::string inedit = read_file("inedit.t");
    int completed = 0;
    for (int i = 0; i < n && !HasFailure(); ++i) {
        Rng r(90000u + static_cast<std::uint64_t>(i));
        std::string input = r.below(5) == 0 ? answers[r.below(answers.size())] : "0";
        input += "\n";
        for (std::size_t k = 0, m = 5 + r.below(30); k < m; ++k) {
            // Mostly small codes, so that the dialog gets far.
            input += r.below(2) ? std::to_string(1 + r.below(4)) : answers[r.below(answers.size())];
            input += "\n";
        }
        std::istringstream in(input);
        term.out.str("");
        RunParams p;
        try {
            inputdata(p, in);
        } catch (const EndOfInput&) {
            continue;
        } catch (const std::exception& x) {
            ADD_FAILURE() << "answers:\n" << input << "unexpected exception: " << x.what();
            continue;
        }
        if (p.output_choice == 4) continue;
        ++completed;
        const auto v = check_set(p);
        EXPECT_FALSE(v) << "answers:\n" << input << "refused: " << (v ? v->text : "");
        put_file("inedit.t", default_edit_head(p));
        RunParams q;
        q.menu_choice = 999;
        try {
            inputfile(q, 999, 1);
        } catch (const DataError& x) {
            ADD_FAILURE() << "answers:\n" << input << "recorded set refused: " << x.what() << "\n"
                          << set_records(p);
        }
        put_file("inedit.t", inedit);
    }
    EXPECT_GT(completed, n / 20);
}

// Random values in every field: the check never passes a set whose run could
// not end (too many epochs or steps, times beyond the ephemeris).
TEST(FuzzSetCheck, AcceptedSetsHaveBoundedRuns)
{
    constexpr std::array<double, 17> reals{0.0, 1e-300, 4e-6, 1e-5, 0.001, 0.5, 1.0, 24.0, 99.99, 100.0, 2000.0, 2050.0,
                                           -13000.0, 17176.0, 20000.0, 1e15, -1e308};
    int accepted = 0;
    for (int i = 0; i < 200000; ++i) {
        Rng r(7000u + static_cast<std::uint64_t>(i));
        // Mostly a valid value, so that whole sets get through; else anything.
        const auto code = [&r] { return r.below(4) ? 1 : static_cast<int>(r.below(8)) - 1; };
        const auto real = [&r, &reals] { return r.below(3) ? 0.0 : reals[r.below(reals.size())]; };
        RunParams p;
        p.main_option = 1 + static_cast<int>(r.below(4));
        for (int* f : {&p.conj_choice, &p.ephem_choice, &p.full_flag, &p.combi_flag, &p.frame_choice,
                       &p.table_switch, &p.date_mode, &p.time_scale, &p.calendar_choice, &p.planet_order,
                       &p.passage, &p.sun_mode, &p.level_choice, &p.coord_choice, &p.conj_filter, &p.view,
                       &p.output_detail, &p.output_choice})
            *f = code();
        p.constellation = r.below(2) ? 15 : static_cast<int>(r.below(17));
        p.steps_per_passage = r.below(3) ? 36 : 2147483647;
        for (double* f : {&p.step_width, &p.year_from, &p.year_to, &p.k_number, &p.start_jde, &p.tol_short,
                          &p.tol_full, &p.f_consider, &p.f_print})
            *f = real();
        p.year_from = r.below(2) ? 2000.0 : p.year_from;
        if (r.below(2)) p.year_to = p.year_from + real();
        const auto v = check_set(p);
        if (v) {
            EXPECT_GE(v->record, 0);
            EXPECT_LE(v->record, 6);
            EXPECT_FALSE(v->text.empty());
            continue;
        }
        ++accepted;
        if (p.main_option == 4) {
            EXPECT_LE(teoti_epochs(p.year_from, p.year_to, p.step_width), max_teoti_epochs);
            EXPECT_GE(p.year_from, teoti_year_min);
            EXPECT_LE(p.year_to, teoti_year_max);
        } else if (is_step_scan(p)) {
            // At least min_scan_step_hours, at most max_scan_steps of the steps really taken.
            EXPECT_GE(p.step_width, min_scan_step_hours);
            const double floor_step = std::max(p.step_width, 1e-4 * 24.0);
            EXPECT_LE((p.year_to - p.year_from) * 365.25 * 24.0 / floor_step, max_scan_steps);
        }
        if (p.main_option == 3) {
            EXPECT_LE(std::fabs(p.year_to), 30000.0);
        }
    }
    EXPECT_GT(accepted, 0);
}

} // namespace
} // namespace r7
