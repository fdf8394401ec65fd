// Time axis of the system: Julian Ephemeris Day (TT), calendar dates in the
// Julian or Gregorian calendar, decimal years, k-numbers of the Mercury passages,
// weekdays, and Universal Time through Delta T.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "state/farray.hpp"

namespace r7 {

// monat: the name of a month.
// Takes:    the month, 1..12.
// Returns:  " Jan." ... " Dec." (" May ", " June", " July"); five blanks for any
//           other month.
std::string_view monat(int month);

// wday: the name of a weekday.
// Takes:    the index, 0 Sunday .. 6 Saturday (others taken modulo 7).
// Returns:  the name right-justified in 10 characters ("    Sunday").
std::string_view wday(int index);

// sdint: the floor of a real, as a real.
// Takes:    x.
// Returns:  the greatest whole number not above x; magnitudes of 2^52 and more
//           (already whole), infinities and NaN are returned unchanged.
double sdint(double x);

// Integer part of a date: entries 3..6 year, hour, minute, second (1 and 2 belong
// to the caller). Real part: 1 day with fraction, 2 month, 3 year, 4 hour,
// 5 minutes with fraction, 6 seconds with fraction, 7 whole day.
using IDate = FArray<int, 1, 6>;
using RDate = FArray<double, 1, 7>;

// jdedate: the calendar date and time of a JDE.
// Takes:    the JDE, the calendar (1 Gregorian throughout, 2 Julian before the
//           reform, JDE 2299160.5 = 15 Oct. 1582).
// Returns:  idate: year, hour, minute, second (entries 3..6), rounded;
//           date: the day with its fraction, the month, the year, the hour, the
//           minutes and the seconds with their fractions, the whole day
//           (entries 1..7); the month's name (monat).
// Notes:    1. Negative day numbers are always Gregorian.
//           2. Minutes are rounded down (with a tolerance of 1e-10 below the
//              next), seconds rounded. A time that rounds to 24:00:00 carries
//              into the next day, month and year (29 Feb. only in leap years,
//              4 Oct. 1582 Julian to 15 Oct.); the carried month shows in the
//              name, the month number date(2) keeps the month before the carry.
// Source:   Meeus, Astronomical Algorithms, 2nd ed., 1998, ch. 7 (with a true
//           floor, so valid for negative day numbers too).
void jdedate(double jde, int calendar, IDate& idate, RDate& date, std::string& name);

// A calendar date and time at full precision, in the calendar jdedate chooses.
struct CivilTime {
    long long year = 0;  // astronomical numbering: 0 is 1 BC, -1 is 2 BC
    int month = 1, day = 1, hour = 0, minute = 0;
    double second = 0.0; // with its fraction, to the millisecond
    bool julian = false; // the date is one of the Julian calendar
};

// civil_time: the calendar date and time of a Julian Day, to the millisecond.
// Takes:    the Julian Day, the calendar as for jdedate (1 Gregorian throughout,
//           2 Julian before the reform for day numbers from 0 on).
// Returns:  the date and time; julian tells the calendar it is given in.
// Notes:    1. The time of day is rounded to whole milliseconds first, so that
//              a rounding carries into the date instead of showing 60 seconds.
// Source:   Meeus, Astronomical Algorithms, 2nd ed., 1998, ch. 7.
CivilTime civil_time(double jd, int calendar);

// iso_date_time: the ISO 8601 text of a civil time.
// Takes:    the civil time.
// Returns:  "2003-05-07T05:13:19.234"; years before 0 and after 9999 in the
//           expanded form with a sign ("-0999-05-07T...", "+12453-09-08T...").
// Notes:    1. The calendar is that of the civil time, which for Julian dates is
//              not the proleptic Gregorian calendar of the standard: say it
//              beside.
// Source:   ISO 8601 (the extended format, with expanded years).
std::string iso_date_time(const CivilTime& t);

// An instant in the scales of the program.
struct PassageTime {
    double k = 0.0;    // k-number (real): passages of Mercury since the epoch
    int kint = 0;      // k rounded to the whole passage
    double jde = 0.0;  // Julian Ephemeris Day (TT)
    double year = 0.0; // decimal year
    double djde = 0.0; // days from the passage of the nearest whole k
};

// ephim: conversion among k-number, JDE and decimal year.
// Takes:    given, the field of t that is set: 0 k, 1 jde, 2 the decimal year
//           (on the Julian scale before the reform with calendar 2), 3 and
//           above the decimal year on the Gregorian scale; the passage and the
//           flag of akday; the calendar (2 Julian before the reform); the
//           instant t.
// Returns:  t with the other fields computed: from k, kint (rounded), jde, the
//           year and djde; from jde, k, kint, the year and djde; from the
//           year, jde, k and kint (djde as given).
// Source:   the k-numbers of this program (Mercury's period 87.96934963 d);
//           the Julian year and the mean Gregorian year for decimal years.
PassageTime ephim(int given, int passage, int flag, int calendar, PassageTime t);

// akday: the JDE of a k-number, or the k-number of a JDE.
// Takes:    the direction (0 jde from k, 1 k and kint from jde), the passage
//           and the flag, k or jde.
// Returns:  direction 0: jde = k P + E; direction 1: k = (jde - E) / P and kint,
//           k rounded (halves away from zero). P is Mercury's period
//           (mercury_period), E the perihelion passage k = 0 (mercury_epoch).
// Notes:    1. In aphelion runs (passage 1 or 3, or 5 with flag 1) whole k
//              denote aphelion passages: k is shifted by one half.
// Source:   the k-numbers of this program.
void akday(int direction, int passage, int flag, double& k, int& kint, double& jde);

// weekday: the weekday of the day that contains a JDE.
// Takes:    the JDE.
// Returns:  the name, as wday gives it.
// Notes:    1. The day runs from midnight to midnight; a multiple of 7 keeps the
//              day number positive for any JDE of the program.
// Source:   Meeus, Astronomical Algorithms, 2nd ed., 1998, ch. 7 (JD + 1.5
//           modulo 7, 0 Sunday).
void weekday(double jde, std::string& name);

// delta_t: JDE (TT) to Julian Day in UT, in place.
// Takes:    t, the JDE.
// Returns:  t - Delta T, with Delta T of the decimal year on the Gregorian
//           scale ((t - J2000.0) / 365.2425 + 2000).
// Source:   Espenak and Meeus (2006), as delta_t_seconds.
void delta_t(double& t);

// delta_t_seconds: Delta T = TT - UT.
// Takes:    the decimal year on the Gregorian scale.
// Returns:  Delta T [s].
// Notes:    1. One polynomial for each span of years from -500 to 2050 (bounds
//              belong to the span below them); before -500 and after 2150 the
//              long-term parabola -20 + 32 u^2, u = (year - 1820) / 100, which
//              from 2050 to 2150 carries the term -0.5628 (2150 - year) that
//              joins it to the polynomial before 2050.
//           2. Outside 1955..2005 the correction -0.000012932 (year - 1955)^2
//              is added, as the Canon adds it: the polynomials assume a secular
//              acceleration of the Moon of -26 "/cy^2, the Canon's lunar theory
//              (ELP-2000/82) one of -25.858 "/cy^2.
// Source:   Espenak and Meeus (2006), the polynomial expressions for Delta T of
//           the Five Millennium Canon of Solar Eclipses: -1999 to +3000
//           (NASA/TP-2006-214141).
double delta_t_seconds(double year);

} // namespace r7
