#include "state/overrides.hpp"

#include <cmath>
#include <string_view>

#include "state/codes.hpp"
#include "state/dialog.hpp"
#include "state/setcheck.hpp"

namespace r7 {
namespace {

std::string answer_of(const RunParams& p) { return "answer " + std::to_string(p.menu_choice); }

// What the set computes, in a few words.
std::string study_of(const RunParams& p)
{
    switch (p.main_option) {
    case MainOption::giza: return "Giza pyramids";
    case MainOption::chambers: return "chambers of the Great Pyramid";
    case MainOption::teotihuacan: return "Teotihuacan";
    default: break;
    }
    if (p.conj_choice == ConjChoice::mercury_transit) return "transits of Mercury";
    if (p.conj_choice == ConjChoice::venus_transit) return "transits of Venus";
    return "syzygies";
}

std::string who(const RunParams& p) { return answer_of(p) + " (" + study_of(p) + ")"; }

// The range text of the dialog without its padding: "(-13 000. <= year <= 17 000.)".
std::string range_of(int time_kind, int ephem_choice)
{
    std::string_view t = range_text(time_kind, ephem_choice);
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    return std::string(t);
}

std::string year_text(double y)
{
    // Whole years as integers, others with their decimals.
    if (y == std::floor(y) && std::abs(y) < 1e9) return std::to_string(static_cast<long long>(y));
    std::string s = std::to_string(y);
    while (!s.empty() && s.back() == '0') s.pop_back();
    return s;
}

bool is_transit_run(const RunParams& p)
{
    return p.main_option == MainOption::conjunctions && ConjChoice::is_transit(p.conj_choice);
}

// A site study at one passage with the full series, whose interval is one k-number.
bool is_one_k_run(const RunParams& p)
{
    return MainOption::is_site(p.main_option) && p.constellation == Constellation::range &&
           p.ephem_choice == EphemChoice::full_series && Passage::is_point(p.passage);
}

// The first and last year of the run, where the set has them.
std::optional<OverrideRefusal> change_years(const Overrides& o, RunParams& p)
{
    if (!o.year_from && !o.year_to) return std::nullopt;
    const char* option = o.year_from ? "--from" : "--to";
    if (MainOption::is_site(p.main_option)) {
        if (is_one_k_run(p))
            return OverrideRefusal{std::string(option) + ": " + who(p) +
                                   " runs at one k-number of the full series, not over a range of years"};
        if (p.constellation != Constellation::range)
            return OverrideRefusal{std::string(option) + ": " + who(p) +
                                   " runs at one date (a predefined constellation or one JDE), not over a range "
                                   "of years"};
    }
    const bool teoti = p.main_option == MainOption::teotihuacan;
    const int kind = teoti ? teoti_time_kind : 1;
    double lo = 0.0, hi = 0.0;
    time_limits(kind, p.ephem_choice, lo, hi);
    const std::pair<const char*, const std::optional<double>*> given[] = {{"--from", &o.year_from},
                                                                          {"--to", &o.year_to}};
    for (const auto& [name, value] : given) {
        if (!*value) continue;
        const double y = **value;
        if (!std::isfinite(y) || y < lo || y > hi)
            return OverrideRefusal{std::string(name) + " " + year_text(y) + ": the dialog accepts " +
                                   range_of(kind, p.ephem_choice) + " for " + who(p)};
    }
    const double from = o.year_from.value_or(p.year_from);
    const double to = o.year_to.value_or(p.year_to);
    const bool ordered = teoti ? from <= to : from < to;
    if (!ordered)
        return OverrideRefusal{"--to " + year_text(to) + std::string(teoti ? " lies before" : " does not lie after") +
                               " the first year " + year_text(from)};
    if (teoti && to > from && !(p.step_width > 0.0))
        return OverrideRefusal{"--from/--to: " + who(p) + " computes the single year " + year_text(p.year_from) +
                               " and has no step width for a range of years; set one in inedit.t and answer 999"};
    p.year_from = from;
    p.year_to = to;
    return std::nullopt;
}

std::optional<OverrideRefusal> change_time_scale(const Overrides& o, RunParams& p)
{
    if (!o.time_scale) return std::nullopt;
    const char* option = *o.time_scale == TimeScale::ut ? "--ut" : "--tt";
    if (!is_transit_run(p))
        return OverrideRefusal{std::string(option) + ": " + who(p) +
                               " has no choice of time scale; TT or UT is chosen for the contacts of transits"};
    if (!DateMode::with_phases(p.date_mode))
        return OverrideRefusal{std::string(option) + ": " + who(p) +
                               " lists dates of equal longitude or of nearest approach in TT; TT or UT is chosen "
                               "for the contacts (date modes 3 and 4)"};
    p.time_scale = *o.time_scale;
    return std::nullopt;
}

// The series version, as the dialog offers it for the set's study.
std::optional<OverrideRefusal> change_series(const Overrides& o, RunParams& p)
{
    if (!o.series) return std::nullopt;
    const bool to_short = *o.series == EphemChoice::short_series;
    const std::string option = to_short ? "--short" : "--full";
    if (p.main_option == MainOption::teotihuacan)
        return OverrideRefusal{option + ": " + who(p) + " takes the planets' distances from Kepler orbits only"};
    if (is_transit_run(p)) {
        // "full v." of the transit dialog: the short series searches, the full
        // series confirms and times every transit.
        p.ephem_choice = EphemChoice::short_series;
        p.combi_flag = to_short ? 0 : 1;
        p.full_flag = 0;
        p.frame_choice = 1;
        p.vsop_variant = 3;
        return std::nullopt;
    }
    if (p.main_option == MainOption::conjunctions) {
        if (!to_short) {
            if (p.combi_flag == 1) return std::nullopt;
            return OverrideRefusal{option + ": " + who(p) +
                                   " offers the combination of short and full series, which needs the angular "
                                   "range of the full series; the set has none (use the detailed dialog)"};
        }
        if (p.ephem_choice == EphemChoice::kepler)
            return OverrideRefusal{option + ": " + who(p) + " uses Kepler orbits; the short series needs a step "
                                                            "width the set does not hold (use the detailed dialog)"};
        p.ephem_choice = EphemChoice::short_series;
        p.combi_flag = 0;
        p.full_flag = 0;
        p.frame_choice = 1;
        p.vsop_variant = 3;
        p.tol_full = 0.0;
        if (p.step_width != 0.0) p.output_detail = OutputDetail::normal;
        return std::nullopt;
    }
    // The site studies: the series can change where the run takes one date.
    const bool one_date = Constellation::is_predefined(p.constellation) || p.constellation == Constellation::one_jde;
    if (!one_date || p.combi_flag == 1 || p.ephem_choice == EphemChoice::kepler)
        return OverrideRefusal{option + ": " + who(p) +
                               " chooses its series with its passages and tolerances; the series can be changed "
                               "for the runs at one date (a predefined constellation or one JDE)"};
    if (to_short) {
        if (p.frame_choice != 1)
            return OverrideRefusal{option + ": the short series gives the ecliptic of date only; " + who(p) +
                                   " uses J2000.0"};
        p.ephem_choice = EphemChoice::short_series;
        p.full_flag = 0;
    } else {
        if (p.ephem_choice != EphemChoice::full_series) {
            // The dialog asks no output detail with the full series: extended,
            // but normal across a passage area.
            p.output_detail = Passage::is_area(p.passage) ? OutputDetail::normal : OutputDetail::extended;
        }
        p.ephem_choice = EphemChoice::full_series;
        p.full_flag = 1;
    }
    return std::nullopt;
}

void change_output(const Overrides& o, RunParams& p)
{
    if (!o.output) return;
    if (*o.output == OutputChoice::monitor) {
        p.output_choice = OutputChoice::monitor;
    } else if (p.output_choice == OutputChoice::monitor) {
        // "special" already writes the file.
        p.output_choice = OutputChoice::monitor_and_file;
    }
}

} // namespace

std::optional<OverrideRefusal> refuse_site(const RunParams& p)
{
    if (!is_transit_run(p))
        return OverrideRefusal{"--site: " + who(p) +
                               " computes no transits; the local circumstances are those of the transits of Mercury "
                               "and Venus"};
    if (p.vsop_variant == 1)
        return OverrideRefusal{"--site: " + who(p) +
                               " uses the frame of J2000.0; the site turns with the Earth in the ecliptic of date"};
    return std::nullopt;
}

std::optional<OverrideRefusal> apply_overrides(const Overrides& o, RunParams& p)
{
    if (o.empty()) return std::nullopt;
    RunParams changed = p;
    for (auto step : {change_years, change_time_scale, change_series}) {
        if (auto refusal = step(o, changed)) return refusal;
    }
    change_output(o, changed);
    if (const auto v = check_set(changed))
        return OverrideRefusal{"the changed set of " + answer_of(p) + " would not run: " + v->text};
    p = changed;
    return std::nullopt;
}

} // namespace r7
