#include "picture/page.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <map>
#include <sstream>

#include "io/error.hpp"
#include "io/safefile.hpp"
#include "picture/localfig.hpp"
#include "picture/sitefig.hpp"
#include "picture/studyfig.hpp"
#include "picture/svg.hpp"
#include "picture/transitfig.hpp"
#include "state/codes.hpp"

namespace r7::picture {
namespace {

constexpr std::string_view style = R"(
body { font-family: sans-serif; margin: 1.5em; color: #111; background: #fff; }
h1 { font-size: 1.3em; margin-bottom: 0.2em; }
p.sub { margin: 0.1em 0; color: #444; }
h2 { font-size: 1.1em; margin-top: 1.5em; }
.grid { display: flex; flex-wrap: wrap; gap: 10px; }
figure { margin: 0 0 12px 0; }
svg { border: 1px solid #ccc; }
pre { font-size: 12px; line-height: 1.25; background: #fafafa; border: 1px solid #ddd; padding: 0.8em; overflow-x: auto; }
)";

// The heading: the first block of non-empty lines of the report, trimmed.
std::vector<std::string> heading_lines(const std::string& report)
{
    std::vector<std::string> out;
    std::istringstream in(report);
    std::string line;
    while (std::getline(in, line)) {
        const auto a = line.find_first_not_of(' ');
        if (a == std::string::npos) {
            if (!out.empty()) break;
            continue;
        }
        const auto b = line.find_last_not_of(' ');
        out.push_back(line.substr(a, b - a + 1));
        if (out.size() == 4) break;
    }
    return out;
}

void figure(std::string& html, const std::string& svg) { html += "<figure>\n" + svg + "</figure>\n"; }

std::string year_text(double year) { return std::to_string(static_cast<long>(std::floor(year))); }

// "8 transits from 1605 to 1628" (or "the transit of 1605").
std::string span_text(const std::vector<results::Transit>& rows, const std::vector<std::size_t>& which)
{
    if (which.empty()) return "no transit";
    const double a = rows[which.front()].year, b = rows[which.back()].year;
    if (which.size() == 1) return "the transit of " + year_text(a);
    return std::to_string(which.size()) + " transits from " + year_text(a) + " to " + year_text(b);
}

void transit_figures(std::string& html, const std::vector<results::Transit>& rows)
{
    if (rows.empty()) return;
    // The planets of the run (the series run has both; the report's heading
    // names the first only).
    const bool mercury = std::any_of(rows.begin(), rows.end(), [](const auto& t) { return t.body == 1; });
    const bool venus = std::any_of(rows.begin(), rows.end(), [](const auto& t) { return t.body == 2; });
    html += std::string("<h2>Transits of ") + (mercury && venus ? "Mercury and Venus" : venus ? "Venus" : "Mercury") +
            "</h2>\n";
    if (rows.front().date_mode <= DateMode::nearest) {
        figure(html, separation_chart_svg(rows));
        return;
    }
    const auto shown = diagram_rows(rows, max_transit_diagrams);
    if (shown.size() < rows.size()) {
        // More transits than diagrams: every transit in the chart first, then
        // in words which ones have a diagram and which are left out.
        std::map<int, std::vector<std::size_t>> all, drawn;
        for (std::size_t i = 0; i < rows.size(); ++i) all[rows[i].body].push_back(i);
        for (std::size_t i : shown) drawn[rows[i].body].push_back(i);
        std::string listed, with, without;
        for (const auto& [body, list] : all) {
            const std::string planet = body == 2 ? "Venus" : "Mercury";
            std::vector<std::size_t> left;
            std::set_difference(list.begin(), list.end(), drawn[body].begin(), drawn[body].end(), std::back_inserter(left));
            listed += (listed.empty() ? "" : " and ") + std::to_string(list.size()) + " of " + planet + " (" +
                      year_text(rows[list.front()].year) + " to " + year_text(rows[list.back()].year) + ")";
            if (all.size() == 1) {
                listed = std::to_string(list.size()) + " transits of " + planet + " from " +
                         year_text(rows[list.front()].year) + " to " + year_text(rows[list.back()].year);
            }
            with += (with.empty() ? "" : "; of " + planet + " ") + span_text(rows, drawn[body]);
            if (!left.empty()) {
                // The ones left out before and after the diagrams.
                std::vector<std::size_t> before, after;
                for (std::size_t i : left) (drawn[body].empty() || i < drawn[body].front() ? before : after).push_back(i);
                std::string parts;
                if (!before.empty()) parts += span_text(rows, before);
                if (!after.empty()) parts += (parts.empty() ? "" : " and ") + span_text(rows, after);
                without += (without.empty() ? "" : "; ") + (all.size() > 1 ? planet + ": " : "") + parts;
            }
        }
        figure(html, separation_chart_svg(rows));
        html += "<p>The run lists " + (all.size() == 1 ? listed : std::to_string(rows.size()) + " transits: " + listed) +
                "; the chart shows every one of them. Diagrams follow for " + std::to_string(shown.size()) +
                " transits, those nearest the year 2000: " + (all.size() > 1 ? "of Mercury " : "") + with +
                ". Left out of the diagrams (in the chart and in the report below): " + without + ".</p>\n";
    }
    html += "<div class=\"grid\">\n";
    for (std::size_t i : shown) {
        figure(html, transit_svg(rows[i]));
        // The same transit seen from the run's site.
        if (rows[i].local) figure(html, local_transit_svg(rows[i]));
    }
    html += "</div>\n";
}

void syzygy_figures(std::string& html, const std::vector<results::Syzygy>& events)
{
    const results::Syzygy* best = best_syzygy(events);
    if (best == nullptr) return;
    html += "<h2>Syzygies</h2>\n<div class=\"grid\">\n";
    figure(html, syzygy_plan_svg(*best));
    html += "</div>\n";
    if (events.size() > 1) figure(html, spread_chart_svg(events));
}

void teoti_figures(std::string& html, const std::vector<results::TeotiEpoch>& epochs, const results::TeotiAxes& axes)
{
    const results::TeotiEpoch* shown = shown_epoch(epochs);
    if (shown == nullptr) return;
    html += "<h2>Teotihuacan</h2>\n";
    if (epochs.size() > 1) {
        figure(html, r2_chart_svg(epochs));
        html += "<p class=\"sub\">The epoch nearest to the year 2000:</p>\n";
    }
    figure(html, teoti_epoch_chart(*shown, axes).str());
    char spread[32];
    std::snprintf(spread, sizeof spread, "%.3f", teoti_line_spread(*shown));
    html += std::string("<p class=\"sub\">The three fitted lines lie at most ") + spread +
            " apart (in the logarithm) over the plotted distances: perihelion dashed, mean solid, aphelion dotted.</p>\n";
}

void site_figures(std::string& html, const std::vector<results::SiteRow>& rows)
{
    const results::SiteRow* best = best_site_row(rows);
    if (best == nullptr) return;
    html += std::string("<h2>") + (best->site == 1 ? "Giza pyramids" : "Chambers") + "</h2>\n";
    std::string which;
    if (rows.size() > 1) {
        which = (std::isfinite(best->f) ? "the row of least F of " : "the first of ") + std::to_string(rows.size()) + " rows";
    }
    figure(html, site_svg(*best, which));
    if (rows.size() > 1) figure(html, f_chart_svg(rows));
}

} // namespace

std::string page_html(const results::Run& run, const std::string& report)
{
    const auto heading = heading_lines(report);
    const std::string title = heading.empty() ? "R7 report" : heading.front();
    std::string html;
    html.reserve(report.size() * 2 + 65536);
    html += "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n<title>R7: " + escape(title) +
            "</title>\n<style>" + std::string(style) + "</style>\n</head>\n<body>\n";
    html += "<h1>" + escape(title) + "</h1>\n";
    for (std::size_t i = 1; i < heading.size(); ++i) html += "<p class=\"sub\">" + escape(heading[i]) + "</p>\n";
    site_figures(html, run.site_rows);
    transit_figures(html, run.transits);
    syzygy_figures(html, run.syzygies);
    teoti_figures(html, run.teoti, run.teoti_axes);
    html += "<h2>Report</h2>\n<pre>" + escape(report) + "</pre>\n</body>\n</html>\n";
    return html;
}

std::string write_page(const results::Run& run, const std::string& report_name, const std::string& page_name)
{
    std::string report;
    try {
        report = io::read_whole(report_name);
    } catch (const DataError& e) {
        return e.what();
    }
    return io::write_file_atomic(page_name, page_html(run, report));
}

} // namespace r7::picture
