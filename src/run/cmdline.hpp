// The command line of r7: --help, --version, or one menu answer to run without
// the menu. Everything else the program asks for comes from standard input.
#pragma once

#include <optional>
#include <ostream>
#include <span>
#include <string_view>

namespace r7 {

// Exit status for a command line the program does not understand (EX_USAGE of
// sysexits.h).
inline constexpr int exit_usage = 64;

struct CommandLine {
    std::optional<int> menu_answer; // the answer given as argument
    std::optional<int> exit_status; // set when the program ends without a run
};

// Reads the arguments (without the program name). --help and --version write
// their text to out and end with status 0; an unknown option, a number that is
// not a menu answer, or more than one argument writes a message and the usage
// to err and ends with exit_usage.
CommandLine parse_command_line(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

// The usage text of --help.
std::string_view usage_text();

} // namespace r7
