// Rulers of the report tables.
#pragma once

namespace r7 {

// linie: a ruler of a report table.
// Takes:    the unit (1 the report file, 6 the terminal), the kind: 1 79 "=",
//           2 79 "-", 3 147 "=", 4 147 "-".
// Returns:  nothing; the ruler, behind one blank, is written to the unit.
// Notes:    1. Any other kind writes nothing.
void linie(int unit, int kind);

} // namespace r7
