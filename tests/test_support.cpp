#include "test_support.hpp"

#include "ephemeris/vsop87.hpp"
#include "io/units.hpp"
#include "transit/series.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
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

std::string joined(const std::vector<std::string>& lines)
{
    std::string t;
    for (const auto& l : lines) t += l + "\n";
    return t;
}

void replace_line(const fs::path& file, int n, const std::string& text)
{
    auto lines = lines_of(read_file(file));
    lines.at(static_cast<std::size_t>(n - 1)) = text;
    fs::remove(file);
    write_file(file, joined(lines));
}

std::string mask_times(std::string text)
{
    for (const std::string key : {"CPU time", "run time"}) {
        for (auto p = text.find(key); p != std::string::npos; p = text.find(key, p + 1)) {
            for (auto q = p + key.size(); q < text.size() && text[q] != '\n' && text.compare(q, 3, " --") != 0; ++q)
                if (text[q] == ' ' || std::isdigit(static_cast<unsigned char>(text[q]))) text[q] = '#';
        }
    }
    return text;
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

Terminal::Terminal() { io::units().set_terminal(&out); }
Terminal::~Terminal() { io::units().set_terminal(nullptr); }

FullSeries full_series(int kvers, std::initializer_list<int> bodies)
{
    std::array<bool, max_body + 1> wanted{};
    for (int j : bodies) wanted[static_cast<std::size_t>(j)] = true;
    return load_full_series(kvers, wanted);
}

const Ephemerides& ephemerides()
{
    static const Ephemerides eph = [] {
        ScratchDir dir;
        EphemerisNeeds needs{.short_series = true, .kepler = true, .kvers = 3};
        needs.bodies[1] = needs.bodies[2] = needs.bodies[3] = true;
        return load_ephemerides(needs);
    }();
    return eph;
}

std::array<long double, 3> place_extended(const FullSeries& f, int j, double jde)
{
    const BodySeries& s = f.body(j);
    const long double t = (static_cast<long double>(jde) - 2451545.0L) / 365250.0L;
    std::array<long double, 3> r{};
    for (const BodySeries::Segment& g : s.chunk) {
        long double sum = 0.0L;
        for (std::size_t i = g.off; i < g.off + g.n; ++i) {
            sum += static_cast<long double>(s.a[i]) *
                   std::cos(static_cast<long double>(s.b[i]) + static_cast<long double>(s.c[i]) * t);
        }
        r[static_cast<std::size_t>(g.ic - 1)] += std::pow(t, g.alpha) * sum;
    }
    return r;
}

TransitResult transit_near(double jde, int body, int date_mode, int time_scale)
{
    const LightTime lt = vsop2tr(ephemerides().full(), jde, body, 0.004, 1e-9, 6);
    std::array<double, 9> pos{};
    const auto j = static_cast<std::size_t>(3 * (body - 1));
    pos[j] = lt.planet.x, pos[j + 1] = lt.planet.y, pos[j + 2] = lt.planet.z;
    pos[6] = lt.earth.x, pos[7] = lt.earth.y, pos[8] = lt.earth.z;
    const TransitQuery q{.ibody = body, .combi_flag = 0, .ephem_choice = 2, .conj_choice = body,
                         .date_mode = date_mode, .passage = 1, .kout = 6, .time_scale = time_scale,
                         .calendar = 1, .jde = jde, .sep_in = sepa(body, pos), .w_start = 0.0,
                         .planet = lt.planet_lbr, .earth = lt.earth_lbr, .pos = pos};
    Terminal quiet;
    return transit(ephemerides(), q);
}

SeriesFirsts read_series_firsts(const std::string& text)
{
    // Five header lines, 61 Mercury rows (s0 and five JDEs), four header lines, 6 Venus rows.
    SeriesFirsts t;
    const auto lines = lines_of(text);
    auto rows = [&](std::size_t from, int n, int p) {
        for (int r = 0; r < n; ++r) {
            std::istringstream in(lines.at(from + static_cast<std::size_t>(r)));
            int s0 = 0;
            in >> s0;
            for (int k = 0; k < 5; ++k) {
                double v = 0.0;
                in >> v;
                if (v != 0.0 && v < 1e11) t.first[p][s0 + k] = v;
            }
        }
    };
    rows(5, 61, 1);
    rows(5 + 61 + 4, 6, 2);
    return t;
}

int series_number(const SeriesFirsts& t, int p, double jde)
{
    if (jde < -3027458.0 || jde > 7930548.0) return 999;
    const double cycle = p == 1 ? 16802.2 : 88756.13;
    int number = 999;
    double began = -1e300;
    for (const auto& [s, first] : t.first[p]) {
        if (first > jde + 10.0 || first <= began) continue;
        const double n = std::floor((jde - first) / cycle + 0.5);
        if (std::abs(jde - (first + std::max(n, 0.0) * cycle)) < 10.0) {
            number = s;
            began = first;
        }
    }
    return number;
}

} // namespace r7::test
