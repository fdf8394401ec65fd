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

// Reads the arguments (without the program name). --help and --version write
// their text to out and end with status 0; an unknown option, a missing or
// unreadable option value, a number that is not a menu answer, more than one
// answer, or options without an answer that has a record set write one line
// "R7 stopped: ..." with a pointer to --help to err and end with exit_usage.
// Whether the set of the answer has the fields the options change is decided
// once the set is read (apply_overrides, refuse_site). --site is no field of
// the set: it goes with the detailed dialog (0) as well, whose answers decide
// whether the run computes transits.
CommandLine parse_command_line(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

// The usage text of --help.
std::string_view usage_text();

// The version line of --version: the banner's title and the release number.
std::string version_text();

} // namespace r7
