// Program R7: one start is one run.
#include "run/run.hpp"

int main()
{
    return r7::r7_main();
}
