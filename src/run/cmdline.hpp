// The command line of r7: --help, --version, or one menu answer to run without
// the menu, with options that change the commonest fields of its record set
// (GNU style: --from 2000 or --from=2000, -- ends the options). Everything else
// the program asks for comes from standard input.
#pragma once

#include <optional>
#include <ostream>
#include <span>
#include <string_view>

#include "run/sitearg.hpp"
#include "state/overrides.hpp"

namespace r7 {

// Exit status for a command line the program does not understand (EX_USAGE of
// sysexits.h).
inline constexpr int exit_usage = 64;

struct CommandLine {
    std::optional<int> menu_answer; // the answer given as argument
    Overrides overrides;            // changes to the answer's record set
    std::optional<int> exit_status; // set when the program ends without a run
    std::optional<SiteArg> site;    // --site: transits seen from a site as well (not a field of the set)
};

// parse_command_line: the arguments of r7.
// Takes:    the arguments (without the program name), the streams for the help
//           text (out) and for the refusal (err).
// Returns:  the menu answer, the changes to its record set and the site; or the
//           exit status of a program that ends without a run.
// Notes:    1. --help (-h) and --version write their text to out and end with
//              status 0.
//           2. An unknown option, a missing or unreadable option value, a
//              number that is not a menu answer, more than one answer, or
//              options without an answer that has a record set (set options
//              with 0, any option with 111, set options or --site with -804)
//              write one line "R7 stopped: ..." with a pointer to --help to err
//              and end with exit_usage.
//           3. Whether the set of the answer has the fields the options change
//              is decided once the set is read (apply_overrides, refuse_site).
//              --site is no field of the set: it goes with the detailed dialog
//              (0) as well, whose answers decide whether the run computes
//              transits.
//           4. A number is an answer, not an option (-804); "--" ends the
//              options; --from and --to take their year as --from 2000 or
//              --from=2000.
CommandLine parse_command_line(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

// usage_text: the text of --help.
// Takes:    nothing.
// Returns:  the usage, the options, the files, the exit statuses.
std::string_view usage_text();

// version_text: the line of --version.
// Takes:    nothing.
// Returns:  the banner's title and the release number, ended by '\n'.
std::string version_text();

} // namespace r7
