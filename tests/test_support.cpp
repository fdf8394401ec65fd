#include "test_support.hpp"

#include "transit/series.hpp"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace r7::test {

fs::path published_data()
{
    if (const char* d = std::getenv("R7_DATA"); d && *d) return fs::path(d);
    return fs::path(R7_PUBLISHED_DATA);
}

fs::path install_data() { return fs::path(R7_INSTALL_DATA); }

fs::path r7_binary() { return fs::path(R7_BINARY); }

ScratchDir::ScratchDir(bool with_data)
{
    std::random_device rd;
    const auto base = fs::temp_directory_path();
    for (;;) {
        dir_ = base / ("r7test-" + std::to_string(rd()));
        if (fs::create_directory(dir_)) break;
    }
    if (with_data) {
        for (const auto& e : fs::directory_iterator(install_data())) {
            if (e.is_regular_file()) fs::copy_file(e.path(), dir_ / e.path().filename());
        }
        for (const auto& e : fs::directory_iterator(published_data())) {
            const auto name = e.path().filename();
            if (!fs::exists(dir_ / name)) fs::create_symlink(fs::absolute(e.path()), dir_ / name);
        }
    }
    old_ = fs::current_path();
    fs::current_path(dir_);
}

ScratchDir::~ScratchDir()
{
    std::error_code ec;
    fs::current_path(old_, ec);
    fs::remove_all(dir_, ec);
}

RunResult run_shell(const fs::path& dir, const std::string& command, int timeout_s)
{
    std::string cmd = command;
    const std::string bin = "timeout " + std::to_string(timeout_s) + " '" + r7_binary().string() + "'";
    for (auto p = cmd.find("R7"); p != std::string::npos; p = cmd.find("R7", p + bin.size())) cmd.replace(p, 2, bin);
    const fs::path out = dir / ".stdout", err = dir / ".stderr";
    const fs::path script = dir / ".command.sh";
    write_file(script, "cd '" + dir.string() + "' && { " + cmd + "\n} > .stdout 2> .stderr\n");
    const int rc = std::system(("bash '" + script.string() + "'").c_str());
    fs::remove(script);
    RunResult r;
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = read_file(out);
    r.err = read_file(err);
    std::error_code ec;
    fs::remove(out, ec);
    fs::remove(err, ec);
    return r;
}

RunResult run_program(const fs::path& dir, const std::string& input, int timeout_s)
{
    write_file(dir / ".stdin", input);
    RunResult r = run_shell(dir, "R7 < .stdin", timeout_s);
    std::error_code ec;
    fs::remove(dir / ".stdin", ec);
    return r;
}

std::string read_file(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    if (!f) return {};
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void write_file(const fs::path& p, const std::string& text)
{
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f << text;
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> v;
    std::istringstream s(text);
    std::string line;
    while (std::getline(s, line)) v.push_back(line);
    return v;
}

int count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + what.size())) ++n;
    return n;
}

std::string quoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

int shell(const std::string& command)
{
    const int rc = std::system(command.c_str());
    return rc == -1 ? -1 : WEXITSTATUS(rc);
}

std::string series_table_text()
{
    SeriesTable ser{};
    for (int s = -150; s <= 154; ++s) ser(s, 1) = 2451545.0 + 16802.2 * s;
    for (int s = -6; s <= 18; ++s) ser(s, 2) = 2451545.0 + 88756.13 * s;
    ser(19, 2) = 1e12;
    return series_file_text(ser);
}

} // namespace r7::test
