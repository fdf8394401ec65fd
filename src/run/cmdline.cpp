#include "run/cmdline.hpp"

#include <string>

#include "state/codes.hpp"
#include "state/dialog.hpp"
#include "transit/series.hpp"

#ifndef R7_VERSION
#define R7_VERSION "unknown"
#endif

namespace r7 {

namespace {

constexpr std::string_view title = "HELIOSYNCHRONOMETRICS  Program R7, Aug. 2022";

constexpr std::string_view usage = R"(usage: r7 [ANSWER [OPTION]...]
       r7 --help | --version

HELIOSYNCHRONOMETRICS, Program R7: heliocentric positions of the planets from
VSOP87 or Kepler orbits, compared with the Giza pyramids and the chambers of
the Great Pyramid; transits of Mercury and Venus, syzygies, and the distances
of Teotihuacan. One start is one run.

Without ANSWER r7 prints its banner and menu and reads the menu answer and all
further answers, one per line, from standard input: typed at a terminal or
coming from a pipe (echo 3 | r7). ANSWER (for example 11, -804 or 999) runs
that menu answer at once, without banner and menu; the questions of the
detailed dialog (answer 0) are still read from standard input.

Options change the record set of ANSWER before it runs (r7 11 --from 2000
--to 2100 --ut); inedit.t records the changed set, so 999 can repeat it. An
option whose field the answer's study does not have is refused:
  --from YEAR   first year (runs over a range of years)
  --to YEAR     last year
  --tt, --ut    contact times in Terrestrial or Universal Time (transits with
                contacts)
  --short       the short series alone
  --full        transits: the short series searches, the full series confirms
                (the dialog's "full v."); Giza and chambers at one date: the
                full series
  --file        the report to out.txt, out.csv and out.html as well
  --monitor     the report to the terminal only
  --site SITE   transits seen from a site as well: the local contacts, the
                Sun's altitude and azimuth (giza, teotihuacan, or LAT,LON or
                LAT,LON,HEIGHT in degrees, east positive, and metres); also
                with the detailed dialog (0)
  --            ends the options
  --help        this text
  --version     the program's title and version

Files, all by plain name in the current directory: reads inparm.t, inedit.t,
ingiza.t, inteoti.t, inserie.t, invsop1.t, invsop3.t, VSOP87A.* and VSOP87C.*;
writes inedit.t, out.txt, out.csv and out.html (when chosen) and inser-2.t
(answer -804). run.sh or r7-prepare sets up such a directory.

Exit status:
   0  a run completed, or exit (4) or info (111) was chosen, or the input ended
   1  a data file is missing, unreadable, short or malformed, or a parameter
      set holds a value the dialog would refuse
   2  a computation stopped the run
   3  a report file (out.txt, out.csv, out.html, inser-2.t) cannot be written
   4  standard output could not be written
   5  another run is using the same working directory
   6  out of memory, or no thread could be started
  64  the command line was not understood

User guide: man r7, and the README (share/doc/r7/README.md when installed):
menu answers, files, reading the reports, examples.
)";

CommandLine refuse(std::ostream& err, const std::string& message)
{
    err << "R7 stopped: " << message << " (r7 --help lists the arguments)\n";
    return {std::nullopt, {}, exit_usage, std::nullopt};
}

// The options that take no value, and the field each sets.
bool flag_option(std::string_view name, Overrides& o)
{
    if (name == "--tt") {
        o.time_scale = TimeScale::tt;
    } else if (name == "--ut") {
        o.time_scale = TimeScale::ut;
    } else if (name == "--short") {
        o.series = EphemChoice::short_series;
    } else if (name == "--full") {
        o.series = EphemChoice::full_series;
    } else if (name == "--file") {
        o.output = OutputChoice::monitor_and_file;
    } else if (name == "--monitor") {
        o.output = OutputChoice::monitor;
    } else {
        return false;
    }
    return true;
}

bool takes_value(std::string_view name) { return name == "--from" || name == "--to"; }

// Where an option may stand for a menu answer (the set options and --site);
// the first of them names the option in the message.
std::optional<CommandLine> refuse_for_answer(int answer, const std::string& first_set_option, bool site,
                                             std::ostream& err)
{
    if (answer == 0 && !first_set_option.empty())
        return refuse(err, "option " + first_set_option + ": the detailed dialog (0) asks for every value");
    const std::string first = first_set_option.empty() ? "--site" : first_set_option;
    if (answer == 111) return refuse(err, "option " + first + ": the info text (111) runs nothing");
    if (answer == series_build_run) {
        if (!first_set_option.empty())
            return refuse(err, "option " + first + ": the series file run (-804) has fixed years and series");
        if (site)
            return refuse(err, "option --site: the series file run (-804) builds the series file; the local "
                               "circumstances belong to the transit runs");
    }
    return std::nullopt;
}

} // namespace

