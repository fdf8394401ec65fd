// Each notation of the record layouts with its exact output, as a Fortran runtime
// writes it (but for the deliberate differences noted in layout.cpp).
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "io/layout.hpp"

namespace r7::io {
namespace {

struct Case {
    const char* layout;
    std::vector<Arg> values;
    std::string want;
};

void check(const std::vector<Case>& cases)
{
    for (const auto& c : cases) EXPECT_EQ(layout(c.layout).write(c.values), c.want) << c.layout;
}

TEST(Layout, EachNotation)
{
    check({
        // integers: minimum digits; overflow gives asterisks
        {"(i3.2)", {7}, " 07\n"},
        {"(i3.3)", {-5}, "***\n"},
        {"(i1)", {12}, "*\n"},
        {"(i3.0,'|')", {0}, "   |\n"},
        // fixed point: the point always, "0" only where there is room, rounding of
        // the exact binary value, no minus sign on a value rounding to zero
        {"(f4.3)", {0.5}, ".500\n"},
        {"(f5.3)", {-0.5}, "-.500\n"},
        {"(f6.2)", {1234.5}, "******\n"},
        {"(f2.0)", {9.6}, "**\n"},
        {"(f5.2)", {2.675}, " 2.67\n"},
        {"(f3.0)", {2.5}, " 2.\n"},
        {"(f6.3)", {-0.0001}, " 0.000\n"},
        {"(f3.1)", {-0.04}, "0.0\n"},
        {"(f5.1)", {3}, "  3.0\n"},
        {"(f8.2)", {std::nan("")}, "     NaN\n"},
        // exponent: mantissa below one, scale factors, carry into the exponent,
        // three-digit exponents, narrow fields
        {"(-1p,e12.5)", {123.456}, " 0.01235E+04\n"},
        {"(2p,e12.5)", {123.456}, " 12.3456E+01\n"},
        {"(e10.3)", {9.9996}, " 0.100E+02\n"},
        {"(e12.5)", {-2.5e-3}, "-0.25000E-02\n"},
        {"(e12.5)", {1e150}, " 0.10000+151\n"},
        {"(e8.3)", {1e5}, ".100E+06\n"},
        {"(e7.3)", {1e5}, "*******\n"},
        {"(e12.4e3)", {1e150}, " 0.1000E+151\n"},
        {"(e9.2e1)", {1e5}, "  0.10E+6\n"},
        {"(d10.3)", {1.5}, " 0.150D+01\n"},
        {"(1p,f10.3,'|',e12.5,0p,'|',f10.3)", {1.5, 1.5, 1.5}, "    15.000| 1.50000E+00|     1.500\n"},
        // texts, quotes, repeated texts, blanks inside the layout
        {"(a3,'|',a5,'|',a)", {"abcdef", "ab", "as is "}, "abc|   ab|as is \n"},
        {"('it''s',\" say \"\"x\"\"\")", {}, "it's say \"x\"\n"},
        {"(3('-'),2'ab',1x,3(\"=\"))", {}, "---abab ===\n"},
        {"( 2 x , f 6 . 2 )", {1.5}, "    1.50\n"},
        // records: slashes, blanks ending a record vanish, colon
        {"(/'a'/)", {}, "\na\n\n"},
        {"(2/'a')", {}, "\n\na\n"},
        {"(a,5x)", {"ab"}, "ab\n"},
        {"(a,5x,'|')", {"ab"}, "ab     |\n"},
        {"(2(i3,:,'x'),'y')", {1}, "  1\n"},
        // values running out: the record stops at the next field without a value
        {"('a',i3,'b')", {}, "a\n"},
        {"(i3,' and ',i3,' end')", {1}, "  1 and \n"},
        // values outlasting the layout: a new record from the last outermost group (not
        // a text-only one, with its repeat count), else from the start; the scale holds
        {"(1x,3i4)", {1, 2, 3, 4, 5, 6, 7}, "    1   2   3\n    4   5   6\n    7\n"},
        {"(i3/)", {1, 2}, "  1\n\n  2\n\n"},
        {"(2(a2),i3)", {"ab", "cd", 1, "ef", "gh", 2}, "abcd  1\nefgh  2\n"},
        {"('x',2(i2,'-',i2))", {1, 2, 3, 4, 5}, "x 1- 2 3- 4\n 5-\n"},
        {"(i5,3('-'))", {1, 2}, "    1---\n    2---\n"},
        {"(e12.5,1p,e12.5)", {1.0, 1.0, 1.0}, " 0.10000E+01 1.00000E+00\n 1.00000E+00\n"},
    });
    EXPECT_EQ(free_form({"                 PLANETS IN ", "ALIGNMENT WITH THE PYRAMIDS OF GIZA"}),
              "                  PLANETS IN ALIGNMENT WITH THE PYRAMIDS OF GIZA\n");
    EXPECT_EQ(free_form({"a", 12, "b"}), " a          12 b\n");
}

TEST(Layout, MalformedLayoutsAndMismatchedValuesAreRefused)
{
    for (const char* bad : {"", "i3", "(i3", "(i3))", "(q3)", "(f6)", "(i)", "('abc)", "(0i3)", "(-i3)", "(e12.5e)",
                            "(a0)", "(((((((((((((((((i1)))))))))))))))))"})
        EXPECT_THROW(Layout{bad}, std::invalid_argument) << bad;
    EXPECT_THROW(fmt("(i3)", {2.0}), std::invalid_argument);
    EXPECT_THROW(fmt("(a)", {2}), std::invalid_argument);
    EXPECT_THROW(fmt("('no fields')", {2}), std::invalid_argument);
}

} // namespace
} // namespace r7::io
