// Free-format ("list-directed") reading of records: values separated by blanks or
// commas; a record that holds fewer values than asked for continues on the next
// line; quoted texts ('...' or "...") may hold blanks and commas; a slash ends the
// record and leaves the remaining targets unchanged; an empty value between two
// commas leaves its target unchanged; r*value repeats a value r times. Each read
// starts on a new line. Errors name the source and the line.
// A text whose closing quote is missing ends at the end of its line; a line
// longer than 1 MiB is cut there; a '\r' before the line end counts as a blank.
#pragma once

#include <exception>
#include <initializer_list>
#include <istream>
#include <memory>
#include <string>
#include <variant>

#include "io/error.hpp"

namespace r7::io {

using Target = std::variant<int*, double*, std::string*>;

class FreeReader {
public:
    // Reads from a stream; name is used in messages (e.g. "standard input").
    FreeReader(std::istream& in, std::string name);
    // Opens a file by name (io::open_input: a regular file only); throws
    // DataError (Kind::missing, or read_error for a directory, a special file or
    // a file without read permission) naming the file and the reason.
    // A read that the system refuses later throws DataError(read_error) naming
    // the source, the line and the reason; the source then counts as ended.
    explicit FreeReader(const std::string& filename);
    ~FreeReader();

    // skip_lines: whole lines read and discarded.
    // Takes:    the number of lines n.
    // Returns:  nothing.
    // Notes:    1. Throws DataError (end_of_file) when the source ends first,
    //              saying how many more lines were expected.
    void skip_lines(int n);

    // read: one record read into the targets.
    // Takes:    the targets (int, double or std::string), in the record's order.
    // Returns:  nothing; the targets hold the values (those after a slash or of
    //           a null value keep theirs).
    // Notes:    1. The record starts on a new line and goes on to the next lines
    //              while values are missing (not with one-line records).
    //           2. Throws DataError: end_of_file when the source ends before the
    //              first value or in the middle of the record, or when a one-line
    //              record's line is short; unreadable when a value does not
    //              convert to its target's type (a real for an integer, letters or
    //              a quoted text for a number, a result that is not finite) or a
    //              repeat count is not positive; read_error when the system
    //              refuses the read. Each names the source and the line.
    void read(std::initializer_list<Target> targets);

    // With one_line set, a record must hold all its values on its own line
    // (parameter sets): a short line is an error naming that line, instead of
    // the record going on with the next line.
    void set_one_line_records(bool one_line) { one_line_ = one_line; }

    // read_line: one whole line as it stands.
    // Takes:    nothing.
    // Returns:  the line without its line end (and a '\r' before it).
    // Notes:    1. Throws DataError(end_of_file) at the end of the source.
    std::string read_line();

    // at_end: whether nothing but the end is left.
    // Takes:    nothing.
    // Returns:  true at the end of the source or after a failed read.
    // Notes:    1. A read that the system refuses here throws DataError
    //              (read_error).
    bool at_end();

    const std::string& name() const { return name_; }
    int line() const { return line_; } // number of the last line read (1-based)

private:
    // Next line into buf_ (line end and a trailing '\r' removed); false at the end.
    bool next_line();
    std::string where() const;
    [[noreturn]] void read_failed(const std::exception& e);

    std::unique_ptr<std::istream> owned_;
    std::istream* in_;
    std::string name_;
    int line_ = 0;
    std::string buf_;      // the line being read
    std::size_t pos_ = 0;  // position in buf_
    bool failed_ = false;  // a read failed; nothing more is read
    bool one_line_ = false; // records do not go on with the next line
};

} // namespace r7::io
