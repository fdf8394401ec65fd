// Free-format reading: separators, quotes, nulls, repeats, slashes, continuation
// lines, conversion errors and the end of the input, each error naming the file
// and the line.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "io/freeread.hpp"
#include "test_support.hpp"

namespace r7::io {
namespace {

using Kind = DataError::Kind;

// Runs f and returns the DataError it throws (failing the test when none).
template <class F>
DataError error_of(F f) {
    try {
        f();
    } catch (const DataError& e) {
        return e;
    }
    ADD_FAILURE() << "no DataError thrown";
    return DataError(Kind::invalid, "", 0, "");
}

TEST(FreeRead, SeparatorsAndOneRecordPerRead) {
    std::istringstream in("  1, 2\t3   4,5  rest of line ignored\n"
                          "-7,+8\r\n"
                          "1.5d0 .5 1. -3 1e3 1.5D+02 2.5-1\n");
    FreeReader r(in, "test");
    int a = 0, b = 0, c = 0, d = 0, e = 0;
    r.read({&a, &b, &c, &d, &e});
    EXPECT_EQ((std::vector{a, b, c, d, e}), (std::vector{1, 2, 3, 4, 5}));
    r.read({&a, &b});
    EXPECT_EQ(a, -7);
    EXPECT_EQ(b, 8);
    double x[7] = {};
    r.read({&x[0], &x[1], &x[2], &x[3], &x[4], &x[5], &x[6]});
    EXPECT_EQ(x[0], 1.5);
    EXPECT_EQ(x[1], 0.5);
    EXPECT_EQ(x[2], 1.0);
    EXPECT_EQ(x[3], -3.0);
    EXPECT_EQ(x[4], 1000.0);
    EXPECT_EQ(x[5], 150.0);
    EXPECT_EQ(x[6], 0.25);
    EXPECT_EQ(r.line(), 3);
    EXPECT_TRUE(r.at_end());
}

TEST(FreeRead, ShortRecordContinuesOnFollowingLines) {
    std::istringstream in("1 2\n\n   \n3\n,4\n9\n");
    FreeReader r(in, "test");
    int a = 0, b = 0, c = 0, d = 0;
    r.read({&a, &b, &c, &d});
    // the comma at the start of line 5 only closes the value 3
    EXPECT_EQ((std::vector{a, b, c, d}), (std::vector{1, 2, 3, 4}));
    EXPECT_EQ(r.line(), 5);
    r.read({&a});
    EXPECT_EQ(a, 9);
}

TEST(FreeRead, NullsSlashAndRepeatsLeaveOrFillTargets) {
    std::istringstream in("1,,3\n"
                          ",2\n"
                          "7 8 / 9\n"
                          "3*4 2*\n"
                          "2*'ab' x\n"
                          "5*1\n");
    FreeReader r(in, "test");
    int a = -1, b = -1, c = -1;
    r.read({&a, &b, &c});
    EXPECT_EQ((std::vector{a, b, c}), (std::vector{1, -1, 3}));
    a = b = -1;
    r.read({&a, &b});
    EXPECT_EQ(a, -1);
    EXPECT_EQ(b, 2);
    a = b = c = -1;
    r.read({&a, &b, &c});  // slash: c unchanged, 9 not read
    EXPECT_EQ((std::vector{a, b, c}), (std::vector{7, 8, -1}));
    int v[5] = {-1, -1, -1, -1, -1};
    r.read({&v[0], &v[1], &v[2], &v[3], &v[4]});
    EXPECT_EQ((std::vector<int>(v, v + 5)), (std::vector{4, 4, 4, -1, -1}));
    std::string s1, s2, s3;
    r.read({&s1, &s2, &s3});
    EXPECT_EQ(s1, "ab");
    EXPECT_EQ(s2, "ab");
    EXPECT_EQ(s3, "x");
    r.read({&a, &b});  // more repeats than targets
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 1);
}

TEST(FreeRead, QuotedAndPlainTexts) {
    std::istringstream in("'it''s, a / text'  \"say \"\"hi\"\"\" plain,next/\n"
                          "'no closing quote, here\n"
                          "'a text much longer than seventy characters is kept whole by the reader itself'\n");
    FreeReader r(in, "test");
    std::string a, b, c, d;
    r.read({&a, &b, &c, &d});
    EXPECT_EQ(a, "it's, a / text");
    EXPECT_EQ(b, "say \"hi\"");
    EXPECT_EQ(c, "plain");
    EXPECT_EQ(d, "next");
    r.read({&a});
    EXPECT_EQ(a, "no closing quote, here");
    r.read({&a});
    EXPECT_EQ(a, "a text much longer than seventy characters is kept whole by the reader itself");
}

TEST(FreeRead, UnreadableValuesNameFileAndLine) {
    std::istringstream in("1\n2.5\n2.0\nabc\n1e\n'7'\n99999999999\n1e999\n0*3\n");
    FreeReader r(in, "inparm.t");
    int i = 0;
    double x = 0;
    r.read({&i});
    DataError e = error_of([&] { r.read({&i}); });
    EXPECT_EQ(e.kind(), Kind::unreadable);
    EXPECT_EQ(e.file(), "inparm.t");
    EXPECT_EQ(e.line(), 2);
    EXPECT_STREQ(e.what(), "file \"inparm.t\", line 2: expected an integer, found \"2.5\"");
    EXPECT_EQ(error_of([&] { r.read({&i}); }).line(), 3);
    EXPECT_EQ(error_of([&] { r.read({&x}); }).kind(), Kind::unreadable);
    EXPECT_EQ(error_of([&] { r.read({&x}); }).kind(), Kind::unreadable);  // "1e"
    EXPECT_EQ(error_of([&] { r.read({&i}); }).kind(), Kind::unreadable);  // quoted number
    EXPECT_EQ(error_of([&] { r.read({&i}); }).kind(), Kind::unreadable);  // too large
    EXPECT_EQ(error_of([&] { r.read({&x}); }).kind(), Kind::unreadable);  // overflow
    DataError rep = error_of([&] { r.read({&i}); });
    EXPECT_EQ(rep.line(), 9);
    EXPECT_EQ(i, 1);  // failed reads leave the target as it was
}

TEST(FreeRead, EndOfInputBeforeOrInsideARecord) {
    std::istringstream in("1 2\n3\n");
    FreeReader r(in, "standard input");
    int a, b, c;
    r.read({&a, &b});
    DataError mid = error_of([&] { r.read({&a, &b, &c}); });
    EXPECT_EQ(mid.kind(), Kind::end_of_file);
    EXPECT_NE(std::string(mid.what()).find("standard input"), std::string::npos);
    EXPECT_NE(std::string(mid.what()).find("line 2"), std::string::npos);
    EXPECT_EQ(error_of([&] { r.read({&a}); }).kind(), Kind::end_of_file);
    EXPECT_EQ(error_of([&] { r.read_line(); }).kind(), Kind::end_of_file);

    std::istringstream empty("");
    FreeReader e(empty, "standard input");
    EXPECT_TRUE(e.at_end());
    EXPECT_EQ(error_of([&] { e.read({&a}); }).kind(), Kind::end_of_file);
}

TEST(FreeRead, SkipAndWholeLines) {
    std::istringstream in("title\r\nsecond\nthird line, as is  \n");
    FreeReader r(in, "inparm.t");
    r.skip_lines(1);
    EXPECT_EQ(r.read_line(), "second");
    EXPECT_EQ(r.read_line(), "third line, as is  ");
    DataError e = error_of([&] { r.skip_lines(5); });
    EXPECT_EQ(e.kind(), Kind::end_of_file);
    EXPECT_STREQ(e.what(), "file \"inparm.t\" ends at line 3; expected 5 more lines");
}

TEST(FreeRead, FilesByName) {
    test::ScratchDir dir(false);
    DataError e = error_of([] { FreeReader r("inedit.t"); });
    EXPECT_EQ(e.kind(), Kind::missing);
    EXPECT_NE(std::string(e.what()).find("inedit.t"), std::string::npos);
    test::write_file("inedit.t", "free text\n  1  2  3\n");
    FreeReader r("inedit.t");
    int a, b, c;
    r.skip_lines(1);
    r.read({&a, &b, &c});
    EXPECT_EQ(c, 3);
    EXPECT_EQ(r.name(), "inedit.t");
}

TEST(FreeRead, HostileInputNeitherCrashesNorHangs) {
    std::string junk;
    for (int i = 0; i < 5000; ++i) junk += static_cast<char>((i * 7919) % 256);
    junk += std::string(3'000'000, 'x');  // one very long line
    junk += '\0';
    junk += "\n12\n";
    std::istringstream in(junk);
    FreeReader r(in, "junk");
    std::string s;
    int guard = 0;
    while (!r.at_end() && ++guard < 100000) {
        try {
            r.read({&s});
        } catch (const DataError&) {
        }
    }
    EXPECT_LT(guard, 100000);
    std::istringstream nul(std::string("4\0 5\n", 5));
    FreeReader n(nul, "nul");
    int a = 0, b = 0;
    EXPECT_EQ(error_of([&] { n.read({&a, &b}); }).kind(), Kind::unreadable);
    std::istringstream lng(std::string(2'000'000, '7') + "\n");
    FreeReader l(lng, "long");
    EXPECT_EQ(error_of([&] { l.read({&a}); }).kind(), Kind::unreadable);
}

} // namespace
} // namespace r7::io
