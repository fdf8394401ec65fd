// Result tables as comma-separated values (RFC 4180): one line per result row
// that the report prints, values at full precision, a header line that names
// every column with its unit. A table has a fixed set of columns, so that a run
// without rows still writes its header and a script can rely on the names;
// the cells a row does not have stay empty.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace r7::csv {

// One cell: empty, a whole number, a real number or a text.
using Value = std::variant<std::monostate, long long, double, std::string>;

// field: a value as a field of RFC 4180.
// Takes:    the value.
// Returns:  an empty cell as ""; a whole number in decimal digits; a real in the
//           shortest form that reads back to the same double ("0.1",
//           "2451545.5", "-1.234e-07"), empty when it is not finite; a text as
//           it is, or in double quotes (quotes inside doubled) when it holds a
//           comma, a quote, a line end or leading or trailing blanks.
// Source:   RFC 4180, Common Format and MIME Type for Comma-Separated Values
//           (CSV) Files (2005).
std::string field(const Value& v);

class Table {
public:
    // file: the name of the file the table is written to; columns: the header.
    Table(std::string file, std::span<const std::string_view> columns);

    const std::string& file() const { return file_; }
    const std::vector<std::string>& columns() const { return columns_; }
    std::size_t rows() const { return rows_.size(); }

    // add_row: a new row, every cell empty.
    // Takes:    nothing.
    // Returns:  nothing; set() fills its cells by column name.
    void add_row();

    // set: a cell of the last row.
    // Takes:    the column name, the value.
    // Returns:  nothing; the cell holds the value (a first row is added when the
    //           table has none).
    // Notes:    1. A name that is not a column of the table is a programming
    //              error and throws std::logic_error.
    void set(std::string_view column, Value v);

    // text: the whole file.
    // Takes:    nothing.
    // Returns:  the header and the rows as fields (field), each line ended by
    //           CR LF.
    std::string text() const;

private:
    std::string file_;
    std::vector<std::string> columns_;
    std::vector<std::vector<Value>> rows_;
};

} // namespace r7::csv
