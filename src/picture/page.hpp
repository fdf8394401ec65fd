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

// page_html: the page for the results and the finished report text.
// Takes:    the run's results, the report text.
// Returns:  the XHTML page: the report's heading as title and subtitles, the
//           figures of the site rows, transits, syzygies and Teotihuacan epochs
//           the run recorded, then the report itself (escaped, preformatted).
std::string page_html(const results::Run& run, const std::string& report);

// write_page: the page of a finished report written.
// Takes:    the run's results, the report file's name, the page's name.
// Returns:  an empty string, or the reason why the page could not be written
//           (the report file unreadable, or the page not written); page_name is
//           then left as it was.
// Notes:    1. The page replaces page_name as a whole, never through a link
//              (io::write_file_atomic).
std::string write_page(const results::Run& run, const std::string& report_name, const std::string& page_name);

} // namespace r7::picture
