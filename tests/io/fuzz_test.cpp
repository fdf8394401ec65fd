// Seeded mutations of the data files, the dialog's answers and the set: a damaged
// file is read or refused naming it; a crash fails with the seed to replay.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
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

// std::mt19937_64 gives the same numbers, so the same cases, with every standard library.
std::size_t below(std::mt19937_64& r, std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(r() % n); }

// Texts for a number: huge, tiny, not finite, not a number.
constexpr std::array<const char*, 16> odd_numbers{
    "1e308", "-1e308", "1e999", "9999999999999999999999", "-2147483649", "2147483648", "NaN", "nan",
    "Inf", "-Infinity", "1.0d400", "0x1p3", "1e-400", "+", "-.e5", "3*"};

// Applies one mutation to the text; returns its description.
std::string mutate(std::string& t, std::mt19937_64& r)
{
    if (t.empty()) return t = odd_numbers[below(r, odd_numbers.size())], "empty file replaced";
    const auto kind = below(r, 8);
    const auto p = below(r, t.size());
    auto v = test::lines_of(t);
    const auto i = below(r, v.size());
    const auto at = v.begin() + static_cast<std::ptrdiff_t>(i);
    const std::string where = " at byte " + std::to_string(p) + ", line " + std::to_string(i + 1);
    if (kind == 0) return t[p] = static_cast<char>(below(r, 256)), "byte changed" + where;
    if (kind == 1) return t[p] = "0123456789+-.eEdD,/*' \"\t\r"[below(r, 25)], "number character" + where;
    if (kind == 2) return t.resize(p), "cut" + where;
    if (kind == 3) return v.erase(at), t = test::joined(v), "deleted" + where;
    if (kind == 4) return v.insert(at, *at), t = test::joined(v), "duplicated" + where;
    if (kind == 7) { // a very long line of digits or blanks
        const std::size_t len = below(r, 2) ? 5000 : (std::size_t{1} << 20) + 100;
        v.insert(at, std::string(len, below(r, 2) ? '7' : ' '));
        return t = test::joined(v), "line of " + std::to_string(len) + " characters inserted" + where;
    }
    // An odd number over the token at p.
    auto a = t.find_last_of(" \n,", p);
    a = a == std::string::npos ? 0 : a + 1;
    const auto b = std::min(t.find_first_of(" \n,", p), t.size());
    const std::string n = odd_numbers[below(r, odd_numbers.size())];
    return t.replace(a, b - a, n), "token replaced by " + n + where;
}

// Replaces the file (a link into the published data is removed, not written through).
void put_file(const std::string& name, const std::string& text)
{
    std::error_code ec;
    fs::remove(name, ec);
    test::write_file(name, text);
}

// A loader: its file, cases, whether some must be accepted / refused, the call.
struct Loader {
    const char* name;
    std::string file;
    int cases;
    bool some_ok, some_refused;
    std::function<void()> load;
};

const std::vector<Loader>& loaders()
{
    static const std::vector<Loader> table{
        {"ParameterSets", "inparm.t", 800, true, true, [] {
             RunParams p;
             for (int set : {1, 3, 16, 94}) inputfile(p, set, 1);
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

class FuzzLoaders : public ::testing::TestWithParam<std::size_t> {};

// The number of cases scaled by R7_FUZZ_PERCENT (the sanitizer build runs a tenth).
int cases(int n)
{
    const char* e = std::getenv("R7_FUZZ_PERCENT");
    return std::max(1, n * std::clamp(e && *e ? std::atoi(e) : 100, 1, 1000) / 100);
}

TEST_P(FuzzLoaders, EveryDamageIsReadOrRefusedNamingTheFile)
{
    test::ScratchDir dir; // the installation's files, inserie.t among them
    test::Terminal term;
    const Loader& l = loaders()[GetParam()];
    const std::string original = read_file(l.file);
    ASSERT_FALSE(original.empty());
    const int n = cases(l.cases);
    int ok = 0, refused = 0;
    for (int i = 0; i < n && !HasFailure(); ++i) { // one reported case is enough to replay
        const std::uint64_t seed = 1000u * (GetParam() + 1) + static_cast<std::uint64_t>(i);
        std::mt19937_64 r(seed);
        std::string text = original, what = l.file + " seed " + std::to_string(seed) + ":";
        for (std::size_t k = 0, m = 1 + below(r, 3); k < m; ++k) what += " " + mutate(text, r) + ";";
        put_file(l.file, text);
        try {
            l.load();
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
    }
    put_file(l.file, original);
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
    int completed = 0;
    for (int i = 0; i < n && !HasFailure(); ++i) {
        std::mt19937_64 r(90000u + static_cast<std::uint64_t>(i));
        std::string input = below(r, 5) == 0 ? answers[below(r, answers.size())] : "0";
        input += "\n";
        for (std::size_t k = 0, m = 5 + below(r, 30); k < m; ++k) {
            // Mostly small codes, so that the dialog gets far.
            input += below(r, 2) ? std::to_string(1 + below(r, 4)) : answers[below(r, answers.size())];
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
        EXPECT_NO_THROW(inputfile(q, 999, 1)) << "answers:\n" << input << "recorded set:\n" << set_records(p);
    }
    EXPECT_GT(completed, n / 20);
}

} // namespace
} // namespace r7
