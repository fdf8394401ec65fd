#include "run/cmdline.hpp"

#include <charconv>
#include <string>

#include "state/dialog.hpp"

namespace r7 {

namespace {

constexpr std::string_view version_text = "HELIOSYNCHRONOMETRICS  Program R7, Aug. 2022\n";

constexpr std::string_view usage = R"(usage: r7 [ANSWER]
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

Files, all by plain name in the current directory: reads inparm.t, inedit.t,
ingiza.t, inteoti.t, inserie.t, invsop1.t, invsop3.t, VSOP87A.* and VSOP87C.*;
writes inedit.t, out.txt and out.html (when chosen) and inser-2.t (answer
-804). run.sh or r7-prepare sets up such a directory.

Exit status:
   0  a run completed, or exit (4) or info (111) was chosen, or the input ended
   1  a data file is missing, unreadable, short or malformed, or a parameter
      set holds a value the dialog would refuse
   2  a computation stopped the run
   3  a report file (out.txt, out.html, inser-2.t) could not be written
   4  standard output could not be written
   5  another run is using the same working directory
   6  out of memory, or no thread could be started
  64  the command line was not understood

Options:
  --help      this text
  --version   the program's name and version

User guide: README.md in the R7 source folder (menu answers, files, examples).
)";

// An optional sign and digits only, within the range of int.
std::optional<int> whole_number(std::string_view s)
{
    int v = 0;
    const char* first = s.data() + (s.starts_with('+') ? 1 : 0);
    const char* last = s.data() + s.size();
    if (first == last) return std::nullopt;
    const auto [end, ec] = std::from_chars(first, last, v);
    if (ec != std::errc{} || end != last) return std::nullopt;
    return v;
}

CommandLine refuse(std::ostream& err, const std::string& message)
{
    err << "R7 stopped: " << message << "\n\n" << usage;
    return {std::nullopt, exit_usage};
}

} // namespace

std::string_view usage_text() { return usage; }

CommandLine parse_command_line(std::span<const std::string_view> args, std::ostream& out, std::ostream& err)
{
    if (args.empty()) return {};
    const std::string_view a = args[0];
    if (a == "--help" || a == "-h") {
        out << usage;
        return {std::nullopt, 0};
    }
    if (a == "--version") {
        out << version_text;
        return {std::nullopt, 0};
    }
    // Numbers first: -804 is a menu answer, not an option.
    const auto answer = whole_number(a);
    if (!answer) {
        return refuse(err, a.starts_with('-') ? "unknown option " + std::string(a)
                                              : "not a menu answer: " + std::string(a));
    }
    if (!is_menu_answer(*answer)) return refuse(err, "not a menu answer: " + std::string(a));
    if (args.size() > 1) return refuse(err, "one menu answer only, not also " + std::string(args[1]));
    return {answer, std::nullopt};
}

} // namespace r7
