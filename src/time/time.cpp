// Time axis: JDE to calendar dates, decimal years and Mercury k-numbers, weekdays,
// and Delta T. All routines are pure functions of their arguments.
#include "time/time.hpp"
#include "state/codes.hpp"
#include "state/constants.hpp"

#include <cmath>
#include <cstdio>

namespace r7 {

namespace {

constexpr std::array<std::string_view, 13> month_names{
    "     ", " Jan.", " Feb.", " Mar.", " Apr.", " May ", " June",
    " July", " Aug.", " Sep.", " Oct.", " Nov.", " Dec."};
constexpr std::array<std::string_view, 7> day_names{
    "    Sunday", "    Monday", "   Tuesday", " Wednesday", "  Thursday", "    Friday", "  Saturday"};

// Rounding to a whole number, halves away from zero.
int iround(double x) { return static_cast<int>(std::lround(x)); }

// Whole numbers with a tolerance for the month-end test.
bool is_whole(double x, double n) { return std::abs(x - n) < 1e-8; }

bool leap_year(int year, bool julian)
{
    if (julian) return year % 4 == 0;
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

// Whole k denotes an aphelion passage in aphelion runs: passage 1 or 3, or the
// free passage 5 with the aphelion flag.
bool half_offset(int passage, int flag)
{
    return passage == Passage::aphelion || passage == Passage::aphelion_area || (passage == Passage::free && flag == 1);
}

} // namespace

std::string_view monat(int month)
{
    if (month < 1 || month > 12) return month_names[0];
    return month_names[static_cast<std::size_t>(month)];
}

std::string_view wday(int index)
{
    if (index < 0 || index > 6) index = ((index % 7) + 7) % 7;
    return day_names[static_cast<std::size_t>(index)];
}

double sdint(double x)
{
    // Beyond 2^52 every double is already whole; std::floor leaves it as it is.
    if (!(std::abs(x) < 4503599627370496.0)) return x;
    return std::floor(x);
}

void jdedate(double jde, int calendar, IDate& idate, RDate& date, std::string& name)
{
    // Calendar date (Meeus' method with a true floor, valid for negative days too).
    const double t = jde + 0.5;
    const double z = sdint(t);
    const double f = t - z;
    const bool julian = calendar == 2 && z >= 0.0 && z < gregorian_first_day;
    double a = z;
    if (!julian) {
        const double alpha = sdint((z - 1867216.25) / 36524.25);
        a = z + 1.0 + alpha - sdint(alpha / 4.0);
    }
    const double b = a + 1524.0;
    const double c = sdint((b - 122.1) / 365.25);
    const double d = sdint(365.25 * c);
    const double e = sdint((b - d) / 30.6001);
    // The small addition keeps a time on a whole second from falling just below it.
    double day = b - d - sdint(30.6001 * e) + f + 5e-9;
    const double month = e < 14.0 ? e - 1.0 : e - 13.0;
    double year = month > 2.0 ? c - 4716.0 : c - 4715.0;

    // Time of day.
    double dd = sdint(day);
    const double h = (day - dd) * 24.0;
    const double hour = sdint(h);
    const double m = (h - hour) * 60.0;
    const double s = (m - sdint(m)) * 60.0;

    date(1) = day;
    date(2) = month;
    date(3) = year;
    date(4) = hour;
    date(5) = m;
    date(6) = s;
    date(7) = dd;

    int iyear = iround(year);
    int ihour = static_cast<int>(hour);
    // Minutes rounded down, with a small tolerance below the next whole minute.
    int imin = iround(m - 0.5 + 1e-10);
    // Seconds are counted from the minute actually shown: when the tolerance has
    // already lifted the minute, the seconds left over are zero, not a second
    // carry of 60 that would advance the minute twice.
    int isec = iround((m - imin) * 60.0);
    if (isec < 0) isec = 0;

    // Carries: second -> minute -> hour -> day.
    bool day_carry = false;
    if (isec >= 60) {
        isec -= 60;
        ++imin;
    }
    if (imin > 59) {
        imin -= 60;
        ++ihour;
    }
    if (ihour > 23) {
        ihour -= 24;
        day += 1.0;
        dd = sdint(day);
        day_carry = true;
    }

    int imonth = static_cast<int>(month);
    name = std::string(monat(imonth));
    if (day_carry) {
        // The day after 4 Oct. 1582 in the Julian branch is 15 Oct. 1582.
        if (julian && z == gregorian_first_day - 1.0) {
            day += 10.0;
            dd = sdint(day);
        }
        // Month end: a carry past the last day of the month moves to the first of
        // the next month, with the fraction of the day kept.
        const bool m31 = imonth == 1 || imonth == 3 || imonth == 5 || imonth == 7 || imonth == 8 ||
                         imonth == 10 || imonth == 12;
        const bool m30 = imonth == 4 || imonth == 6 || imonth == 9 || imonth == 11;
        const double feb_next = leap_year(iyear, julian) ? 30.0 : 29.0;
        const bool past_end = (m31 && is_whole(dd, 32.0)) || (m30 && is_whole(dd, 31.0)) ||
                              (imonth == 2 && is_whole(dd, feb_next));
        if (past_end) {
            day = day + 1.0 - dd;
            dd = sdint(day);
            if (imonth == 12) {
                year += 1.0;
                ++iyear;
                name = std::string(monat(1));
            } else {
                name = std::string(monat(imonth + 1));
            }
        }
        date(1) = day;
        date(3) = year;
        date(7) = dd;
    }

    idate(3) = iyear;
    idate(4) = ihour;
    idate(5) = imin;
    idate(6) = isec;
}

void akday(int direction, int passage, int flag, double& k, int& kint, double& jde)
{
    const bool half = half_offset(passage, flag);
    if (direction == 0) {
        const double x = half ? k - 0.5 : k;
        jde = x * mercury_period + mercury_epoch;
    } else {
        k = (jde - mercury_epoch) / mercury_period;
        if (half) k += 0.5;
        kint = iround(k);
    }
}

PassageTime ephim(int given, int passage, int flag, int calendar, PassageTime t)
{
    double& k = t.k;
    int& kint = t.kint;
    double& jde = t.jde;
    double& year = t.year;
    double& djde = t.djde;
    if (given <= 1) {
        if (given == 0) akday(0, passage, flag, k, kint, jde);
        // Decimal year: Julian year scale before the reform with calendar 2.
        if (calendar == 2 && jde >= 0.0 && jde < gregorian_first_midnight) {
            year = jde / 365.25 - 4712.0;
        } else {
            year = (jde - jd2000) / days_per_gregorian_year + 2000.0;
        }
        if (given == 1) akday(1, passage, flag, k, kint, jde);
        // Offset from the passage with the nearest whole k.
        double kr = std::round(k);
        if (given == 0) kint = iround(kr);
        double jde_r = 0.0;
        int kdummy = 0;
        akday(0, passage, flag, kr, kdummy, jde_r);
        djde = jde - jde_r;
    } else {
        if (calendar == 2 && given == 2 && year >= -4712.0 && year < 1582.7854097) {
            jde = (year + 4712.0) * 365.25;
        } else {
            jde = (year - 2000.0) * days_per_gregorian_year + jd2000;
        }
        akday(1, passage, flag, k, kint, jde);
    }
    return t;
}

void weekday(double jde, std::string& name)
{
    // 700,000,000 is a multiple of 7 that keeps the day number positive.
    const double n = sdint(jde + 700000001.5);
    int index = iround(n - 7.0 * sdint(n / 7.0));
    if (index < 0 || index > 6) index = ((index % 7) + 7) % 7;
    name = std::string(day_names[static_cast<std::size_t>(index)]);
}

double delta_t_seconds(double y)
{
    double dt;
    if (y > -500.0 && y <= 500.0) {
        const double u = y / 100.0;
        dt = 10583.6 + u * (-1014.41 + u * (33.78311 + u * (-5.952053 +
             u * (-0.1798452 + u * (0.022174192 + u * 0.0090316521)))));
    } else if (y > 500.0 && y <= 1600.0) {
        const double u = (y - 1000.0) / 100.0;
        dt = 1574.2 + u * (-556.01 + u * (71.23472 + u * (0.319781 +
             u * (-0.8503463 + u * (-0.005050998 + u * 0.0083572073)))));
    } else if (y > 1600.0 && y <= 1700.0) {
        const double t = y - 1600.0;
        dt = 120.0 + t * (-0.9808 + t * (-0.01532 + t / 7129.0));
    } else if (y > 1700.0 && y <= 1800.0) {
        const double t = y - 1700.0;
        dt = 8.83 + t * (0.1603 + t * (-0.0059285 + t * (0.00013336 - t / 1174000.0)));
    } else if (y > 1800.0 && y <= 1860.0) {
        const double t = y - 1800.0;
        dt = 13.72 + t * (-0.332447 + t * (0.0068612 + t * (0.0041116 + t * (-0.00037436 +
             t * (0.0000121272 + t * (-0.0000001699 + t * 0.000000000875))))));
    } else if (y > 1860.0 && y <= 1900.0) {
        const double t = y - 1860.0;
        dt = 7.62 + t * (0.5737 + t * (-0.251754 + t * (0.01680668 + t * (-0.0004473624 + t / 233174.0))));
    } else if (y > 1900.0 && y <= 1920.0) {
        const double t = y - 1900.0;
        dt = -2.79 + t * (1.494119 + t * (-0.0598939 + t * (0.0061966 - t * 0.000197)));
    } else if (y > 1920.0 && y <= 1941.0) {
        const double t = y - 1920.0;
        dt = 21.2 + t * (0.84493 + t * (-0.0761 + t * 0.0020936));
    } else if (y > 1941.0 && y <= 1961.0) {
        const double t = y - 1950.0;
        dt = 29.07 + t * (0.407 + t * (-1.0 / 233.0 + t / 2547.0));
    } else if (y > 1961.0 && y <= 1986.0) {
        const double t = y - 1975.0;
        dt = 45.45 + t * (1.067 + t * (-1.0 / 260.0 - t / 718.0));
    } else if (y > 1986.0 && y <= 2005.0) {
        const double t = y - 2000.0;
        dt = 63.86 + t * (0.3345 + t * (-0.060374 + t * (0.0017275 + t * (0.000651814 + t * 0.00002373599))));
    } else if (y > 2005.0 && y <= 2050.0) {
        const double t = y - 2000.0;
        dt = 62.92 + t * (0.32217 + t * 0.005589);
    } else if (y > 2050.0 && y <= 2150.0) {
        const double u = (y - 1820.0) / 100.0;
        dt = -20.0 + 32.0 * u * u - 0.5628 * (2150.0 - y);
    } else {
        const double u = (y - 1820.0) / 100.0;
        dt = -20.0 + 32.0 * u * u;
    }
    // Secular acceleration of the Moon, outside the span the polynomials were fitted to.
    if (y < 1955.0 || y > 2005.0) {
        const double dy = y - 1955.0;
        dt -= 0.000012932 * dy * dy;
    }
    return dt;
}

void delta_t(double& t)
{
    const double y = (t - jd2000) / days_per_gregorian_year + 2000.0;
    t -= delta_t_seconds(y) / seconds_per_day;
}

CivilTime civil_time(double jd, int calendar)
{
    // Whole milliseconds of the day first, so that rounding carries into the
    // date instead of showing 60 seconds.
    constexpr double ms_per_day = 86400000.0;
    double z = sdint(jd + 0.5);
    double ms = std::round((jd + 0.5 - z) * ms_per_day);
    if (ms >= ms_per_day) {
        z += 1.0;
        ms -= ms_per_day;
    }
    CivilTime t;
    t.julian = calendar == 2 && z >= 0.0 && z < gregorian_first_day;
    // Meeus, Astronomical Algorithms (2nd ed.), ch. 7, with a true floor.
    double a = z;
    if (!t.julian) {
        const double alpha = sdint((z - 1867216.25) / 36524.25);
        a = z + 1.0 + alpha - sdint(alpha / 4.0);
    }
    const double b = a + 1524.0;
    const double c = sdint((b - 122.1) / 365.25);
    const double d = sdint(365.25 * c);
    const double e = sdint((b - d) / 30.6001);
    t.day = static_cast<int>(b - d - sdint(30.6001 * e));
    t.month = static_cast<int>(e < 14.0 ? e - 1.0 : e - 13.0);
    t.year = static_cast<long long>(t.month > 2 ? c - 4716.0 : c - 4715.0);
    const long long m = static_cast<long long>(ms);
    t.hour = static_cast<int>(m / 3600000);
    t.minute = static_cast<int>(m / 60000 % 60);
    t.second = static_cast<double>(m % 60000) / 1000.0;
    return t;
}

std::string iso_date_time(const CivilTime& t)
{
    char year[32];
    if (t.year < 0) {
        std::snprintf(year, sizeof year, "-%04lld", -t.year);
    } else if (t.year > 9999) {
        std::snprintf(year, sizeof year, "+%lld", t.year);
    } else {
        std::snprintf(year, sizeof year, "%04lld", t.year);
    }
    const long long ms = std::llround(t.second * 1000.0);
    char rest[48];
    std::snprintf(rest, sizeof rest, "-%02d-%02dT%02d:%02d:%02lld.%03lld", t.month, t.day, t.hour, t.minute,
                  ms / 1000, ms % 1000);
    return std::string(year) + rest;
}

} // namespace r7
