// Output units of the report. Unit 1 is the report file "out.txt", unit 6 the
// terminal. The unit list is "file, terminal" or "terminal" alone; it is fixed
// before the first heading. Every report line is written once per unit of the
// list, file first.
#pragma once

#include <fstream>
#include <initializer_list>
#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "io/layout.hpp"
#include "io/safefile.hpp"

namespace r7::io {

inline constexpr int file_unit = 1;
inline constexpr int terminal_unit = 6;

class Units {
public:
    Units();

    // open_file: starts the report file.
    // Takes:    the file name ("out.txt").
    // Returns:  nothing; the unit list is "file, terminal".
    // Notes:    1. The report goes to a new file beside name (io::OutFile) that
    //              replaces the old one only when the report ends, so that a link
    //              at name (symbolic or hard) is never written through and a run
    //              that is killed leaves the old report whole.
    //           2. Throws RunStop(exit_output) with the reason when it cannot be
    //              started (a directory or a special file at name).
    void open_file(const std::string& name);

    // close_file: puts the finished report in place of the old file.
    // Takes:    nothing (called after the closing lines).
    // Returns:  nothing; the unit list is "terminal".
    // Notes:    1. Throws RunStop(exit_output) when the report could not be
    //              written; the old file then stays as it was.
    void close_file();

    // abandon_file: ends the report of a run that stops early.
    // Takes:    the message of the stop.
    // Returns:  nothing; the line " *** run stopped: <message> ***" is appended
    //           to the report file (after an empty line) and the report put in
    //           place, so that the file never looks like a complete report; the
    //           unit list is "terminal".
    // Notes:    1. When the report itself could not be written (a full disk),
    //              the old file stays; nothing is thrown.
    void abandon_file(std::string_view message);

    // note: a remark that does not stop the run (a file that could not be updated).
    // Takes:    the line.
    // Returns:  nothing; the line, after an empty one, goes to the terminal unit
    //           and to standard error, once when both are the same file.
    void note(std::string_view line);

    // The active units in writing order: {1, 6} or {6}.
    const std::vector<int>& list() const { return list_; }
    bool file_open() const { return file_.is_open(); }

    // put: text written to one unit.
    // Takes:    the unit (file_unit, any other the terminal), the text (records
    //           already ended by '\n').
    // Returns:  nothing.
    // Notes:    1. While a Capture of the calling thread lives the text goes to
    //              its sink instead.
    //           2. Text for the file unit is dropped while no report file is open;
    //              text for the terminal goes under the progress line when one
    //              stands there, and a failed write throws as check_terminal.
    void put(int unit, std::string_view text);

    // write: values formatted with a layout (io::fmt) and put to one unit.
    // Takes:    the unit, the layout text, the values.
    // Returns:  nothing.
    void write(int unit, std::string_view layout_text, std::initializer_list<Arg> values);

    // put_all: text put to every active unit, file first.
    // Takes:    the text.
    // Returns:  nothing.
    void put_all(std::string_view text);

    // write_all: values formatted once with a layout and put to every active unit.
    // Takes:    the layout text, the values.
    // Returns:  nothing.
    void write_all(std::string_view layout_text, std::initializer_list<Arg> values);

    // set_terminal: redirects the terminal unit (tests).
    // Takes:    the stream; nullptr restores standard output.
    // Returns:  nothing; a failure seen on the old terminal is forgotten.
    void set_terminal(std::ostream* os);
    std::ostream& terminal() { return *terminal_; }

    // flush: flushes both units.
    // Takes:    nothing.
    // Returns:  nothing.
    // Notes:    1. Throws RunStop(exit_terminal) when standard output can no
    //              longer be written (a full disk, a closed pipe, a file size
    //              limit). A write error of the report file is kept for
    //              close_file.
    void flush();

    // check_terminal: whether the terminal still takes the report.
    // Takes:    nothing.
    // Returns:  nothing.
    // Notes:    1. Throws RunStop(exit_terminal), with the system's reason, the
    //              first time a write to the terminal is seen to have failed;
    //              later terminal writes are dropped.
    void check_terminal();

    // Lines that one thread writes while a Capture of it lives are kept in the
    // sink, (unit, text) in writing order, instead of being written: a piece of
    // a run computed beside others keeps its messages until the main thread
    // writes the pieces out in time order. Captures nest.
    using Lines = std::vector<std::pair<int, std::string>>;
    class Capture {
    public:
        explicit Capture(Lines& sink);
        ~Capture();
        Capture(const Capture&) = delete;
        Capture& operator=(const Capture&) = delete;

    private:
        Lines* outer_;
    };
    // put_lines: captured lines written out.
    // Takes:    the lines, (unit, text) in writing order.
    // Returns:  nothing; each is put to its unit.
    void put_lines(const Lines& lines);

private:
    OutFile file_;
    std::string file_name_;
    std::ostream* terminal_;
    bool terminal_broken_ = false; // a terminal write failed; later ones are dropped
    std::vector<int> list_;
};

// units: the output units of the process.
// Takes:    nothing.
// Returns:  the single instance that every routine writing report lines uses.
Units& units();

} // namespace r7::io