std::string_view usage_text() { return usage; }

std::string version_text() { return std::string(title) + ", version " + R7_VERSION + "\n"; }

CommandLine parse_command_line(std::span<const std::string_view> args, std::ostream& out, std::ostream& err)
{
    CommandLine cl;
    bool options_end = false;
    bool any_option = false;
    std::string first_option;     // of any option that needs an answer
    std::string first_set_option; // of the options that change the record set
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view a = args[i];
        // Numbers first: -804 is a menu answer, not an option.
        const bool option = !options_end && a.starts_with('-') && a.size() > 1 && !command_number<int>(a);
        if (!option) {
            if (!options_end && a == "--") {
                options_end = true;
                continue;
            }
            const auto answer = command_number<int>(a);
            if (!answer || !is_menu_answer(*answer)) return refuse(err, "not a menu answer: " + std::string(a));
            if (cl.menu_answer) return refuse(err, "one menu answer only, not also " + std::string(a));
            cl.menu_answer = answer;
            continue;
        }
        if (a == "--") {
            options_end = true;
            continue;
        }
        if (a == "--help" || a == "-h") {
            out << usage;
            return {std::nullopt, {}, 0, std::nullopt};
        }
        if (a == "--version") {
            out << version_text();
            return {std::nullopt, {}, 0, std::nullopt};
        }
        // --name value or --name=value.
        std::string_view name = a;
        std::optional<std::string_view> value;
        if (const auto eq = a.find('='); eq != std::string_view::npos) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
        }
        if (name == "--site") {
            if (!value) {
                if (i + 1 >= args.size())
                    return refuse(err, "option --site needs a site: giza, teotihuacan or LAT,LON[,HEIGHT]");
                value = args[++i];
            }
            SiteParse sp = parse_site(*value);
            if (!sp.site) return refuse(err, sp.error);
            cl.site = std::move(sp.site);
            if (!any_option) first_option = "--site";
            any_option = true;
            continue;
        }
        if (takes_value(name)) {
            if (!value) {
                if (i + 1 >= args.size()) return refuse(err, "option " + std::string(name) + " needs a year");
                value = args[++i];
            }
            const auto year = command_number<double>(*value);
            if (!year) return refuse(err, "option " + std::string(name) + ": not a year: " + std::string(*value));
            (name == "--from" ? cl.overrides.year_from : cl.overrides.year_to) = *year;
        } else if (value || !flag_option(name, cl.overrides)) {
            return refuse(err, (value && flag_option(name, cl.overrides) ? "option " + std::string(name) +
                                                                               " takes no value"
                                                                         : "unknown option " + std::string(a)));
        }
        if (!any_option) first_option = std::string(name);
        if (first_set_option.empty()) first_set_option = std::string(name);
        any_option = true;
    }
    if (any_option) {
        if (!cl.menu_answer) {
            if (first_set_option.empty())
                return refuse(err, "option --site goes with a menu answer of transits; name the answer, e.g. r7 12 "
                                   "--site giza");
            return refuse(err, "option " + first_option + " changes the record set of a menu answer; name the "
                                                          "answer, e.g. r7 11 --from 2000");
        }
        if (auto r = refuse_for_answer(*cl.menu_answer, first_set_option, cl.site.has_value(), err)) return *r;
    }
    return cl;
}

} // namespace r7
