// Program R7: one start is one run.
#include <iostream>
#include <string_view>
#include <vector>

#include "run/cmdline.hpp"
#include "run/run.hpp"

int main(int argc, char** argv)
{
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const r7::CommandLine cl = r7::parse_command_line(args, std::cout, std::cerr);
    if (cl.exit_status) return *cl.exit_status;
    return r7::r7_main(cl.menu_answer, cl.overrides);
}
