// A one-line progress indicator on standard error for the long scans (the
// series run, transit and syzygy scans over thousands of years): the part of
// the interval covered, the events found so far and the elapsed time.
//
// It is drawn only when standard error is a terminal, and only once the run has
// taken a second, so short runs never show it; then it is redrawn four times a
// second and erased when the scan ends. Nothing of it goes to standard output or
// the report file. When it is off, update() is a single test of a flag.
//
// When standard output goes to the same terminal, each report line is written
// under the progress line: the line is erased, the report line written and
// flushed, and the line drawn again below it (put_under_progress_line).
#pragma once

#include <chrono>
#include <iosfwd>
#include <string>
#include <string_view>

namespace r7::io {

// Set while a progress line stands on the terminal that standard output writes
// to as well. Process-wide on purpose, like the output units it serves: it
// describes the process's terminal, not a computation.
inline bool progress_line_shared = false;

// put_under_progress_line: report text written under the progress line.
// Takes:    the terminal stream os (standard output), the text.
// Returns:  nothing; the progress line is erased from standard error, the text
//           written to os and flushed, and the progress line drawn again below it.
void put_under_progress_line(std::ostream& os, std::string_view text);

class Progress {
public:
    // what names the scan ("Mercury transits"); from and to are the JDEs of the
    // interval it covers.
    Progress(std::string_view what, double from, double to);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // update: the scan's progress.
    // Takes:    the JDE the scan has reached, the events found so far.
    // Returns:  nothing; the line is drawn once the process has run a second,
    //           then redrawn at most four times a second.
    // Notes:    1. Without a terminal on standard error only a flag is tested.
    //           2. The first drawing flushes the report lines written so far to
    //              the terminal and marks the line as shared when standard output
    //              is a terminal too (progress_line_shared).
    void update(double at, int found)
    {
        if (enabled_) tick(at, found);
    }

    bool enabled() const { return enabled_; }

private:
    void tick(double at, int found);

    bool enabled_;
    std::string what_;
    double from_, to_;
    std::chrono::steady_clock::time_point next_;
};

// progress_text: the text of one progress line.
// Takes:    the scan's name, the JDEs of the interval (from, to) and of the
//           point reached (at), the events found, the elapsed time [s].
// Returns:  the line without a line end, at most 79 characters for the usual
//           values: "  Mercury transits  -13000 ..   2345 of  17000  51%   found   123   0:04".
// Notes:    1. The name is cut to 20 characters; the years are Julian years from
//              J2000.0 (the ends rounded, the point reached rounded down to its
//              year and kept within the interval); the share is 0..100 per cent
//              (100 for an empty interval); the time is minutes:seconds.
std::string progress_text(std::string_view what, double from, double to, double at, int found, double elapsed_s);

} // namespace r7::io
