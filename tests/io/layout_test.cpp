// Record layouts: each notation with its exact output, then layouts of the report
// with known values. Expected texts were checked against a Fortran runtime where
// the two agree (see layout.cpp for the few deliberate differences).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "io/layout.hpp"

namespace r7::io {
namespace {

TEST(LayoutInteger, RightJustifiedWithMinimumDigitsAndOverflow) {
    EXPECT_EQ(fmt("(i2)", {5}), " 5\n");           // a minute: no leading zero
    EXPECT_EQ(fmt("(i3.2)", {7}), " 07\n");
    EXPECT_EQ(fmt("(i4.3)", {-5}), "-005\n");
    EXPECT_EQ(fmt("(i3.3)", {-5}), "***\n");
    EXPECT_EQ(fmt("(i1)", {12}), "*\n");
    EXPECT_EQ(fmt("(i3.0,'|')", {0}), "   |\n");   // i.0 of zero is all blanks
    EXPECT_EQ(fmt("(i5)", {-1234}), "-1234\n");
    EXPECT_EQ(fmt("(i4)", {-1234}), "****\n");
    EXPECT_EQ(fmt("(i20)", {std::numeric_limits<long long>::min()}),
              "-9223372036854775808\n");
}

TEST(LayoutFixed, LeadingZeroOnlyWhereThereIsRoom) {
    EXPECT_EQ(fmt("(f6.3)", {0.5}), " 0.500\n");
    EXPECT_EQ(fmt("(f4.3)", {0.5}), ".500\n");
    EXPECT_EQ(fmt("(f5.3)", {-0.5}), "-.500\n");
    EXPECT_EQ(fmt("(f2.1)", {0.0}), ".0\n");
    EXPECT_EQ(fmt("(f5.0)", {0.4}), "   0.\n");
    EXPECT_EQ(fmt("(f2.0)", {0.4}), "0.\n");
    EXPECT_EQ(fmt("(f1.0)", {0.0}), "*\n");
}

TEST(LayoutFixed, PointAlwaysWrittenAndOverflowGivesAsterisks) {
    EXPECT_EQ(fmt("(f3.0)", {12.0}), "12.\n");
    EXPECT_EQ(fmt("(f6.2)", {1234.5}), "******\n");
    EXPECT_EQ(fmt("(f2.0)", {9.6}), "**\n");    // rounds up to 10.
    EXPECT_EQ(fmt("(f3.0)", {-9.6}), "***\n");
    EXPECT_EQ(fmt("(f10.2)", {1e300}), "**********\n");
    EXPECT_EQ(fmt("(f7.3)", {999.9999}), "*******\n");
    EXPECT_EQ(fmt("(f15.5)", {2451545.0}), "  2451545.00000\n");
}

TEST(LayoutFixed, RoundsTheExactBinaryValue) {
    EXPECT_EQ(fmt("(f5.2)", {2.675}), " 2.67\n");  // 2.67499999...
    EXPECT_EQ(fmt("(f4.1)", {0.05}), " 0.1\n");    // 0.05000000000000000277
    // exact binary ties go to the even digit, as the Fortran runtime does
    EXPECT_EQ(fmt("(f3.0)", {2.5}), " 2.\n");
    EXPECT_EQ(fmt("(f4.0)", {3.5}), "  4.\n");
    EXPECT_EQ(fmt("(f5.2)", {0.125}), " 0.12\n");
    EXPECT_EQ(fmt("(f6.3)", {7.0625}), " 7.062\n");
}

TEST(LayoutFixed, ValueRoundingToZeroHasNoMinusSign) {
    EXPECT_EQ(fmt("(f6.3)", {-0.0001}), " 0.000\n");
    EXPECT_EQ(fmt("(f6.3)", {-0.0}), " 0.000\n");
    EXPECT_EQ(fmt("(f3.0)", {-0.4}), " 0.\n");
    EXPECT_EQ(fmt("(f3.1)", {-0.04}), "0.0\n");  // room for the "0" without the sign
    EXPECT_EQ(fmt("(f7.3)", {-0.0006}), " -0.001\n");
}

TEST(LayoutFixed, IntegerValuesAreAcceptedAndNonFiniteValuesNamed) {
    EXPECT_EQ(fmt("(f5.1)", {3}), "  3.0\n");
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(fmt("(f8.2)", {std::nan("")}), "     NaN\n");
    EXPECT_EQ(fmt("(e12.5)", {inf}), "    Infinity\n");
    EXPECT_EQ(fmt("(f4.1)", {-inf}), "-Inf\n");
    EXPECT_EQ(fmt("(f2.1)", {inf}), "**\n");
}

TEST(LayoutExponent, MantissaBelowOneAndWithScaleFactor) {
    EXPECT_EQ(fmt("(e12.5)", {123.456}), " 0.12346E+03\n");
    EXPECT_EQ(fmt("(1p,e12.5)", {123.456}), " 1.23456E+02\n");
    EXPECT_EQ(fmt("(1pe12.5)", {123.456}), " 1.23456E+02\n");
    EXPECT_EQ(fmt("(-1p,e12.5)", {123.456}), " 0.01235E+04\n");
    EXPECT_EQ(fmt("(2p,e12.5)", {123.456}), " 12.3456E+01\n");
    EXPECT_EQ(fmt("(e12.5)", {0.0}), " 0.00000E+00\n");
    EXPECT_EQ(fmt("(e10.3)", {9.9996}), " 0.100E+02\n"); // carry into the exponent
    EXPECT_EQ(fmt("(e12.5)", {-2.5e-3}), "-0.25000E-02\n");
}

TEST(LayoutExponent, WideExponentsNarrowFieldsAndExponentDigits) {
    EXPECT_EQ(fmt("(e12.5)", {1e150}), " 0.10000+151\n");
    EXPECT_EQ(fmt("(e12.5)", {-1e-150}), "-0.10000-149\n");
    EXPECT_EQ(fmt("(1p,e12.5)", {1e-100}), " 1.00000-100\n");
    EXPECT_EQ(fmt("(e9.3)", {1e5}), "0.100E+06\n");
    EXPECT_EQ(fmt("(e8.3)", {1e5}), ".100E+06\n");
    EXPECT_EQ(fmt("(e7.3)", {1e5}), "*******\n");
    EXPECT_EQ(fmt("(e12.4e3)", {1e150}), " 0.1000E+151\n");
    EXPECT_EQ(fmt("(e9.2e1)", {1e5}), "  0.10E+6\n");
    EXPECT_EQ(fmt("(e10.3e1)", {1e15}), "**********\n");
    EXPECT_EQ(fmt("(d10.3)", {1.5}), " 0.150D+01\n");
}

TEST(LayoutExponent, ScaleFactorPersistsAndScalesFixedFields) {
    EXPECT_EQ(fmt("(1p,f10.3,'|',e12.5,0p,'|',f10.3)", {1.5, 1.5, 1.5}),
              "    15.000| 1.50000E+00|     1.500\n");
    EXPECT_EQ(fmt("(1p,f6.1)", {0.05}), "   0.5\n");
    // the scale factor also holds after a return to the start of the layout
    EXPECT_EQ(fmt("(e12.5,1p,e12.5)", {1.0, 1.0, 1.0}),
              " 0.10000E+01 1.00000E+00\n 1.00000E+00\n");
}

TEST(LayoutText, WidthsQuotesAndRepeatedTexts) {
    EXPECT_EQ(fmt("(a3,'|',a5,'|',a)", {"abcdef", "ab", "as is "}), "abc|   ab|as is \n");
    EXPECT_EQ(fmt("('it''s',\" say \"\"x\"\"\")"), "it's say \"x\"\n");
    EXPECT_EQ(fmt("('[\"]')"), "[\"]\n");
    EXPECT_EQ(fmt("(3('-'),2'ab',1x,3(\"=\"))"), "---abab ===\n");
    EXPECT_EQ(fmt("(A3,1X,I2,F6.3,E12.5)", {"abc", 5, 0.5, 123.456}),
              "abc  5 0.500 0.12346E+03\n");
    EXPECT_EQ(fmt("(a15,' years',f10.2,  ' to',f10.2,a5)", {"x", 1.0, 2.0, "(c1)"}),
              "              x years      1.00 to      2.00 (c1)\n");
    EXPECT_EQ(fmt("( 2 x , f 6 . 2 )", {1.5}), "    1.50\n");
}

TEST(LayoutRecords, SlashesBlanksAndColon) {
    EXPECT_EQ(fmt("(/'a'/)"), "\na\n\n");
    EXPECT_EQ(fmt("(//29x,23('-'))"), "\n\n" + std::string(29, ' ') + std::string(23, '-') + "\n");
    EXPECT_EQ(fmt("(a,5x)", {"ab"}), "ab\n");          // blanks ending a record vanish
    EXPECT_EQ(fmt("(a,5x,'|')", {"ab"}), "ab     |\n");
    EXPECT_EQ(fmt("(2(i3,':'),i3)", {1, 2}), "  1:  2:\n");
    EXPECT_EQ(fmt("(2(i3,:,'x'),'y')", {1}), "  1\n");
    EXPECT_EQ(fmt("(2/'a')"), "\n\na\n");
    EXPECT_EQ(fmt("(i3/)", {1, 2}), "  1\n\n  2\n\n");
}

TEST(LayoutRecords, RunningOutOfValuesStopsAtTheNextField) {
    EXPECT_EQ(fmt("('a',i3,'b')"), "a\n");
    EXPECT_EQ(fmt("(2x,i3,2x)"), "\n");
    EXPECT_EQ(fmt("(i3,' and ',i3,' end')", {1}), "  1 and \n");
    // the info text with two lines instead of 38
    EXPECT_EQ(fmt("(///38(5x,a70/))", {"first line", "second, with comma"}),
              "\n\n\n" + std::string(5 + 60, ' ') + "first line\n" + std::string(5 + 52, ' ') +
                  "second, with comma\n\n");
}

TEST(LayoutRecords, ValuesOutlastingTheLayoutStartNewRecords) {
    EXPECT_EQ(fmt("(1x,3i4)", {1, 2, 3, 4, 5, 6, 7}), "    1   2   3\n    4   5   6\n    7\n");
    // return to the last outermost group, with its repeat count
    EXPECT_EQ(fmt("(2(a2),i3)", {"ab", "cd", 1, "ef", "gh", 2}), "abcd  1\nefgh  2\n");
    EXPECT_EQ(fmt("('h',2(i2),'|',i3)", {1, 2, 3, 4, 5, 6}), "h 1 2|  3\n 4 5|  6\n");
    EXPECT_EQ(fmt("('x',2(i2,'-',i2))", {1, 2, 3, 4, 5}), "x 1- 2 3- 4\n 5-\n");
    // a text-only group is not a return point
    EXPECT_EQ(fmt("(i5,3('-'))", {1, 2}), "    1---\n    2---\n");
}

TEST(LayoutErrors, MalformedLayoutsAndMismatchedValues) {
    for (const char* bad : {"", "i3", "(i3", "(i3))", "(q3)", "(f6)", "(i)", "('abc)", "(0i3)",
                            "(-i3)", "(e12.5e)", "(a0)", "(((((((((((((((((i1)))))))))))))))))"})
        EXPECT_THROW(Layout{bad}, std::invalid_argument) << bad;
    EXPECT_THROW(fmt("(i3)", {"x"}), std::invalid_argument);
    EXPECT_THROW(fmt("(i3)", {2.0}), std::invalid_argument);
    EXPECT_THROW(fmt("(f6.2)", {"x"}), std::invalid_argument);
    EXPECT_THROW(fmt("(a)", {2}), std::invalid_argument);
    EXPECT_THROW(fmt("('no fields')", {2}), std::invalid_argument);
    try {
        fmt("(i3)", {"x"});
    } catch (const std::invalid_argument& e) {
        EXPECT_NE(std::string(e.what()).find("(i3)"), std::string::npos);
    }
}

TEST(LayoutCache, SameLayoutOnceAndSafeAcrossThreads) {
    const Layout& a = layout("(1x,i5)");
    EXPECT_EQ(&a, &layout("(1x,i5)"));
    std::vector<std::thread> ts;
    std::vector<std::string> got(4);
    for (int t = 0; t < 4; ++t)
        ts.emplace_back([t, &got] {
            for (int i = 0; i < 200; ++i)
                got[t] = fmt("(i" + std::to_string(2 + i % 7) + ")", {t});
        });
    for (auto& t : ts) t.join();
    for (int t = 0; t < 4; ++t) EXPECT_EQ(got[t], "    " + std::to_string(t) + "\n"); // last width: i5
    std::string out = "x";
    Arg v[] = {7};
    a.write_to(out, v);
    EXPECT_EQ(out, "x     7\n");
}

TEST(LayoutReport, ClosingAndHeadingLines) {
    EXPECT_EQ(fmt("(1x,a25,i10,7x,a8,i3,a1,i2,a1,f6.3)",
                  {" Detected constellations:", 42, "CPU time", 1, ":", 5, ":", 7.0625}),
              "  Detected constellations:        42       CPU time  1: 5: 7.062\n");
    EXPECT_EQ(fmt("(a15,' years',f10.2,' to',f10.2,a5, ',      tolerance F <',f8.4,' %')",
                  {"  Ecl. north p/", -3000.0, 3000.125, " (c2)", 1.5}),
              "  Ecl. north p/ years  -3000.00 to   3000.12 (c2),      tolerance F <  1.5000 %\n");
    EXPECT_EQ(fmt("(/'  ---->  number too large ',  '(max.',f6.2,').'/)", {99.5}),
              "\n  ---->  number too large (max. 99.50).\n\n");
    EXPECT_EQ(fmt("(3f13.5,f15.5)", {-3000.0, 2000.5, -12345.67891, 2451545.0}),
              "  -3000.00000   2000.50000 -12345.67891  2451545.00000\n");
    EXPECT_EQ(fmt("(25x,'date (',a7,',TT) =',  f4.0,a5,i5,',',i3,2(':',i2),',',A10)",
                  {"Gregor.", 15.0, " May ", 2022, 7, 5, 9, "  Saturday"}),
              "                         date (Gregor.,TT) = 15. May  2022,  7: 5: 9,  Saturday\n");
    EXPECT_EQ(fmt("(1x,13('-'),' (Jul. cal.) ',53('-'))"),
              " ------------- (Jul. cal.) " + std::string(53, '-') + "\n");
    EXPECT_EQ(fmt("(43x,a8,i3,a1,i2,a1,f6.3,a15/)", {"run time", 0, ":", 0, ":", 0.5, " -- end of run."}),
              std::string(43, ' ') + "run time  0: 0: 0.500 -- end of run.\n\n");
    EXPECT_EQ(fmt("(5x,2i5,1p,9e13.5)", {1, 2, 1.0, -2.5e-3, 3e10}),
              "         1    2  1.00000E+00 -2.50000E-03  3.00000E+10\n");
    EXPECT_EQ(fmt("(' co/p    date, phase:   I        I',  'I      nearest     III       IV    sep[\"]a  S')"),
              " co/p    date, phase:   I        II      nearest     III       IV    sep[\"]a  S\n");
    EXPECT_EQ(fmt("(1x,a2,i7,f14.5,f10.2,3f8.3,f9.4,i3,f7.3)",
                  {"->", 4519, 2451545.25, 2000.01, 12.3456, -0.0004, 359.9996, 0.12345, 7, 1.25}),
              " ->   4519 2451545.25000   2000.01  12.346   0.000 360.000   0.1235  7  1.250\n");
}

TEST(LayoutReport, BannerAndMenu) {
    std::vector<std::string> items;
    for (int i = 1; i <= 20; ++i) {
        std::string s = "menu item " + std::string(i < 10 ? " " : "") + std::to_string(i);
        s.resize(17, ' ');
        items.push_back(s);
    }
    std::vector<Arg> v = {"HELIO", "SYNCHRO", "METRICS", "R7"};
    for (int i = 0; i < 78; ++i) v.emplace_back("=");
    for (const auto& s : items) v.emplace_back(s);
    for (int i = 0; i < 78; ++i) v.emplace_back("-");
    const char* menu = "(/4x,a13,6x,a17,5x,a15,5x,a11/1x,78a1/5(2x,2(a17,4x), a16,4x,a14/),1x,78a1)";
    std::string want = "\n            HELIO                SYNCHRO             METRICS              R7\n"
                       " " + std::string(78, '=') + "\n";
    for (int r = 0; r < 5; ++r) {
        auto two = [](int n) { return std::string(n < 10 ? " " : "") + std::to_string(n); };
        want += "  menu item " + two(4 * r + 1) + "         menu item " + two(4 * r + 2) +
                "         menu item " + two(4 * r + 3) + "        menu item " + two(4 * r + 4) + "  \n";
    }
    want += " " + std::string(78, '-') + "\n";
    EXPECT_EQ(layout(menu).write(v), want);
    // fewer items: the record ends at the first field without a value
    std::vector<Arg> part(v.begin(), v.begin() + 4 + 78 + 6);
    std::string first_rows = want.substr(0, want.find("  menu item  5"));
    EXPECT_EQ(layout(menu).write(part), first_rows + "  " + items[4] + "    " + items[5] + "\n");
}

TEST(FreeForm, TextsSideBySideAfterOneBlank) {
    EXPECT_EQ(free_form({"                 PLANETS IN ", "ALIGNMENT WITH THE PYRAMIDS OF GIZA"}),
              "                  PLANETS IN ALIGNMENT WITH THE PYRAMIDS OF GIZA\n");
    EXPECT_EQ(free_form({}), " \n");
    EXPECT_EQ(free_form({"a", 12, "b"}), " a          12 b\n");
    EXPECT_EQ(free_form({12}), "          12\n");
}

} // namespace
} // namespace r7::io
