#include "run/run.hpp"

#include <iostream>

#include "io/error.hpp"
#include "io/units.hpp"

namespace r7 {

int reference_flag(const RunParams& p)
{
    const bool study = (p.main_option == 1 && p.passage == 1) ||
                       (p.main_option == 2 && p.passage == 2 && p.planet_order == 1);
    return (study && p.ephem_choice <= 2 && p.combi_flag == 0 && p.time_scale == 1 && p.output_detail == 2 &&
            p.sun_mode == 5 && p.constellation == 12 && p.output_choice == 3)
               ? 1
               : 0;
}

void convert_interval(RunParams&, RunState&) {}

int r7_main()
{
    return exit_ok;
}

} // namespace r7
