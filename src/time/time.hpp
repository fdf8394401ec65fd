// Time axis of the system: Julian Ephemeris Day (TT), calendar dates in the
// Julian or Gregorian calendar, decimal years, k-numbers of the Mercury passages,
// weekdays, and Universal Time through Delta T.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "state/farray.hpp"

namespace r7 {

// Month names " Jan." ... " Dec." (index 1..12) and weekday names (index 0..6,
// 0 Sunday, right-justified in 10 characters).
std::string_view monat(int month);
std::string_view wday(int index);

// Floor of a real as a real; magnitudes of 2^52 and more are returned unchanged.
double sdint(double x);

// Integer part of a date: entries 3..6 year, hour, minute, second (1 and 2 belong
// to the caller). Real part: 1 day with fraction, 2 month, 3 year, 4 hour,
// 5 minutes with fraction, 6 seconds with fraction, 7 whole day.
using IDate = FArray<int, 1, 6>;
using RDate = FArray<double, 1, 7>;

// JDE to calendar date; calendar 1 Gregorian throughout, 2 Julian before the reform
// (JDE 2299160.5 = 15 Oct. 1582), Gregorian always for negative day numbers.
// A time that rounds to 24:00:00 carries into the next day, month and year
// (29 Feb. only in leap years, 4 Oct. 1582 Julian to 15 Oct.); the carried month
// shows in the name, the month number date(2) keeps the month before the carry.
void jdedate(double jde, int calendar, IDate& idate, RDate& date, std::string& name);

// A calendar date and time at full precision, in the calendar jdedate chooses.
struct CivilTime {
    long long year = 0;  // astronomical numbering: 0 is 1 BC, -1 is 2 BC
    int month = 1, day = 1, hour = 0, minute = 0;
    double second = 0.0; // with its fraction, to the millisecond
    bool julian = false; // the date is one of the Julian calendar
};

// The date and time of Julian Day jd, rounded to the millisecond; calendar as
// for jdedate (1 Gregorian throughout, 2 Julian before the reform for day
// numbers from 0 on).
CivilTime civil_time(double jd, int calendar);

// ISO 8601 date and time of a civil time, "2003-05-07T05:13:19.234"; years
// before 0 and after 9999 in the expanded form with a sign ("-0999-05-07T...",
// "+12453-09-08T..."). The calendar is that of the civil time, which for Julian
// dates is not the proleptic Gregorian calendar of the standard: say it beside.
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

// direction 0: jde from k; direction 1: k and kint from jde.
void akday(int direction, int passage, int flag, double& k, int& kint, double& jde);

// Weekday name of the day that contains jde.
void weekday(double jde, std::string& name);

// JDE (TT) to Julian Day in UT, in place.
void delta_t(double& t);

// Delta T = TT - UT in seconds for a decimal year on the Gregorian scale,
// including the lunar correction outside 1955..2005.
double delta_t_seconds(double year);

} // namespace r7
