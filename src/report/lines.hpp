// The rulers of the report tables moved below the report layer, to io/lines.hpp
// (the ephemeris listings draw them too); this header keeps older includes working.
#pragma once

#include "io/lines.hpp"
