#include <gtest/gtest.h>

#include <filesystem>
#include <sys/resource.h>
#include <csignal>

#include "dialog_support.hpp"
#include "io/error.hpp"
#include "state/paramfile.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

namespace fs = std::filesystem;
using test::differences;
using test::lines_of;
using test::read_file;
using test::write_file;

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
    p.menu_choice = 0;
    return p;
}

std::string numbered_lines(int n, const std::string& stem = "line ")
{
    std::string s;
    for (int i = 1; i <= n; ++i) s += stem + std::to_string(i) + "\n";
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

TEST(ParamFile, ExtremeDialogValuesReadBack)
{
    test::ScratchDir dir(false);
    RunParams p = sample();
    for (int steps : {1, 99999, 100000, 200000}) {
        p.steps_per_passage = steps;
        p.step_width = 9999.9994;
        p.k_number = -63000.001;
        p.year_from = -30000.0;
        p.year_to = 30000.0;
        p.start_jde = -9240000.1;
        p.tol_short = 1000.0; // a custom logarithmic base
        p.tol_full = 99.99;
        write_file("inparm.t", "title\n" + set_records(p));
        RunParams q;
        inputfile(q, 0, 1);
        RunParams r = p;
        r.step_width = 9999.99940;
        r.k_number = -63000.00100;
        r.start_jde = -9240000.10000;
        EXPECT_EQ(differences(q, r), "") << steps;
    }
    EXPECT_EQ(lines_of(set_records(p))[2], "  6  4 200000  9999.99940");
    p.steps_per_passage = 99999;
    EXPECT_EQ(lines_of(set_records(p))[2], "  6  4 99999  9999.99940");
}

TEST(ParamFile, RunSetGoesFromLine37AndEndsTheFile)
{
    test::ScratchDir dir(false);
    write_file("inedit.t", numbered_lines(50));
    ASSERT_TRUE(record_run_set(sample()));
    const auto lines = lines_of(read_file("inedit.t"));
    ASSERT_EQ(lines.size(), 45u);
    for (int i = 0; i < 36; ++i) EXPECT_EQ(lines[i], "line " + std::to_string(i + 1));
    const auto recs = lines_of(set_records(sample()));
    for (int i = 0; i < 7; ++i) EXPECT_EQ(lines[36 + i], recs[i]);
    EXPECT_EQ(lines[43], " " + std::string(59, '-'));
    EXPECT_EQ(lines[44], " " + std::string(27, '*') + " END " + std::string(27, '*'));
    EXPECT_FALSE(fs::exists("inedit.t.new"));
    // Mode 2 of inputfile does the same; the set number is not used.
    RunParams q = sample();
    q.year_from = 1000.0;
    inputfile(q, 77, 2);
    EXPECT_EQ(lines_of(read_file("inedit.t"))[40], lines_of(set_records(q))[4]);
    EXPECT_EQ(lines_of(read_file("inedit.t")).size(), 45u);
}

TEST(ParamFile, WrittenSetCopiedToTheEditableSetReadsBack)
{
    test::ScratchDir dir(false);
    write_file("inedit.t", numbered_lines(36));
    RunParams p = sample();
    p.tol_short = 2.34567; // three decimals in the file
    ASSERT_TRUE(record_run_set(p));
    auto lines = lines_of(read_file("inedit.t"));
    for (int i = 0; i < 7; ++i) lines[26 + i] = lines[36 + i];
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    write_file("inedit.t", text);

    RunParams q;
    q.menu_choice = 999;
    q.vsop_variant = 99;
    inputfile(q, 999, 1);
    p.tol_short = 2.346;
    EXPECT_EQ(differences(q, p), "");
    EXPECT_EQ(q.menu_choice, 999);
    EXPECT_EQ(q.vsop_variant, 1);
}

TEST(ParamFile, MissingEditFileIsCreatedWithHelpText)
{
    test::ScratchDir dir(false);
    const RunParams p = sample();
    ASSERT_TRUE(record_run_set(p));
    const auto lines = lines_of(read_file("inedit.t"));
    ASSERT_EQ(lines.size(), 45u);
    EXPECT_EQ(lines_of(default_edit_head(p)).size(), 36u);
    for (int i = 0; i < 36; ++i) EXPECT_EQ(lines[i], lines_of(default_edit_head(p))[i]);
    // Its editable set is this run's set.
    RunParams q;
    inputfile(q, 999, 1);
    EXPECT_EQ(differences(q, p), "");
}

TEST(ParamFile, ShortEditFileIsCompletedNotReplaced)
{
    test::ScratchDir dir(false);
    write_file("inedit.t", numbered_lines(10, "mine "));
    ASSERT_TRUE(record_run_set(sample()));
    const auto lines = lines_of(read_file("inedit.t"));
    const auto head = lines_of(default_edit_head(sample()));
    ASSERT_EQ(lines.size(), 45u);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(lines[i], "mine " + std::to_string(i + 1));
    for (int i = 10; i < 36; ++i) EXPECT_EQ(lines[i], head[i]);
}

TEST(ParamFile, InterruptedRewriteLeavesEditFileWhole)
{
    test::ScratchDir dir(false);
    const std::string old = numbered_lines(36) + "old run\n";
    write_file("inedit.t", old);
    EXPECT_THROW(record_run_set(sample(), [] { throw std::runtime_error("power cut"); }), std::runtime_error);
    EXPECT_EQ(read_file("inedit.t"), old);
    EXPECT_TRUE(fs::exists("inedit.t.new")); // the crash left its half-done work beside it
    // The next run writes over the leftover.
    ASSERT_TRUE(record_run_set(sample()));
    EXPECT_FALSE(fs::exists("inedit.t.new"));
    EXPECT_EQ(lines_of(read_file("inedit.t")).size(), 45u);
}

TEST(ParamFile, UnwritableNewFileLeavesEditFileWhole)
{
    test::ScratchDir dir(false);
    const std::string old = numbered_lines(40);
    write_file("inedit.t", old);
    fs::create_directory("inedit.t.new");
    test::Terminal t;
    EXPECT_FALSE(record_run_set(sample()));
    EXPECT_EQ(read_file("inedit.t"), old);
    EXPECT_NE(t.text().find("\"inedit.t\" not updated"), std::string::npos);
}

// Runs in a child process: with a file size limit of 1 KB the new file runs out
// of room like on a full disk. 0 when the failure was noticed and reported.
int write_with_small_file_limit()
{
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit lim{1024, 1024};
    setrlimit(RLIMIT_FSIZE, &lim);
    test::Terminal t;
    const bool ok = record_run_set(sample());
    return !ok && t.text().find("not updated") != std::string::npos ? 0 : 1;
}

TEST(ParamFileDeathTest, FullDiskLeavesEditFileWhole)
{
    test::ScratchDir dir(false);
    std::string old;
    for (int i = 0; i < 36; ++i) old += " a line of help text that the user has written for himself ....\n";
    write_file("inedit.t", old);
    EXPECT_EXIT(std::_Exit(write_with_small_file_limit()), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(read_file("inedit.t"), old);
    EXPECT_FALSE(fs::exists("inedit.t.new"));
}

TEST(ParamFile, MissingOrShortFilesStopWithTheirName)
{
    test::ScratchDir dir(false);
    RunParams p = sample();
    const RunParams before = p;
    try {
        inputfile(p, 5, 1);
        FAIL() << "no error for a missing inparm.t";
    } catch (const DataError& e) {
        EXPECT_EQ(e.file(), "inparm.t");
        EXPECT_EQ(e.kind(), DataError::Kind::missing);
        EXPECT_NE(std::string(e.what()).find("inparm.t"), std::string::npos);
    }
    write_file("inparm.t", numbered_lines(51));
    try {
        inputfile(p, 5, 1);
        FAIL() << "no error for a short inparm.t";
    } catch (const DataError& e) {
        EXPECT_EQ(e.kind(), DataError::Kind::end_of_file);
        EXPECT_NE(std::string(e.what()).find("record set 5 (lines 52 to 58)"), std::string::npos) << e.what();
    }
    // Text where numbers belong.
    try {
        inputfile(p, 4, 1);
        FAIL() << "no error for a set of text lines";
    } catch (const DataError& e) {
        EXPECT_EQ(e.kind(), DataError::Kind::unreadable);
        EXPECT_NE(std::string(e.what()).find("record set 4"), std::string::npos);
    }
    try {
        inputfile(p, 999, 1);
        FAIL() << "no error for a missing inedit.t";
    } catch (const DataError& e) {
        EXPECT_EQ(e.file(), "inedit.t");
        EXPECT_NE(std::string(e.what()).find("editable set"), std::string::npos);
    }
    EXPECT_EQ(differences(p, before), ""); // nothing half-read reaches the caller
}

TEST(ParamFile, HandEditedSetsInFreeForm)
{
    test::ScratchDir dir(false);
    std::string text = numbered_lines(21);
    text += "3,1,1,0,1\n 1 1 3 2 2\n0 1 0 0.\n5, 0, 1, 15\n1900 2200\n  0 0\n2.5d0 1e-1 0 0\n1 1 1 2\n";
    write_file("inparm.t", text);
    RunParams p;
    p.menu_choice = 11;
    inputfile(p, 2, 1);
    EXPECT_EQ(p.main_option, 3);
    EXPECT_EQ(p.combi_flag, 1);
    EXPECT_EQ(p.calendar_choice, 2);
    EXPECT_EQ(p.step_width, 0.0);
    EXPECT_EQ(p.year_to, 2200.0);   // a record that continues on the next line
    EXPECT_EQ(p.start_jde, 0.0);
    EXPECT_EQ(p.tol_short, 2.5);
    EXPECT_EQ(p.tol_full, 0.1);
    EXPECT_EQ(p.output_choice, 2);
    EXPECT_EQ(p.vsop_variant, 3);
    EXPECT_EQ(p.menu_choice, 11);
    // A negative set number skips nothing.
    write_file("inparm.t", set_records(sample()));
    RunParams q;
    inputfile(q, -3, 1);
    EXPECT_EQ(differences(q, sample()), "");
    // Modes other than 1 and 2 do nothing.
    RunParams r = sample();
    inputfile(r, 1, 3);
    EXPECT_EQ(differences(r, sample()), "");
    EXPECT_FALSE(fs::exists("inedit.t"));
}

TEST(ParamFile, InfoTextLayoutAndErrors)
{
    test::ScratchDir dir(false);
    EXPECT_THROW(info(), DataError);
    std::string text = numbered_lines(105);
    text += "'" + std::string(80, 'x') + "'\n";
    text += "'a, b / c'\n";
    text += "short\n";
    for (int i = 4; i <= 38; ++i) text += "'text " + std::to_string(i) + "'\n";
    write_file("ingiza.t", text);
    test::Terminal t;
    info();
    const auto lines = lines_of(t.text());
    ASSERT_EQ(lines.size(), 3u + 38u + 1u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3], "     " + std::string(70, 'x'));
    EXPECT_EQ(lines[4], "     a, b / c" + std::string(62, ' '));
    EXPECT_EQ(lines[5], "     short" + std::string(65, ' '));
    EXPECT_EQ(lines[40], "     text 38" + std::string(63, ' '));
    EXPECT_EQ(lines[41], "");
    // A file that ends inside the text.
    write_file("ingiza.t", numbered_lines(120));
    try {
        info();
        FAIL() << "no error for a short ingiza.t";
    } catch (const DataError& e) {
        EXPECT_EQ(e.file(), "ingiza.t");
        EXPECT_NE(std::string(e.what()).find("info text"), std::string::npos);
    }
}

} // namespace
} // namespace r7
