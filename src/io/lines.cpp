#include "io/lines.hpp"

#include <vector>

#include "io/units.hpp"

namespace r7 {

void linie(int unit, int kind)
{
    if (kind < 1 || kind > 4) return;
    const int n = kind <= 2 ? 79 : 147;
    const std::string_view ch = (kind % 2 == 1) ? "=" : "-";
    const std::vector<io::Arg> chars(static_cast<std::size_t>(n), io::Arg(ch));
    const io::Layout& l = io::layout(kind <= 2 ? "(1x,79a1)" : "(1x,147a1)");
    io::units().put(unit, l.write(chars));
}

} // namespace r7
