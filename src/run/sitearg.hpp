// The observing site of a transit run (--site): a place given by its latitude,
// longitude and height, or one of the two sites of the installation data, the
// Great Pyramid of Giza ("ingiza.t") and the Pyramid of the Sun at
// Teotihuacan ("inteoti.t").
#pragma once

#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>

#include "transit/local.hpp"

namespace r7 {

// The accepted ranges of a place [deg, deg, m].
inline constexpr double site_lat_max = 90.0;
inline constexpr double site_lon_max = 180.0;
inline constexpr double site_height_min = -500.0;
inline constexpr double site_height_max = 10000.0;

// The data lines of the named sites: ingiza.t line 68 holds the Great
// Pyramid's latitude, longitude and height; inteoti.t line 40 the height of the
// Pyramid of the Sun, whose latitude and longitude are those of its point 8
// (line 27).
inline constexpr int giza_site_line = 68;
inline constexpr int teoti_site_line = 40;
inline constexpr int teoti_site_point = 8;

// --site as given on the command line.
struct SiteArg {
    std::string name;   // "giza" or "teotihuacan"; empty for a place given by coordinates
    double lat = 0.0;   // the place [deg north, deg east, m]
    double lon = 0.0;
    double height = 0.0;
};

// What parse_site found: the site, or why the text is none.
struct SiteParse {
    std::optional<SiteArg> site;
    std::string error; // "--site 95,10: latitude 95 is outside -90 to 90 degrees"
};

// command_number: a number of the command line.
// Takes:    the text of one value; T is int (an answer) or double (a year, a
//           coordinate).
// Returns:  its value when the text is a number of type T written in full (an
//           optional sign, no trailing text; a double finite, an int within
//           the range of int), else nothing.
template <class T>
std::optional<T> command_number(std::string_view s)
{
    T v{};
    const char* first = s.data() + (s.starts_with('+') ? 1 : 0);
    const char* last = s.data() + s.size();
    if (first == last) return std::nullopt;
    const auto [end, ec] = std::from_chars(first, last, v);
    if (ec != std::errc{} || end != last) return std::nullopt;
    if constexpr (std::is_floating_point_v<T>) {
        if (!std::isfinite(v)) return std::nullopt;
    }
    return v;
}

// parse_site: the value of --site.
// Takes:    the text: "giza" or "teotihuacan" (in any case), or LAT,LON or
//           LAT,LON,HEIGHT (degrees, north and east positive; metres above the
//           ellipsoid, 0 when left out).
// Returns:  the site, or the reason why the text is not one (a name the
//           program does not know, a value that is not a number, a value
//           outside -90..90, -180..180 or -500..10000 m).
SiteParse parse_site(std::string_view text);

// resolve_site: the observer of a site.
// Takes:    the site as parsed, the site files (in the working directory).
// Returns:  the observer: a place as given (without a name), or a named site
//           with its coordinates from the data file.
// Notes:    1. A named site whose data line is missing or malformed throws
//              DataError naming the file and line (an "ingiza.t" or
//              "inteoti.t" of an older installation lacks the lines: copy the
//              file from the installation data).
Observer resolve_site(const SiteArg& a, const std::string& giza_file = "ingiza.t",
                      const std::string& teoti_file = "inteoti.t");

} // namespace r7
