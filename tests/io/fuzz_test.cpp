// Seeded mutation tests of the readers of the data files. Each real file is
// damaged in thousands of reproducible ways (bytes changed, lines deleted,
// duplicated or swapped, the file cut short, huge numbers, NaN and Inf texts,
// very long lines) and read by its loader in the program's own process. Every
// read must either succeed or throw a DataError or RunStop whose message names
// the file; any other exception, a crash or a read that does not finish within
// a few seconds is a fault. A failure names the seed and the mutations, so that
// the case can be replayed.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ephemeris/kepler.hpp"
#include "ephemeris/short.hpp"
#include "ephemeris/vsop87.hpp"
#include "io/error.hpp"
#include "io/freeread.hpp"
#include "io/units.hpp"
#include "run/site.hpp"
#include "run/teoti.hpp"
#include "state/paramfile.hpp"
#include "state/params.hpp"
#include "state/store.hpp"
#include "test_support.hpp"
#include "transit/series.hpp"

namespace r7 {
namespace {

namespace fs = std::filesystem;
using test::read_file;
using test::ScratchDir;

// ---------------------------------------------------------------- watchdog

// One case must finish within this time; the whole process is stopped
// otherwise, with the case on standard error (a hang would else only show as
// the test runner's timeout, without the case).
constexpr auto case_limit = std::chrono::seconds(10);

class Watchdog {
public:
    Watchdog() : thread_([this] { watch(); }) {}
    ~Watchdog()
    {
        stop_ = true;
        thread_.join();
    }
    void start(const std::string& what)
    {
        std::lock_guard lock(m_);
        what_ = what;
        since_ = std::chrono::steady_clock::now();
        busy_ = true;
    }
    void done()
    {
        std::lock_guard lock(m_);
        busy_ = false;
    }

private:
    void watch()
    {
        while (!stop_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            std::lock_guard lock(m_);
            if (busy_ && std::chrono::steady_clock::now() - since_ > case_limit) {
                std::fprintf(stderr, "\nno result within %lld s: %s\n",
                             static_cast<long long>(case_limit.count()), what_.c_str());
                std::fflush(stderr);
                std::_Exit(99);
            }
        }
    }
    std::mutex m_;
    std::string what_;
    std::chrono::steady_clock::time_point since_{};
    bool busy_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// ---------------------------------------------------------------- mutations

// A small generator of its own, so that a seed gives the same cases with every
// standard library.
struct Rng {
    std::uint64_t s;
    explicit Rng(std::uint64_t seed) : s(seed * 0x9E3779B97F4A7C15ull + 1) {}
    std::uint64_t next()
    {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return s;
    }
    std::size_t below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(next() % n); }
};

std::vector<std::string> split(const std::string& t)
{
    std::vector<std::string> v;
    std::size_t a = 0;
    while (a < t.size()) {
        auto b = t.find('\n', a);
        if (b == std::string::npos) b = t.size();
        v.push_back(t.substr(a, b - a));
        a = b + 1;
    }
    return v;
}

std::string join(const std::vector<std::string>& v)
{
    std::string t;
    for (const auto& l : v) t += l + '\n';
    return t;
}

// Texts that stand in for a number: huge, tiny, not finite, not a number.
constexpr std::array<const char*, 16> odd_numbers{
    "1e308", "-1e308", "1e999", "9999999999999999999999", "-2147483649", "2147483648", "NaN", "nan",
    "Inf", "-Infinity", "1.0d400", "0x1p3", "1e-400", "+", "-.e5", "3*"};

// Applies one mutation to the text; returns its description.
std::string mutate(std::string& t, Rng& r)
{
    const auto kind = r.below(10);
    if (t.empty()) {
        t = odd_numbers[r.below(odd_numbers.size())];
        return "empty file replaced";
    }
    switch (kind) {
    case 0: { // one byte changed
        const auto p = r.below(t.size());
        t[p] = static_cast<char>(r.below(256));
        return "byte " + std::to_string(p) + " changed";
    }
    case 1: { // one byte changed to a character that belongs to numbers
        constexpr std::string_view chars = "0123456789+-.eEdD,/*' \"\t\r";
        const auto p = r.below(t.size());
        t[p] = chars[r.below(chars.size())];
        return "byte " + std::to_string(p) + " changed to a number character";
    }
    case 2: { // cut short
        const auto p = r.below(t.size());
        t.resize(p);
        return "cut at byte " + std::to_string(p);
    }
    case 3: { // a line deleted
        auto v = split(t);
        const auto i = r.below(v.size());
        v.erase(v.begin() + static_cast<std::ptrdiff_t>(i));
        t = join(v);
        return "line " + std::to_string(i + 1) + " deleted";
    }
    case 4: { // a line duplicated
        auto v = split(t);
        const auto i = r.below(v.size());
        v.insert(v.begin() + static_cast<std::ptrdiff_t>(i), v[i]);
        t = join(v);
        return "line " + std::to_string(i + 1) + " duplicated";
    }
    case 5: { // two lines swapped
        auto v = split(t);
        const auto i = r.below(v.size()), j = r.below(v.size());
        std::swap(v[i], v[j]);
        t = join(v);
        return "lines " + std::to_string(i + 1) + " and " + std::to_string(j + 1) + " swapped";
    }
    case 6:
    case 7: { // an odd number over a token
        const auto p = r.below(t.size());
        auto a = t.find_last_of(" \n,", p);
        a = a == std::string::npos ? 0 : a + 1;
        auto b = t.find_first_of(" \n,", p);
        if (b == std::string::npos) b = t.size();
        const std::string n = odd_numbers[r.below(odd_numbers.size())];
        t.replace(a, b - a, n);
        return "token at byte " + std::to_string(a) + " replaced by " + n;
    }
    case 8: { // a very long line inserted
        auto v = split(t);
        const auto i = r.below(v.size() + 1);
        const std::size_t len = r.below(2) ? 5000 : (std::size_t{1} << 20) + 100;
        v.insert(v.begin() + static_cast<std::ptrdiff_t>(i), std::string(len, r.below(2) ? '7' : ' '));
        t = join(v);
        return "line of " + std::to_string(len) + " characters inserted before line " + std::to_string(i + 1);
    }
    default: { // line ends changed
        const auto p = r.below(t.size());
        const auto nl = t.find('\n', p);
        if (nl == std::string::npos) return "no change";
        if (r.below(2)) {
            t.insert(nl, "\r");
            return "carriage return before the line end at byte " + std::to_string(nl);
        }
        t.erase(nl, 1);
        return "line end at byte " + std::to_string(nl) + " removed";
    }
    }
}

// Replaces the file (a link into the published data is removed first, so
// that the published copy is never written to).
void put_file(const std::string& name, const std::string& text)
{
    std::error_code ec;
    fs::remove(name, ec);
    test::write_file(name, text);
}

// Runs n seeded cases: the file is damaged by one to three mutations and read;
// check() may add its own checks after a successful read.
struct Stats {
    int ok = 0, refused = 0;
};

// R7_FUZZ_PERCENT scales the number of cases (the sanitizer build runs a tenth).
int scaled(int n)
{
    const char* e = std::getenv("R7_FUZZ_PERCENT");
    const int percent = e && *e ? std::atoi(e) : 100;
    return std::max(1, n * std::clamp(percent, 1, 1000) / 100);
}

Stats fuzz(const std::string& file, const std::string& original, int n, std::uint64_t seed0,
           const std::function<void()>& load, const std::function<void()>& check = {})
{
    static Watchdog dog;
    Stats st;
    n = scaled(n);
    for (int i = 0; i < n; ++i) {
        const std::uint64_t seed = seed0 + static_cast<std::uint64_t>(i);
        Rng r(seed);
        std::string text = original;
        std::string what = file + " seed " + std::to_string(seed) + ":";
        const auto m = 1 + r.below(3);
        for (std::size_t k = 0; k < m; ++k) what += " " + mutate(text, r) + ";";
        put_file(file, text);
        dog.start(what);
        try {
            load();
            if (check) check();
            ++st.ok;
        } catch (const DataError& e) {
            ++st.refused;
            EXPECT_EQ(e.file(), file) << what << "\n" << e.what();
            EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << what << "\n" << e.what();
        } catch (const RunStop& e) {
            ++st.refused;
            EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << what << "\n" << e.what();
        } catch (const std::exception& e) {
            ADD_FAILURE() << what << "\nunexpected exception: " << e.what();
        }
        dog.done();
        if (::testing::Test::HasFailure()) break; // one reported case is enough to replay
    }
    put_file(file, original);
    return st;
}

// The terminal of the program goes to a string during these tests.
class Fuzz : public ::testing::Test {
protected:
    void SetUp() override { io::units().set_terminal(&term_); }
    void TearDown() override { io::units().set_terminal(nullptr); }
    std::ostringstream term_;
    ScratchDir dir_;
};

// ---------------------------------------------------------------- the readers

TEST_F(Fuzz, FreeFormatReader)
{
    // Records of every target type, read until the source ends: the reader
    // alone, without a loader's own checks in front of it.
    const std::string original = read_file("inparm.t").substr(0, 4000);
    const auto st = fuzz("records.t", original, 1500, 1000, [] {
        io::FreeReader rd("records.t");
        rd.skip_lines(2);
        for (int k = 0; k < 400 && !rd.at_end(); ++k) {
            int i = 0;
            double x = 0.0;
            std::string s;
            switch (k % 4) {
            case 0: rd.read({&i, &i, &i, &i, &i}); break;
            case 1: rd.read({&x, &x, &x, &x}); break;
            case 2: rd.read({&s}); break;
            default: rd.read({&i, &x, &s}); break;
            }
            if (!std::isfinite(x)) throw std::logic_error("a non-finite number was read");
        }
    });
    EXPECT_GT(st.refused, 0);
}

TEST_F(Fuzz, ParameterSets)
{
    RunParams p;
    const auto a = fuzz("inparm.t", read_file("inparm.t"), 800, 2000, [&p] {
        for (int set : {1, 3, 16, 94}) inputfile(p, set, 1);
    });
    EXPECT_GT(a.ok, 0);
    EXPECT_GT(a.refused, 0);
    const auto b = fuzz("inedit.t", read_file("inedit.t"), 600, 3000, [&p] { inputfile(p, 999, 1); });
    EXPECT_GT(b.refused, 0);
}

TEST_F(Fuzz, RecordingTheRunKeepsTheUsersLines)
{
    // However damaged inedit.t is, recording a run's set rewrites only the
    // lines from 37 on; the user's 36 lines stay byte for byte.
    RunParams p;
    inputfile(p, 3, 1);
    std::string before;
    const auto head = [](const std::string& t) {
        std::size_t pos = 0;
        for (int i = 0; i < 36 && pos != std::string::npos; ++i) {
            pos = t.find('\n', pos);
            if (pos != std::string::npos) ++pos;
        }
        return pos == std::string::npos ? t : t.substr(0, pos);
    };
    fuzz(
        "inedit.t", read_file("inedit.t"), 150, 4000,
        [&] {
            before = read_file("inedit.t");
            record_run_set(p);
        },
        [&] {
            const std::string after = read_file("inedit.t");
            const std::string h = head(before);
            // A file of fewer than 36 lines is completed from the default text.
            if (std::count(before.begin(), before.end(), '\n') >= 36) {
                EXPECT_EQ(head(after), h);
            } else {
                EXPECT_EQ(after.substr(0, h.size()), h);
            }
            EXPECT_FALSE(fs::exists("inedit.t.new"));
        });
}

TEST_F(Fuzz, SiteFileAndInfoText)
{
    RunParams giza, chambers;
    giza.main_option = 1;
    giza.sun_mode = 5;
    giza.level_choice = 1;
    giza.view = 1;
    giza.ephem_choice = 2;
    chambers = giza;
    chambers.main_option = 2;
    chambers.planet_order = 1;
    Site site;
    const auto st = fuzz("ingiza.t", read_file("ingiza.t"), 800, 5000, [&] {
        load_site(giza, 0, site);
        site_geometry(giza, site);
        load_site(chambers, 0, site);
        site_geometry(chambers, site);
        info();
    });
    EXPECT_GT(st.ok, 0);
    EXPECT_GT(st.refused, 0);
}

TEST_F(Fuzz, TeotihuacanPoints)
{
    const auto st = fuzz("inteoti.t", read_file("inteoti.t"), 800, 6000, [] { load_teoti(); });
    EXPECT_GT(st.ok, 0);
    EXPECT_GT(st.refused, 0);
}

TEST_F(Fuzz, ShortSeries)
{
    const auto st = fuzz("invsop1.t", read_file("invsop1.t"), 600, 7000, [] { vsop1load(); }, [] {
        // Whatever was accepted stays inside the store's bounds.
        for (int k = 1; k <= 12; ++k) {
            ASSERT_GE(base.lmax(k), 0);
            ASSERT_LE(base.lmax(k), 6);
            for (int i = 1; i <= base.lmax(k); ++i) {
                ASSERT_GE(base.jp(k, i), 0);
                ASSERT_LE(base.jp(k, i), 69);
            }
        }
        double v = 0.0;
        for (int k = 1; k <= 12; ++k) vsop1(k, 0.1, v);
    });
    EXPECT_GT(st.refused, 0);
    vsop1load(); // the intact series for the tests after this one
}

TEST_F(Fuzz, KeplerElements)
{
    const auto st = fuzz("invsop3.t", read_file("invsop3.t"), 800, 8000, [] { load_kepler(); }, [] {
        KeplerElements el;
        for (int s = 1; s <= 2; ++s) {
            for (int j = 1; j <= 8; ++j) {
                int ke = 0;
                vsop3(s, j, 6, ke, 0.5, el);
            }
        }
    });
    EXPECT_GT(st.refused, 0);
    load_kepler();
}

TEST_F(Fuzz, SeriesTable)
{
    astro.ser.fill(0.0);
    for (int s = -150; s <= 154; ++s) astro.ser(s, 1) = 2451545.0 + 16802.2 * s;
    for (int s = -6; s <= 18; ++s) astro.ser(s, 2) = 2451545.0 + 88756.13 * s;
    astro.ser(19, 2) = 1e12;
    const std::string table = series_file_text();
    const auto st = fuzz("inserie.t", table, 800, 9000, [] { read_ser(); });
    EXPECT_GT(st.refused, 0);
}

TEST_F(Fuzz, FullSeriesFile)
{
    // Neptune of the A set: the smallest of the published files.
    const std::string file = "VSOP87A.nep";
    const std::string original = read_file(file);
    ASSERT_FALSE(original.empty());
    int last_ierr = 0;
    const auto st = fuzz(file, original, 400, 10000, [&] {
        LoadState kload;
        kload.fill(1);
        std::array<double, 3> xyz{}, lbr{};
        vsop2(2451545.0, 1, 8, kload, 6, 0.0, 10, xyz, last_ierr, lbr);
    });
    EXPECT_GT(st.refused, 0);
}

TEST_F(Fuzz, FullSeriesFileCutAtASeriesBoundary)
{
    // A file that ends exactly after a series reads without a parse error; it
    // must still not pass for a complete one, or the missing coordinates would
    // come out as zeros.
    const std::string file = "VSOP87A.mer";
    const auto lines = split(read_file(file));
    std::vector<std::size_t> headers; // line indices of the coordinate changes
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto& l = lines[i];
        if (l.size() > 59 && l.compare(1, 6, "VSOP87") == 0 && l[59] == '0' && l[41] != '1') headers.push_back(i);
    }
    ASSERT_EQ(headers.size(), 2u);
    for (std::size_t h : headers) {
        put_file(file, join(std::vector<std::string>(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(h))));
        LoadState kload;
        kload.fill(1);
        std::array<double, 3> xyz{}, lbr{};
        int ierr = 0;
        try {
            vsop2(2451545.0, 1, 1, kload, 6, 0.0, 10, xyz, ierr, lbr);
            ADD_FAILURE() << "a file cut before line " << h + 1 << " was taken as complete";
        } catch (const DataError& e) {
            EXPECT_EQ(e.file(), file);
            EXPECT_EQ(e.kind(), DataError::Kind::end_of_file) << e.what();
        }
        EXPECT_EQ(kload[1], 1);
    }
}

} // namespace
} // namespace r7
