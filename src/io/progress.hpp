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
// Writes report text to the terminal stream os (standard output) under the
// progress line.
void put_under_progress_line(std::ostream& os, std::string_view text);

class Progress {
public:
    // what names the scan ("Mercury transits"); from and to are the JDEs of the
    // interval it covers.
    Progress(std::string_view what, double from, double to);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // The scan has reached the JDE at and found events so far.
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

// The text of one progress line (at most 79 characters for the usual values),
// for example "  Mercury transits  -13000 ..   2345 of  17000  51%   found   123   0:04".
std::string progress_text(std::string_view what, double from, double to, double at, int found, double elapsed_s);

} // namespace r7::io
