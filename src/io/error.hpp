// Errors that end a run. A data file that is missing, short or malformed ends the
// run with one message naming the file (and the line where it helps) and a
// non-zero exit status; the main program catches these and reports them.
#pragma once

#include <stdexcept>
#include <string>

namespace r7 {

// Exit statuses of the program.
enum ExitStatus : int {
    exit_ok = 0,          // a run completed, or the user chose "exit" / info
    exit_data_error = 1,  // a data file is missing, short or malformed
    exit_computation = 2, // a computation stopped the run (e.g. the Kepler routine failed)
    exit_output = 3,      // the report file could not be written
    exit_terminal = 4,    // standard output could not be written
    exit_busy = 5,        // another run holds the working directory
    exit_resources = 6,   // out of memory, or threads could not be started
};

class DataError : public std::runtime_error {
public:
    // missing: no such file; end_of_file: it ends early; unreadable: a value
    // does not convert, or the system cannot read the file; invalid: a value
    // outside its range; read_error: reading failed (a directory, an I/O error).
    enum class Kind { missing, end_of_file, unreadable, invalid, read_error };
    DataError(Kind kind, std::string file, int line, const std::string& what)
        : std::runtime_error(what), kind_(kind), file_(std::move(file)), line_(line) {}
    Kind kind() const { return kind_; }
    const std::string& file() const { return file_; }
    int line() const { return line_; } // 0 when no line applies
private:
    Kind kind_;
    std::string file_;
    int line_;
};

// A computation that cannot go on (the message has been written already where the
// routine says so); the run stops without closing lines.
class RunStop : public std::runtime_error {
public:
    RunStop(int status, const std::string& what) : std::runtime_error(what), status_(status) {}
    int status() const { return status_; }
private:
    int status_;
};

// Standard input ended in the dialog: the run ends like the answer "exit".
class EndOfInput : public std::runtime_error {
public:
    EndOfInput() : std::runtime_error("end of input") {}
};

} // namespace r7
