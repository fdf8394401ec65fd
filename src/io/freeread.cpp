// (placeholder; the free-format reader is being written)
#include "io/freeread.hpp"
