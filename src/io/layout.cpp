// (placeholder; the record-layout engine is being written)
#include "io/layout.hpp"
