// The calendar against Meeus' examples and an independent day count, Delta T
// at the borders of its polynomials.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "time/time.hpp"

namespace r7 {
namespace {

struct Date {
    IDate i{};
    RDate r{};
    std::string name;
};


Date date_of(double jde, int calendar)
{
    Date d;
    jdedate(jde, calendar, d.i, d.r, d.name);
    return d;
}

// Gregorian date of a count of days since 1970-01-01 (Hinnant's civil_from_days).
void civil_from_days(long long z, long long& y, int& m, int& d)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = yoe + era * 400;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    if (m <= 2) ++y;
}

// 23:59:59.6 on the civil day whose noon is a whole julian day number.
const double almost = 86399.6 / 86400.0 - 0.5;

TEST(Jdedate, KnownDatesReformNegativeDaysAndCarry)
{
    struct Case { double jde; int calendar, day; std::string_view month; int year, h, m, s; };
    const std::vector<Case> cases{
        // Meeus' examples; the Julian one is a day later in the proleptic Gregorian calendar.
        {2436116.31, 1, 4, " Oct.", 1957, 19, 26, 24},
        {2436116.31, 2, 4, " Oct.", 1957, 19, 26, 24},
        {1842713.0, 2, 27, " Jan.", 333, 12, 0, 0},
        {1842713.0, 1, 28, " Jan.", 333, 12, 0, 0},
        {1507900.13, 2, 28, " May ", -584, 15, 7, 12},
        // 4 Oct. 1582 Julian is followed by 15 Oct. (calendar 1: the day count test below).
        {2299159.5, 2, 4, " Oct.", 1582, 0, 0, 0},
        {2299160.5, 2, 15, " Oct.", 1582, 0, 0, 0},
        // JD 0 is -4712 Jan. 1 Julian; negative day numbers are Gregorian with either calendar.
        {0.0, 2, 1, " Jan.", -4712, 12, 0, 0},
        {0.0, 1, 24, " Nov.", -4713, 12, 0, 0},
        {-1.0, 2, 23, " Nov.", -4713, 12, 0, 0},
        {-0.75, 1, 23, " Nov.", -4713, 18, 0, 0},
        // 23:59:59.6 rounds into the next day, month and year.
        {2459700.0 + almost, 1, 1, " May ", 2022, 0, 0, 0},  // from 30 Apr.
        {2451603.0 + almost, 1, 29, " Feb.", 2000, 0, 0, 0}, // 2000 is a leap year (divisible by 400)
        {2415079.0 + almost, 1, 1, " Mar.", 1900, 0, 0, 0},  // 1900 is none: a common year
        {2459580.0 + almost, 1, 1, " Jan.", 2022, 0, 0, 0},  // from 31 Dec.
        {2299160.0 + almost, 2, 15, " Oct.", 1582, 0, 0, 0}, // from 4 Oct. 1582 Julian
    };
    for (const auto& c : cases) {
        const Date d = date_of(c.jde, c.calendar);
        EXPECT_EQ(std::tuple(static_cast<int>(d.r(7)), std::string(d.name), d.i(3), d.i(4), d.i(5), d.i(6)),
                  std::tuple(c.day, std::string(c.month), c.year, c.h, c.m, c.s))
            << c.jde << " calendar " << c.calendar;
    }
    EXPECT_NEAR(date_of(2436116.31, 2).r(1), 4.81, 1e-8);
    EXPECT_NEAR(date_of(1842713.0, 2).r(1), 27.5, 1e-8);
    EXPECT_NEAR(date_of(1507900.13, 2).r(1), 28.63, 1e-8);
    // The carry keeps the fraction of the day and the month number before it, but counts the year.
    const Date may = date_of(2459700.0 + almost, 1);
    EXPECT_NEAR(may.r(1) - std::floor(may.r(1)), 86399.6 / 86400.0, 1e-7);
    EXPECT_EQ(may.r(2), 4.0);
    EXPECT_EQ(date_of(2459580.0 + almost, 1).r(3), 2022.0);
}

TEST(Ephim, KAndJdeRoundTripAndDecimalYearsAtTheReform)
{
    for (int passage : {1, 2}) {
        for (double k0 : {4519.0, -38912.0, 0.0, 39313.0}) {
            const PassageTime a = ephim(0, passage, 0, 2, {.k = k0, .djde = 99.0});
            const PassageTime b = ephim(1, passage, 0, 2, {.jde = a.jde, .djde = 99.0});
            EXPECT_EQ(a.djde, 0.0);
            EXPECT_NEAR(b.k, k0, 1e-9);
            EXPECT_EQ(b.kint, static_cast<int>(k0));
            EXPECT_NEAR(b.djde, 0.0, 1e-6);
            EXPECT_EQ(b.year, a.year);
        }
    }
    // 15 Oct. 1582 (JDE 2299160.5) is year 1582.7854097 in either calendar;
    // before it the Julian scale runs 10 days behind.
    auto jde = [](int given, int calendar, double year) { return ephim(given, 2, 0, calendar, {.year = year}).jde; };
    EXPECT_NEAR(jde(3, 2, 1582.7854097), 2299160.5, 1e-4);
    EXPECT_NEAR(jde(2, 1, 1582.7854097), 2299160.5, 1e-4);
    EXPECT_NEAR(jde(2, 2, 1582.7854096), 2299170.37, 0.01);
    EXPECT_NEAR(jde(2, 2, 1582.7854097), 2299160.5, 1e-4);
    auto year = [](int calendar, double j) { return ephim(1, 2, 0, calendar, {.jde = j}).year; };
    EXPECT_NEAR(year(2, 2299160.5), 1582.7854097, 1e-6);
    EXPECT_NEAR(year(2, 2299160.4), 1582.7581108830, 1e-9);
}

TEST(Weekday, KnownDaysAndNegativeJde)
{
    auto day = [](double jde) {
        std::string name;
        weekday(jde, name);
        return name;
    };
    EXPECT_EQ(day(2436116.31), "    Friday"); // 1957 Oct. 4
    EXPECT_EQ(day(2451544.5), "  Saturday");  // 2000 Jan. 1: its midnight belongs to it
    EXPECT_EQ(day(2451544.4999), "    Friday");
    EXPECT_EQ(day(-0.5), "    Monday");
    EXPECT_EQ(day(-0.6), "    Sunday");
    EXPECT_EQ(day(-3000000.0), "    Friday"); // -3000000 = 7 * (-428572) + 4
}

TEST(CivilTime, DatesAgreeWithADayCountAndCarryIntoTheNextDay)
{
    // Both Gregorian dates of an instant from year -13000 to 17000 against the
    // day count; 1970-01-01 is JD 2440587.5.
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> jd(-3027458.0, 7930548.0);
    for (int n = 0; n < 20000; ++n) {
        const double t = jd(rng);
        const CivilTime c = civil_time(t, 1);
        const Date got = date_of(t, 1);
        const double days = std::floor(t + 0.5) - 2440588.0;
        long long y = 0;
        int m = 0, d = 0;
        const double ms = std::round((t + 0.5 - std::floor(t + 0.5)) * 86400000.0);
        civil_from_days(static_cast<long long>(days) + (ms >= 86400000.0 ? 1 : 0), y, m, d);
        ASSERT_EQ(std::tuple(c.year, c.month, c.day, c.julian), std::tuple(y, m, d, false)) << t;
        if (ms < 86399000.0) { // jdedate rounds to the second
            ASSERT_EQ(std::tuple(got.i(3), got.r(2), got.r(7)), std::tuple(y, m, d)) << t;
        }
    }
    // Meeus, Astronomical Algorithms, example 7.c: JD 2436116.31 is 1957 Oct. 4.81.
    EXPECT_EQ(iso_date_time(civil_time(2436116.31, 1)), "1957-10-04T19:26:24.000");
    EXPECT_EQ(iso_date_time(civil_time(2451545.0, 2)), "2000-01-01T12:00:00.000");
    // A time that rounds up to midnight shows the next day: 29 Feb. in 2000 (the
    // 400-year rule), 1 March in 1900, and the year after 31 Dec.
    EXPECT_EQ(iso_date_time(civil_time(2451603.5 - 1e-9, 1)), "2000-02-29T00:00:00.000");
    EXPECT_EQ(iso_date_time(civil_time(2415079.5 - 1e-9, 1)), "1900-03-01T00:00:00.000");
    EXPECT_EQ(iso_date_time(civil_time(2451910.5 - 1e-9, 1)), "2001-01-01T00:00:00.000");
    // Calendar 2 is Julian before 15 Oct. 1582 (from day 0 on), Gregorian before day 0.
    const CivilTime reform = civil_time(2299160.5 - 1e-6, 2);
    EXPECT_TRUE(reform.julian);
    EXPECT_EQ(iso_date_time(reform), "1582-10-04T23:59:59.914");
    // 4 Oct. 24:00 (Julian) is 15 Oct. 0:00 (Gregorian).
    EXPECT_FALSE(civil_time(2299160.5 - 1e-9, 2).julian);
    EXPECT_EQ(iso_date_time(civil_time(2299160.5 - 1e-9, 2)), "1582-10-15T00:00:00.000");
    EXPECT_EQ(iso_date_time(civil_time(0.0, 2)), "-4712-01-01T12:00:00.000");
    EXPECT_FALSE(civil_time(-1.0, 2).julian);
    // Years before 0 and after 9999 in the expanded form.
    EXPECT_EQ(iso_date_time(civil_time(-3027458.0, 1)), "-13002-12-31T12:00:00.000");
    EXPECT_EQ(iso_date_time(civil_time(6269180.5, 1)), "+12452-05-01T00:00:00.000");
    EXPECT_EQ(iso_date_time(civil_time(1721059.5, 1)), "0000-01-01T00:00:00.000");
    EXPECT_EQ(iso_date_time(civil_time(1720694.5, 1)), "-0001-01-01T00:00:00.000");
}

TEST(DeltaT, SpanBordersAndLunarCorrection)
{
    // 2000: 63.86 s as observed (Espenak and Meeus), inside 1955..2005 without the lunar correction.
    double t = 2451545.0;
    delta_t(t);
    EXPECT_DOUBLE_EQ(t, 2451545.0 - 63.86 / 86400.0);
    // 500 belongs to the first polynomial, -500 to the long-term parabola; 2005.0001 has the correction.
    EXPECT_NEAR(delta_t_seconds(500.0), 5682.7544218, 1e-6);
    EXPECT_NEAR(delta_t_seconds(-500.0), 17125.7385127, 1e-6);
    EXPECT_NEAR(delta_t_seconds(2005.0), 64.7206462, 1e-6);
    EXPECT_NEAR(delta_t_seconds(2005.0001), 64.6382827, 1e-6); // includes -0.0323 s
    // The polynomials were fitted to join; a mistyped coefficient shows as a jump.
    for (double y : {-500.0, 500.0, 1600.0, 1700.0, 1800.0, 1860.0, 1900.0, 1920.0, 1941.0, 1955.0, 1961.0, 1986.0, 2005.0,
                     2050.0, 2150.0})
        EXPECT_NEAR(delta_t_seconds(y), delta_t_seconds(y + 1e-7), 1.0) << y;
}

} // namespace
} // namespace r7
