// Free-format reading: separators, quotes, nulls, repeats, slashes, continuation
// lines, conversion errors and the end of the input, each error naming the file
// and the line.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "io/freeread.hpp"

namespace r7::io {
namespace {

using Kind = DataError::Kind;

// Runs f and returns the DataError it throws (failing the test when none).
template <class F>
DataError error_of(F f)
{
    try {
        f();
    } catch (const DataError& e) {
        return e;
    }
    ADD_FAILURE() << "no DataError thrown";
    return DataError(Kind::invalid, "", 0, "");
}

TEST(FreeRead, SeparatorsNumbersAndContinuationLines)
{
    std::istringstream in("  1, 2\t3   4,5  rest of line ignored\n"
                          "1.5d0 .5 -3 1e3 1.5D+02 2.5-1\r\n"
                          "1 2\n\n   \n3\n,4\n");
    FreeReader r(in, "test");
    int a = 0, b = 0, c = 0, d = 0, e = 0;
    r.read({&a, &b, &c, &d, &e});
    EXPECT_EQ((std::vector{a, b, c, d, e}), (std::vector{1, 2, 3, 4, 5}));
    double x[6] = {};
    r.read({&x[0], &x[1], &x[2], &x[3], &x[4], &x[5]});
    EXPECT_EQ((std::vector<double>(x, x + 6)), (std::vector{1.5, 0.5, -3.0, 1000.0, 150.0, 0.25}));
    // a short record goes on over blank lines; the comma at the start of the last
    // line only closes the value 3
    r.read({&a, &b, &c, &d});
    EXPECT_EQ((std::vector{a, b, c, d}), (std::vector{1, 2, 3, 4}));
    EXPECT_EQ(r.line(), 7);
    EXPECT_TRUE(r.at_end());
}

TEST(FreeRead, NullsSlashRepeatsAndQuotedTexts)
{
    std::istringstream in("1,,3\n"
                          "7 8 / 9\n"
                          "3*4 2*\n"
                          "2*'ab' x\n"
                          "'it''s, a / text'  \"say \"\"hi\"\"\" plain,next/\n"
                          "'no closing quote, here\n");
    FreeReader r(in, "test");
    int a = -1, b = -1, c = -1;
    r.read({&a, &b, &c});
    EXPECT_EQ((std::vector{a, b, c}), (std::vector{1, -1, 3}));
    a = b = c = -1;
    r.read({&a, &b, &c}); // slash: c unchanged, 9 not read
    EXPECT_EQ((std::vector{a, b, c}), (std::vector{7, 8, -1}));
    int v[5] = {-1, -1, -1, -1, -1};
    r.read({&v[0], &v[1], &v[2], &v[3], &v[4]});
    EXPECT_EQ((std::vector<int>(v, v + 5)), (std::vector{4, 4, 4, -1, -1}));
    std::string s1, s2, s3, s4;
    r.read({&s1, &s2, &s3});
    EXPECT_EQ((std::vector{s1, s2, s3}), (std::vector<std::string>{"ab", "ab", "x"}));
    r.read({&s1, &s2, &s3, &s4});
    EXPECT_EQ((std::vector{s1, s2, s3, s4}), (std::vector<std::string>{"it's, a / text", "say \"hi\"", "plain", "next"}));
    r.read({&s1});
    EXPECT_EQ(s1, "no closing quote, here");
}

TEST(FreeRead, UnreadableValuesNameFileAndLine)
{
    std::istringstream in("1\n2.5\nabc\n'7'\n99999999999\n1e999\nNaN\n-Inf\n");
    FreeReader r(in, "inparm.t");
    int i = 0;
    double x = 0;
    r.read({&i});
    DataError e = error_of([&] { r.read({&i}); });
    EXPECT_EQ(e.kind(), Kind::unreadable);
    EXPECT_EQ(e.file(), "inparm.t");
    EXPECT_EQ(e.line(), 2);
    EXPECT_STREQ(e.what(), "file \"inparm.t\", line 2: expected an integer, found \"2.5\"");
    EXPECT_EQ(error_of([&] { r.read({&x}); }).line(), 3);                // text for a number
    EXPECT_EQ(error_of([&] { r.read({&i}); }).kind(), Kind::unreadable); // quoted number
    EXPECT_EQ(error_of([&] { r.read({&i}); }).kind(), Kind::unreadable); // too large
    EXPECT_EQ(error_of([&] { r.read({&x}); }).line(), 6);                // overflow
    EXPECT_EQ(error_of([&] { r.read({&x}); }).line(), 7);                // not finite
    EXPECT_EQ(error_of([&] { r.read({&x}); }).line(), 8);
    EXPECT_EQ(i, 1); // failed reads leave the target as it was
}

TEST(FreeRead, EndOfInputBeforeOrInsideARecord)
{
    std::istringstream in("1 2\n3\n");
    FreeReader r(in, "standard input");
    int a, b, c;
    r.read({&a, &b});
    DataError mid = error_of([&] { r.read({&a, &b, &c}); });
    EXPECT_EQ(mid.kind(), Kind::end_of_file);
    EXPECT_NE(std::string(mid.what()).find("standard input"), std::string::npos);
    EXPECT_NE(std::string(mid.what()).find("line 2"), std::string::npos);
    EXPECT_EQ(error_of([&] { r.read({&a}); }).kind(), Kind::end_of_file);

    std::istringstream two("title\r\nsecond\n");
    FreeReader t(two, "inparm.t");
    t.skip_lines(1);
    EXPECT_EQ(t.read_line(), "second");
    EXPECT_STREQ(error_of([&] { t.skip_lines(5); }).what(), "file \"inparm.t\" ends at line 2; expected 5 more lines");
    EXPECT_EQ(error_of([&] { t.read_line(); }).kind(), Kind::end_of_file);
}

} // namespace
} // namespace r7::io
