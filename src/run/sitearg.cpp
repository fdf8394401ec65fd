#include "run/sitearg.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

#include "io/error.hpp"
#include "io/freeread.hpp"

namespace r7 {
namespace {

std::string number_text(double v)
{
    std::string s = std::to_string(v);
    while (s.find('.') != std::string::npos && (s.back() == '0' || s.back() == '.')) {
        const bool point = s.back() == '.';
        s.pop_back();
        if (point) break;
    }
    return s;
}

// Why a value lies outside its range, or "".
std::string out_of_range(const char* what, double v, double lo, double hi, const char* unit)
{
    if (v >= lo && v <= hi) return {};
    return std::string(what) + " " + number_text(v) + " is outside " + number_text(lo) + " to " + number_text(hi) + " " +
           unit;
}

[[noreturn]] void bad_site(const DataError& e, const std::string& file, int line, const std::string& site)
{
    throw DataError(e.kind(), file, e.line() > 0 ? e.line() : line,
                    "\"" + file + "\", line " + std::to_string(line) + ": the observing site of --site " + site +
                        " cannot be read (" + e.what() +
                        "); a file of an older installation lacks it: copy it from the installation data");
}

[[noreturn]] void bad_value(const std::string& file, int line, const std::string& site, const std::string& why)
{
    throw DataError(DataError::Kind::invalid, file, line,
                    "\"" + file + "\", line " + std::to_string(line) + ": the observing site of --site " + site + ": " +
                        why);
}

// The place read for a named site, checked like a place given on the command line.
void check_place(const Observer& o, const std::string& file, int line, const std::string& site)
{
    for (const std::string& why : {out_of_range("latitude", o.lat, -site_lat_max, site_lat_max, "degrees"),
                                   out_of_range("longitude", o.lon, -site_lon_max, site_lon_max, "degrees"),
                                   out_of_range("height", o.height, site_height_min, site_height_max, "m")}) {
        if (!why.empty()) bad_value(file, line, site, why);
    }
}

Observer giza_site(const std::string& file)
{
    Observer o;
    o.name = "Giza";
    std::string label;
    // Numbers that a record leaves out stay NaN and are refused.
    o.lat = o.lon = o.height = std::nan("");
    try {
        io::FreeReader r(file);
        r.skip_lines(giza_site_line - 1);
        r.read({&label, &o.lat, &o.lon, &o.height});
    } catch (const DataError& e) {
        bad_site(e, file, giza_site_line, "giza");
    }
    check_place(o, file, giza_site_line, "giza");
    return o;
}

Observer teoti_site(const std::string& file)
{
    constexpr int header_lines = 19;
    Observer o;
    o.name = "Teotihuacan";
    o.lat = o.lon = o.height = std::nan("");
    std::string name, q, st, label;
    double dist = 0.0, map = 0.0;
    const int point_line = header_lines + teoti_site_point;
    int line = point_line;
    try {
        io::FreeReader r(file);
        r.skip_lines(point_line - 1);
        r.read({&name, &q, &st, &o.lat, &o.lon, &dist, &map});
        line = teoti_site_line;
        r.skip_lines(teoti_site_line - 1 - r.line());
        r.read({&label, &o.height});
    } catch (const DataError& e) {
        bad_site(e, file, line, "teotihuacan");
    }
    check_place(o, file, point_line, "teotihuacan");
    return o;
}

} // namespace

SiteParse parse_site(std::string_view text)
{
    const std::string given(text);
    std::string lower = given;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    if (lower == "giza" || lower == "teotihuacan") return {SiteArg{.name = lower}, {}};
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    const std::string prefix = "--site " + given + ": ";
    if (parts.size() < 2 || parts.size() > 3)
        return {std::nullopt, prefix + "not a site; name giza or teotihuacan, or give LAT,LON[,HEIGHT] (degrees, "
                                       "north and east positive; metres)"};
    std::array<double, 3> v{0.0, 0.0, 0.0};
    static constexpr const char* names[] = {"latitude", "longitude", "height"};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto x = command_number<double>(parts[i]);
        if (!x) return {std::nullopt, prefix + "the " + names[i] + " " + std::string(parts[i]) + " is not a number"};
        v[i] = *x;
    }
    for (const std::string& why : {out_of_range("latitude", v[0], -site_lat_max, site_lat_max, "degrees"),
                                   out_of_range("longitude", v[1], -site_lon_max, site_lon_max, "degrees"),
                                   out_of_range("height", v[2], site_height_min, site_height_max, "m")}) {
        if (!why.empty()) return {std::nullopt, prefix + why};
    }
    return {SiteArg{.name = "", .lat = v[0], .lon = v[1], .height = v[2]}, {}};
}

Observer resolve_site(const SiteArg& a, const std::string& giza_file, const std::string& teoti_file)
{
    if (a.name == "giza") return giza_site(giza_file);
    if (a.name == "teotihuacan") return teoti_site(teoti_file);
    return Observer{a.lat, a.lon, a.height, ""};
}

} // namespace r7
