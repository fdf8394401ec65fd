// The report page: the figures of the run's recorded results and the report
// text itself, in one self-contained HTML file. The page is also well-formed
// XML (XHTML), so that an XML parser can check it, inline SVG included.
#pragma once

#include <string>

#include "report/results.hpp"

namespace r7::picture {

// Figures shown at most as single transit diagrams; further transits are only
// counted in a line.
inline constexpr std::size_t max_transit_diagrams = 60;

// The page for the results and the finished report text.
std::string page_html(const results::Run& run, const std::string& report);

// Reads the finished report file and replaces page_name with its page (as a
// whole, never through a link). Returns an empty string, or the reason why the
// page could not be written; page_name is then left as it was.
std::string write_page(const results::Run& run, const std::string& report_name, const std::string& page_name);

} // namespace r7::picture
