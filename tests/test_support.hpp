// Helpers shared by the tests: where the data are, a scratch working directory,
// and running the program with prepared standard input.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace r7::test {

// Folder with the published data (VSOP87 files, invsop1.t, invsop3.t, vsop87.chk).
std::filesystem::path published_data();
// Folder with the installation data of this project (data/).
std::filesystem::path install_data();
// The program binary.
std::filesystem::path r7_binary();

// A fresh scratch directory; the current directory is moved into it for the
// lifetime of the object and restored afterwards. The directory is removed.
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

// Result of one run of the program.
struct RunResult {
    int status = -1;        // exit status
    std::string out;        // standard output
    std::string err;        // standard error
};

// Runs the program in dir with the given standard input.
RunResult run_program(const std::filesystem::path& dir, const std::string& input, int timeout_s = 120);

// Runs a shell command in dir in which "R7" stands for the program binary, e.g.
// "echo 11 | R7 >/dev/full"; standard output and error are collected unless the
// command redirects them itself.
RunResult run_shell(const std::filesystem::path& dir, const std::string& command, int timeout_s = 120);

// Reads a whole file ("" when missing).
std::string read_file(const std::filesystem::path& p);
// Writes a whole file.
void write_file(const std::filesystem::path& p, const std::string& text);
// Splits text into lines (without the line ends).
std::vector<std::string> lines_of(const std::string& text);
// How often what occurs in text, occurrences not overlapping.
int count(const std::string& text, const std::string& what);

// The text quoted for the shell.
std::string quoted(const std::string& s);
// Runs a shell command; its exit status (-1 when it could not run).
int shell(const std::string& command);

// The series table (inserie.t) that a series-building run writes for an even
// spacing of the Mercury and Venus series.
std::string series_table_text();

} // namespace r7::test
