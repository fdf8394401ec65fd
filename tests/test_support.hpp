// Helpers shared by the tests: where the data are, a scratch working directory,
// running the program, the terminal captured, the ephemerides and a transit as
// a run computes them, and the series table read independently of the program.
#pragma once

#include <array>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "ephemeris/ephemerides.hpp"
#include "transit/transit.hpp"

namespace r7::test {

// Folder with the published data (VSOP87 files, invsop1.t, invsop3.t, vsop87.chk).
std::filesystem::path published_data();
// Folder with the installation data of this project (data/).
std::filesystem::path install_data();
// The program binary.
std::filesystem::path r7_binary();

// A fresh scratch directory, current for the lifetime of the object, then removed.
class ScratchDir {
public:
    // with_data: copy the installation data and link the published data in.
    explicit ScratchDir(bool with_data = true);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return dir_; }
private:
    std::filesystem::path dir_;
    std::filesystem::path old_;
};

struct RunResult {
    int status = -1; // exit status
    std::string out, err;
};

// Runs the program in dir with the given standard input.
RunResult run_program(const std::filesystem::path& dir, const std::string& input, int timeout_s = 120);
// Runs a shell command in dir in which "R7" stands for the program binary.
RunResult run_shell(const std::filesystem::path& dir, const std::string& command, int timeout_s = 120);

std::string read_file(const std::filesystem::path& p); // "" when missing
void write_file(const std::filesystem::path& p, const std::string& text);
std::vector<std::string> lines_of(const std::string& text);
std::string joined(const std::vector<std::string>& lines); // each line ended by '\n'
// The file rewritten with line n (1-based) replaced (a link is replaced, not written through).
void replace_line(const std::filesystem::path& file, int n, const std::string& text);
// How often what occurs in text, occurrences not overlapping.
int count(const std::string& text, const std::string& what);
// Digits and blanks of the computing times (behind "CPU time" and "run time") as '#'.
std::string mask_times(std::string text);

std::string quoted(const std::string& s); // quoted for the shell
int shell(const std::string& command);    // exit status (-1 when it could not run)

// The series table (inserie.t) of an even spacing of the Mercury and Venus series.
std::string series_table_text();

// The terminal unit sent into a string for the lifetime of the object.
struct Terminal {
    std::ostringstream out;
    Terminal();
    ~Terminal();
    std::string text() const { return out.str(); }
};

// The full series of the bodies of file set kvers (1 A, 3 C), read from the working directory.
FullSeries full_series(int kvers, std::initializer_list<int> bodies);
// Body j of the full series at jde as x, y, z [AU], summed in long double: to
// 1e-14 AU even 15 000 years from J2000.0, where the sums in double carry up to
// 5e-11 AU of rounding.
std::array<long double, 3> place_extended(const FullSeries& f, int j, double jde);
// The short series, the Kepler elements and the full VSOP87C series of
// Mercury, Venus and the Earth, loaded once.
const Ephemerides& ephemerides();
// The transit near jde as a full-series transit run computes it: the places
// with light time at jde, then `transit` (terminal output discarded).
TransitResult transit_near(double jde, int body, int date_mode = 4, int time_scale = 1);

// The first transits of the series as the text of "inserie.t" lists them,
// read here line by line: [planet][series number].
struct SeriesFirsts {
    std::map<int, double> first[3];
};
SeriesFirsts read_series_firsts(const std::string& text);
// The number of the series a transit at jde (TT) belongs to: the one that
// began last among those with a transit within 10 days of jde a whole number
// of cycles on; 999 outside the table's span (-13000 to 17000) or in none.
int series_number(const SeriesFirsts& t, int planet, double jde);

} // namespace r7::test
