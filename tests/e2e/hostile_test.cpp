// Hostile input and environment: each case ends with its status and one message
// naming the cause, and changes nothing outside the working directory.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "test_support.hpp"

namespace r7 {
namespace {

namespace fs = std::filesystem;
using namespace test;

// A folder beside the working directory with the file that planted links point to.
struct Outside {
    ScratchDir dir{false};
    fs::path victim = dir.path() / "victim";
    Outside() { write_file(victim, text); }
    void expect_unchanged() const
    {
        EXPECT_EQ(read_file(victim), text);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 1)
            << "files were created outside the working directory";
    }
    static constexpr const char* text = "data of another user\n";
};

// The record set of a Teotihuacan run of one year, to be varied in one value.
const std::vector<std::string> teoti_set = {"  4  1  3  0  0", "  1  1  1  1  1", "  0  1  0      0.00000",
                                            "  1  0  1 15", "  2000.00000  2000.00000  0.00000  0.00000",
                                            "   0.000   0.000   0.000   0.000", "  1  1  2  1"};

// Lines 27 to 33 of inedit.t replaced by the seven records, those at the given indices changed.
std::function<void()> edited(std::vector<std::string> set, const std::map<std::size_t, std::string>& changes = {})
{
    for (const auto& [i, text] : changes) set.at(i) = text;
    return [set] {
        for (std::size_t i = 0; i < set.size(); ++i) replace_line("inedit.t", 27 + static_cast<int>(i), set[i]);
    };
}

struct Case {
    const char* name;
    std::function<void()> setup;  // in the working directory, before the run
    std::string command;          // R7 stands for the program
    int status;                   // expected exit status
    std::vector<std::string> err; // texts the message on standard error holds
    int timeout_s = 20;           // the program is stopped after this long
};

// A FIFO without a writer ('f'), a link to /dev/zero ('z') or a directory ('d') where a file belongs.
std::function<void()> planted(const char* file, char kind)
{
    return [file, kind] {
        fs::remove(file);
        if (kind == 'f' && ::mkfifo(file, 0600) != 0) ADD_FAILURE() << file;
        if (kind == 'z') fs::create_symlink("/dev/zero", file);
        if (kind == 'd') fs::create_directory(file);
    };
}

TEST(Hostile, EveryCaseEndsWithItsStatusAndNamesTheCause)
{
    const std::vector<Case> cases = {
        // Standard input closed or a directory: the end of the dialog.
        {"stdin closed", {}, "R7 <&-", 0, {}},
        {"stdin a directory", {}, "R7 < .", 0, {}},
        // Data files that exist but cannot be read.
        {"inserie.t a directory", planted("inserie.t", 'd'), "echo 11 | R7", 1, {"inserie.t", "Is a directory"}},
        {"inedit.t a directory", planted("inedit.t", 'd'), "echo 999 | R7", 1, {"inedit.t", "Is a directory"}},
        {"invsop1.t a directory", planted("invsop1.t", 'd'), "echo 11 | R7", 1, {"invsop1.t", "Is a directory"}},
        // An empty VSOP87 file would leave the planet without series, at the Sun.
        {"VSOP87 file empty", [] { fs::remove("VSOP87C.mer"), write_file("VSOP87C.mer", ""); }, "echo 3 | R7", 1,
         {"VSOP87C.mer"}},
        // Edited sets with values the dialog refuses.
        {"codes outside the dialog's",
         edited({"  2  4  3  0  0", "  3  1  1  1  2", "  0  2  0 24", "  1  0  1 15", "  2500 3500 0 0", "  3 0 0 0",
              "  1  2  1  1"}),
         "echo 999 | R7", 1, {"inedit.t", "line 28", "frame_choice 3", "1 to 2"}},
        {"a record lacks a value", edited(teoti_set, {{2, "  0  1"}}), "echo 999 | R7", 1,
         {"inedit.t", "line 29", "2 of 4 values"}},
        {"year_to 1e15", edited(teoti_set, {{4, "  2000 1e15 0 0"}}), "echo 999 | R7", 1,
         {"inedit.t", "line 31", "year_to 1e+15", "-28987 to 17176"}},
        {"steps_per_passage 2^31-1",
         edited({"  1  4  1  0  0", "  1  1  1  1  2", "  0  3 2147483647  1.0", "  3  0  1 15",
              "  2500 3500 0 0", "  3 0 10 3", "  1  1  1  2"}),
         "echo 999 | R7", 1, {"line 29", "steps_per_passage 2147483647"}},
        {"date_mode 99", edited(teoti_set, {{0, "  3  1  1  0  0"}, {1, "  1  1 99  1  1"}}), "echo 999 | R7", 1,
         {"line 28", "date_mode 99"}},
        {"scan step 1e-300 h",
         edited({"  3  3  1  0  0", "  1  1  1  1  1", "  0  1  0  1e-300", "  1  0  1 15", "  2900 3200 0 0",
              "  3 0 0 0", "  1  1  1  1"}),
         "echo 999 | R7", 1, {"line 29", "step_width 1e-300"}},
        // Standard output that cannot be written.
        {"stdout full", {}, "echo 11 | R7 >/dev/full", 4, {"standard output", "No space left on device"}},
        {"stdout closed", {}, "echo 16 | R7 >&-", 4, {"standard output"}},
        // Special files where the program reads: refused at once, naming them.
        {"inparm.t a FIFO", planted("inparm.t", 'f'), "echo 1 | R7", 1, {"inparm.t", "not a regular file (a FIFO)"}, 5},
        {"VSOP87C.mer a FIFO", planted("VSOP87C.mer", 'f'), "echo 3 | R7", 1,
         {"VSOP87C.mer", "not a regular file (a FIFO)"}, 5},
        {"VSOP87A.sat /dev/zero", planted("VSOP87A.sat", 'z'), "echo 416 | R7", 1,
         {"VSOP87A.sat", "not a regular file (a character device)"}, 5},
        // ... and where it writes: refused before the work.
        {"out.txt a FIFO", planted("out.txt", 'f'), "echo 3 | R7", 3, {"out.txt", "not a regular file (a FIFO)"}, 5},
        {"out.html a directory", planted("out.html", 'd'), "echo 3 | R7", 3, {"out.html", "Is a directory"}},
        {"inser-2.t a FIFO", planted("inser-2.t", 'f'), "echo -804 | R7", 3, {"inser-2.t", "not a regular file (a FIFO)"},
         5},
        // inedit.t cannot be updated: the run goes on and says so.
        {"inedit.t not updatable", planted("inedit.t", 'f'), "echo 16 | R7", 0,
         {"\"inedit.t\" not updated: not a regular file (a FIFO)"}, 5},
        // A page beyond a file size limit after the report.
        {"page beyond a file size limit", {}, "ulimit -f 8; echo 3 | R7 >/dev/null", 3,
         {"the page \"out.html\" could not be written", "File too large"}},
        // A reader that quits: the program's own status is 4.
        {"pipe reader quits", {}, "R7 -804 | head -c 10 >/dev/null; exit ${PIPESTATUS[0]}", 4,
         {"standard output cannot be written: Broken pipe"}},
        // A named site of --site needs its data line, which an older installation lacks.
        {"ingiza.t without the site line", [] { replace_line("ingiza.t", 68, " "); }, "R7 12 --site giza", 1,
         {"\"ingiza.t\", line 68: the observing site of --site giza cannot be read"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Outside outside;
        ScratchDir dir;
        fs::create_symlink(outside.victim, "linked");
        if (c.setup) c.setup();
        const auto head36 = [] {
            auto lines = fs::is_regular_file("inedit.t") ? lines_of(read_file("inedit.t")) : std::vector<std::string>{};
            lines.resize(36);
            return lines;
        };
        const auto head = head36();
        const RunResult r = run_shell(dir.path(), c.command, c.timeout_s);
        EXPECT_EQ(r.status, c.status) << r.err;
        // One line of one form for a stop; nothing unasked for a run that goes on.
        EXPECT_EQ(count(r.err, "R7 stopped"), c.status == 0 ? 0 : 1) << r.err;
        EXPECT_EQ(r.err.find("R7:"), std::string::npos) << r.err;
        EXPECT_TRUE(!c.err.empty() || r.err.empty()) << r.err;
        for (const auto& t : c.err) EXPECT_NE(r.err.find(t), std::string::npos) << t << " in: " << r.err;
        // No report that looks complete unless it is (only the page failed).
        if (c.status != 0) {
            EXPECT_EQ(r.out.find("ierr"), std::string::npos) << r.out;
            const std::string report = fs::is_regular_file("out.txt") ? read_file("out.txt") : "";
            EXPECT_TRUE(report.empty() || report.find("run stopped") != std::string::npos ||
                        report.find("-- end of run.") != std::string::npos)
                << report;
        }
        // The user's data and everything outside as they were; no temporary files.
        EXPECT_EQ(head36(), head);
        outside.expect_unchanged();
        for (const auto& e : fs::directory_iterator("."))
            EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
    }
}

// Links planted where the program writes are replaced by regular files, their
// targets never written; inedit.t keeps its permission bits.
TEST(Hostile, PlantedLinksAreReplacedNotFollowed)
{
    const std::pair<std::vector<const char*>, bool> table[] = { // names made links, hard links
        {{"out.txt", "inedit.t.new"}, false},
        {{"inedit.t"}, false},
        {{"inedit.t", "out.txt", "out.html"}, true},
    };
    for (const auto& [links, hard] : table) {
        SCOPED_TRACE(std::string(links.front()) + (hard ? " (hard)" : ""));
        Outside outside;
        ScratchDir dir;
        const bool own_edit = fs::is_regular_file("inedit.t") && links.front() != std::string("inedit.t");
        if (own_edit) fs::permissions("inedit.t", fs::perms::owner_read | fs::perms::owner_write);
        for (const char* name : links) {
            fs::remove(name);
            if (hard) fs::create_hard_link(outside.victim, name);
            else fs::create_symlink(outside.victim, name);
        }
        const RunResult r = run_shell(dir.path(), "echo 11 | R7", 120);
        EXPECT_EQ(r.status, 0) << r.err;
        for (const char* name : {"out.txt", "inedit.t", "out.html"}) {
            EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(name))) << name;
            EXPECT_NE(read_file(name), Outside::text) << name;
        }
        EXPECT_EQ(fs::hard_link_count(outside.victim), 1u);
        if (own_edit) {
            EXPECT_EQ(fs::status("inedit.t").permissions() & fs::perms::all,
                      fs::perms::owner_read | fs::perms::owner_write);
        }
        outside.expect_unchanged();
    }
}

// A run killed while it writes leaves the previous report and page whole, and nothing beside them.
TEST(Hostile, KilledRunLeavesThePreviousReportWhole)
{
    ScratchDir dir;
    write_file("out.txt", "previous report\n");
    write_file("out.html", "previous page\n");
    // The directory listed before and after the run, its status between them.
    const std::string r7 = test::quoted(test::r7_binary().string());
    const RunResult r = run_shell(dir.path(),
                                  "ls -A; echo -804 | " + r7 + " >/dev/null & p=$!; sleep 0.1; kill -9 $p; wait $p;"
                                  " echo $?; ls -A",
                                  20);
    const auto killed = r.out.find("\n137\n");
    ASSERT_NE(killed, std::string::npos) << "the run was not killed while it ran: " << r.out;
    EXPECT_EQ(r.out.substr(0, killed + 1), r.out.substr(killed + 5));
    EXPECT_EQ(read_file("out.txt"), "previous report\n");
    EXPECT_EQ(read_file("out.html"), "previous page\n");
}

// A second run in a held working directory stops at once with status 5; runs
// started side by side end with 0 or 5, and the report and inedit.t are whole.
TEST(Hostile, SecondRunInTheSameDirectoryStops)
{
    ScratchDir dir;
    {
        // The test holds the directory the way a run does.
        const int fd = ::open(".", O_RDONLY | O_DIRECTORY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
        const RunResult r = run_shell(dir.path(), "echo 11 | R7", 20);
        ::close(fd);
        EXPECT_EQ(r.status, 5) << r.err;
        EXPECT_NE(r.err.find("another run of R7 is using this working directory"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists("out.txt"));
    }
    const std::string head = read_file("inedit.t").substr(0, 1500);
    run_shell(dir.path(), "for i in 1 2 3 4 5 6; do (echo 11 | R7 >o$i 2>e$i; echo $? >s$i) & done; wait", 60);
    int completed = 0;
    for (const std::string n : {"1", "2", "3", "4", "5", "6"}) {
        const std::string status = read_file("s" + n), err = read_file("e" + n);
        completed += status == "0\n";
        EXPECT_TRUE(status == "0\n" || (status == "5\n" && err.find("another run") != std::string::npos))
            << status << err;
        EXPECT_EQ(read_file("o" + n).find("not updated"), std::string::npos);
    }
    EXPECT_GE(completed, 1);
    const std::string report = read_file("out.txt");
    EXPECT_EQ(count(report, "-- end of run."), 1) << report;
    EXPECT_EQ(count(report, "TRANSITS OF MERCURY"), 1);
    EXPECT_EQ(read_file("inedit.t").substr(0, 1500), head);
}

} // namespace
} // namespace r7
