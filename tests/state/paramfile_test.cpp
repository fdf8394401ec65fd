#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <stdexcept>

#include "dialog_support.hpp"
#include "state/paramfile.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

namespace fs = std::filesystem;
using namespace test;

RunParams sample()
{
    RunParams p;
    p.main_option = 2; p.conj_choice = 4; p.ephem_choice = 2; p.full_flag = 1; p.combi_flag = 0;
    p.frame_choice = 2; p.vsop_variant = 1; p.table_switch = 1; p.date_mode = 3; p.time_scale = 2;
    p.calendar_choice = 1;
    p.planet_order = 6; p.passage = 4; p.steps_per_passage = 200000; p.step_width = 1.5;
    p.sun_mode = 5; p.level_choice = 3; p.coord_choice = 1; p.constellation = 12;
    p.year_from = 2900.5; p.year_to = -13000.0; p.k_number = 4519.25; p.start_jde = 2849079.7633;
    p.tol_short = 2.5; p.tol_full = 10.0; p.f_consider = 0.25; p.f_print = 99.99;
    p.conj_filter = 2; p.view = 3; p.output_detail = 1; p.output_choice = 3;
    return p;
}

std::string numbered_lines(int n)
{
    std::string s;
    for (int i = 1; i <= n; ++i) s += "line " + std::to_string(i) + "\n";
    return s;
}

TEST(ParamFile, RecordsInTheirWrittenLayouts)
{
    EXPECT_EQ(set_records(sample()), "  2  4  2  1  0\n"
                                     "  2  1  3  2  1\n"
                                     "  6  4 200000     1.50000\n"
                                     "  5  3  1  12\n"
                                     "   2900.50000 -13000.00000   4519.25000  2849079.76330\n"
                                     "   2.500  10.000   0.250  99.990\n"
                                     "  2  3  1  3\n");
}

// Mode 2 keeps lines 1 to 36 and ends the file with the set, the dash line and
// the END line; copied to lines 27 to 33 the set reads back as the editable set.
TEST(ParamFile, RecordedSetReadsBackAsTheEditableSet)
{
    ScratchDir dir(false);
    write_file("inedit.t", numbered_lines(50));
    RunParams p = sample();
    p.tol_short = 2.34567; // three decimals in the file
    inputfile(p, 77, 2);
    auto lines = lines_of(read_file("inedit.t"));
    ASSERT_EQ(lines.size(), 45u);
    EXPECT_EQ(lines[35], "line 36");
    EXPECT_EQ(lines[36], "  2  4  2  1  0");
    EXPECT_EQ(lines[43], " " + std::string(59, '-'));
    EXPECT_EQ(lines[44], " " + std::string(27, '*') + " END " + std::string(27, '*'));
    EXPECT_FALSE(fs::exists("inedit.t.new"));
    std::string text;
    for (int i = 0; i < 45; ++i) text += lines[i >= 26 && i < 33 ? i + 10 : i] + "\n";
    write_file("inedit.t", text);
    RunParams q;
    q.menu_choice = 999;
    q.vsop_variant = 99;
    inputfile(q, 999, 1);
    p.tol_short = 2.346;
    p.menu_choice = 999; // not stored, so kept as it was
    EXPECT_EQ(describe(q), describe(p));
    // A missing inedit.t is created with the help text and this set as editable.
    fs::remove("inedit.t");
    inputfile(p, 0, 2);
    RunParams e;
    e.menu_choice = 999;
    inputfile(e, 999, 1);
    EXPECT_EQ(describe(e), describe(p));
    // A damaged inedit.t that ends early keeps its lines; the default head completes them.
    const std::string damaged("a\0b\r\n\xff", 6);
    write_file("inedit.t", damaged);
    ASSERT_TRUE(record_run_set(p));
    const auto rewritten = lines_of(read_file("inedit.t"));
    EXPECT_EQ(joined({rewritten[0], rewritten[1]}), damaged + "\n");
    EXPECT_EQ(rewritten[2], lines_of(default_edit_head(p))[2]);
}

// Step widths beyond the f12.5 field: the field widens and the set reads back.
TEST(ParamFile, WideStepWidthReadsBack)
{
    ScratchDir dir(false);
    // A syzygy scan, whose step in hours the dialog does not bound to a field.
    for (double width : {99999.99999, 100000.0, 2000000.0, 123456789012.5}) {
        RunParams p = sample();
        p.main_option = 3; p.conj_choice = 3; p.sun_mode = 1; p.passage = 1;
        p.year_from = 2900.5; p.year_to = 3000.0;
        p.step_width = width;
        const std::string records = set_records(p);
        EXPECT_EQ(records.find('*'), std::string::npos) << records;
        if (width == 2000000.0) {
            EXPECT_EQ(lines_of(records)[2], "  6  1 200000  2000000.00000");
        }
        // Lines 27 to 33 of the editable file hold the set.
        write_file("inedit.t", numbered_lines(26) + records + numbered_lines(12));
        RunParams q;
        q.menu_choice = p.menu_choice;
        q.vsop_variant = 99;
        inputfile(q, 999, 1);
        EXPECT_EQ(describe(q), describe(p)) << records;
    }
}

TEST(ParamFile, FailedRewriteLeavesEditFileWhole)
{
    ScratchDir dir(false);
    const std::string old = numbered_lines(40);
    write_file("inedit.t", old);
    EXPECT_THROW(record_run_set(sample(), [] { throw std::runtime_error("power cut"); }), std::runtime_error);
    EXPECT_EQ(read_file("inedit.t"), old);
    // No temporary file is left behind, and a leftover of an older run (here a
    // directory and a link of the old fixed name) is neither used nor touched.
    fs::create_directory("inedit.t.new");
    write_file("target", "not mine");
    fs::create_symlink("target", "inedit.t.tmp");
    ASSERT_TRUE(record_run_set(sample()));
    EXPECT_EQ(read_file("target"), "not mine");
    // inedit.t, inedit.t.new, target and inedit.t.tmp
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 4);
    // A file that cannot be replaced is reported with the reason, not taken for success.
    fs::remove("inedit.t");
    fs::create_directory("inedit.t");
    Terminal t;
    EXPECT_FALSE(record_run_set(sample()));
    EXPECT_NE(t.text().find("\"inedit.t\" not updated: Is a directory"), std::string::npos) << t.text();
}

} // namespace
} // namespace r7
