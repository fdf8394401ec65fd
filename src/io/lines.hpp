// Rulers of the report tables.
#pragma once

namespace r7 {

// Writes a ruler to one unit: kind 1 79 "=", 2 79 "-", 3 147 "=", 4 147 "-",
// behind one blank.
void linie(int unit, int kind);

} // namespace r7
