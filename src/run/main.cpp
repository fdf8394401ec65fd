// Program R7: one start is one run.
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>
#include <string_view>
#include <vector>

#include "io/error.hpp"
#include "run/cmdline.hpp"
#include "run/run.hpp"

int main(int argc, char** argv)
{
    // A pipe whose reader has gone makes a write fail rather than end the
    // process without a word (r7 --help | head -1).
    std::signal(SIGPIPE, SIG_IGN);
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const r7::CommandLine cl = r7::parse_command_line(args, std::cout, std::cerr);
    if (cl.exit_status) {
        if (*cl.exit_status == 0 && !std::cout.flush()) {
            const int err = errno;
            std::cerr << "\n  R7 stopped: standard output cannot be written"
                      << (err != 0 ? std::string(": ") + std::strerror(err) : std::string()) << "\n";
            return r7::exit_terminal;
        }
        return *cl.exit_status;
    }
    return r7::r7_main(cl.menu_answer, cl.overrides, cl.site);
}
