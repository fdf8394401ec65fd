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

    // Starts the report file and makes the list "file, terminal". The report
    // goes to a new file beside name (io::OutFile) that replaces the old one only
    // when the report ends, so that a link at name (symbolic or hard) is never
    // written through and a run that is killed leaves the old report whole.
    // Throws RunStop(exit_output) with the reason when it cannot be started
    // (a directory or a special file at name).
    void open_file(const std::string& name);
    // Puts the finished report in place of the old file (after the closing
    // lines); the list becomes "terminal". Throws RunStop(exit_output) when the
    // report could not be written; the old file then stays as it was.
    void close_file();
    // For a run that stops early: appends a line saying so and puts the report
    // in place, so that the file never looks like a complete report. When the
    // report itself could not be written (a full disk), the old file stays.
    void abandon_file(std::string_view message);
    // A remark that does not stop the run (a file that could not be updated):
    // one line to the terminal and to standard error, once when both are the
    // same file.
    void note(std::string_view line);

    // The active units in writing order: {1, 6} or {6}.
    const std::vector<int>& list() const { return list_; }
    bool file_open() const { return file_.is_open(); }

    // Writes text (records already ended by '\n') to one unit.
    void put(int unit, std::string_view text);
    // Formats with a layout and writes to one unit.
    void write(int unit, std::string_view layout_text, std::initializer_list<Arg> values);
    // Writes text to every active unit, file first.
    void put_all(std::string_view text);
    void write_all(std::string_view layout_text, std::initializer_list<Arg> values);

    // Redirects the terminal (tests); nullptr restores standard output.
    void set_terminal(std::ostream* os);
    std::ostream& terminal() { return *terminal_; }
    // Flushes both units. Throws RunStop(exit_terminal) when standard output
    // can no longer be written (a full disk, a closed pipe, a file size limit).
    void flush();
    // Throws RunStop(exit_terminal) when a write to the terminal has failed.
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
    // Writes captured lines.
    void put_lines(const Lines& lines);

private:
    OutFile file_;
    std::string file_name_;
    std::ostream* terminal_;
    bool terminal_broken_ = false; // a terminal write failed; later ones are dropped
    std::vector<int> list_;
};

// The single instance used by the program.
Units& units();

} // namespace r7::io
