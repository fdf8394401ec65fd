// The CSV tables: fields as RFC 4180 quotes them, reals that read back to the
// same double, and a table whose lines all have the header's fields.
#include <cstdlib>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "report/csv.hpp"
#include "report/results.hpp"

namespace {

using r7::csv::field;
using r7::csv::Value;

TEST(Csv, FieldsQuoteWhatWouldSplitThem)
{
    EXPECT_EQ(field(Value{}), "");
    EXPECT_EQ(field(Value{-150LL}), "-150");
    EXPECT_EQ(field(Value{std::string("Mercury")}), "Mercury");
    EXPECT_EQ(field(Value{std::string("a, b")}), "\"a, b\"");
    EXPECT_EQ(field(Value{std::string("the \"GPS\" column")}), "\"the \"\"GPS\"\" column\"");
    EXPECT_EQ(field(Value{std::string("two\nlines")}), "\"two\nlines\"");
    EXPECT_EQ(field(Value{std::string(" padded")}), "\" padded\"");
    EXPECT_EQ(field(Value{std::numeric_limits<double>::quiet_NaN()}), "");
    EXPECT_EQ(field(Value{std::numeric_limits<double>::infinity()}), "");
    EXPECT_EQ(field(Value{0.1}), "0.1");
    EXPECT_EQ(field(Value{2451545.0}), "2451545");
}

TEST(Csv, RealsReadBackToTheSameDouble)
{
    // Values that need all 17 digits, the longest texts, a subnormal and the largest double.
    for (double v : {0.1 + 0.2, 1.0 / 3.0, -2451545.123456789, -2.2250738585072014e-308, 5e-324,
                     std::numeric_limits<double>::max()}) {
        const std::string text = field(Value{v});
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), v) << text;
    }
}

TEST(Csv, EveryLineHasTheFieldsOfTheHeader)
{
    const std::string_view columns[] = {"name", "x_m", "note"};
    r7::csv::Table t("t.csv", columns);
    t.add_row();
    t.set("name", std::string("Venus, planet"));
    t.set("x_m", -1.5);
    t.add_row();
    t.set("note", std::string("said \"twice\""));
    EXPECT_THROW(t.set("y_m", 1.0), std::logic_error);
    // Empty fields where a row sets no value, lines ended by CR LF.
    EXPECT_EQ(t.text(), "name,x_m,note\r\n\"Venus, planet\",-1.5,\r\n,,\"said \"\"twice\"\"\"\r\n");
}

TEST(Csv, EveryTableHasUniqueNamedColumns)
{
    using K = r7::results::TableKind;
    for (K k : {K::transits, K::syzygies, K::site_rows, K::teoti_epochs, K::teoti_bodies, K::teoti_points,
                K::planets}) {
        const auto cols = r7::results::table_columns(k);
        for (std::size_t i = 0; i < cols.size(); ++i) {
            EXPECT_FALSE(cols[i].empty());
            EXPECT_EQ(cols[i].find_first_of(", \""), std::string_view::npos) << cols[i];
            for (std::size_t j = i + 1; j < cols.size(); ++j) EXPECT_NE(cols[i], cols[j]);
        }
    }
}

} // namespace
