#include "state/store.hpp"

namespace r7 {

thread_local constinit Base base;
Astro astro;

void reset_series_state()
{
    astro.ase.fill(0.0);
    astro.ser.fill(0.0);
    astro.ise.fill(0);
    astro.ismax = -10000;
    astro.zstart = 99.99;
    astro.isflag = 0;
    astro.isfull = 0;
}

} // namespace r7
