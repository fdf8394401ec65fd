#include "state/store.hpp"
#include "state/slots.hpp"

namespace r7 {

thread_local constinit Base base;
Astro astro;

void reset_series_state()
{
    astro.ase.fill(0.0);
    astro.ser.fill(0.0);
    astro.ise.fill(0);
    astro.ismax = series_max_unset;
    astro.zstart = series_start_unset;
    astro.isflag = 0;
    astro.isfull = 0;
}

} // namespace r7
