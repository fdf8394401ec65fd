// The build installed into a temporary prefix: r7-prepare, a book option run
// there, and the documentation.
#include <filesystem>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace fs = std::filesystem;
using namespace r7::test;

TEST(Install, PreparedDirectoryRunsTheInstalledProgramWithItsDocumentation)
{
    if (shell("command -v cmake >/dev/null 2>&1") != 0) GTEST_SKIP() << "cmake is not on the path";
    const ScratchDir scratch(false);
    const fs::path& tmp = scratch.path();
    const fs::path prefix = tmp / "prefix", work = tmp / "work", share = prefix / "share" / "r7";
    const fs::path r7 = prefix / "bin" / "r7", prepare = prefix / "bin" / "r7-prepare";
    const auto q = [](const fs::path& p) { return quoted(p.string()); };
    // The command's exit status, its output in tmp/log.
    const auto sh = [&](const std::string& command) { return shell(command + " >" + q(tmp / "log") + " 2>&1"); };
    ASSERT_EQ(sh("cmake --install " + q(r7_binary().parent_path()) + " --prefix " + q(prefix)), 0)
        << read_file(tmp / "log");
    const std::string prepare_work = "env -u R7_DATA " + q(prepare) + " " + q(work);

    // R7_DATA naming a folder without the published data is refused.
    fs::create_directory(tmp / "empty");
    EXPECT_NE(sh("R7_DATA=" + q(tmp / "empty") + " " + q(prepare) + " " + q(work)), 0);
    EXPECT_NE(read_file(tmp / "log").find("R7_DATA"), std::string::npos);

    // A user's edited set and a stale link to moved data are there already.
    const std::string users = "the user's own inedit.t\n";
    write_file(work / "inedit.t", users);
    fs::create_symlink(tmp / "gone" / "VSOP87C.mer", work / "VSOP87C.mer");

    // Without R7_DATA the installation's own copy of the published data is linked.
    ASSERT_EQ(sh(prepare_work), 0) << read_file(tmp / "log");
    EXPECT_EQ(read_file(work / "inedit.t"), users);
    for (const char* name : {"inparm.t", "ingiza.t", "inteoti.t"}) {
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(work / name))) << name;
        EXPECT_EQ(read_file(work / name), read_file(share / name)) << name;
    }
    for (const char* name : {"invsop1.t", "invsop3.t", "VSOP87C.mer", "VSOP87A.emb"}) {
        EXPECT_TRUE(fs::is_symlink(work / name) && fs::exists(work / name) &&
                    fs::equivalent(work / name, share / "published" / name))
            << name;
    }
    EXPECT_FALSE(fs::exists(work / "README.md"));
    EXPECT_FALSE(fs::exists(work / "published"));

    // R7_DATA names another folder of the published data: its files are linked.
    ASSERT_EQ(sh("R7_DATA=" + q(published_data()) + " " + q(prepare) + " " + q(tmp / "other")), 0)
        << read_file(tmp / "log");
    EXPECT_TRUE(fs::equivalent(tmp / "other" / "invsop1.t", published_data() / "invsop1.t"));

    // Preparing again brings a fresh inedit.t; book option 16 runs to its end and updates it.
    fs::remove(work / "inedit.t");
    ASSERT_EQ(sh(prepare_work), 0) << read_file(tmp / "log");
    ASSERT_EQ(read_file(work / "inedit.t"), read_file(share / "inedit.t"));
    const RunResult run = run_shell(work, "echo 16 | timeout 60 " + q(r7), 70);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find("-- end of run."), std::string::npos) << run.out;
    EXPECT_NE(read_file(work / "inedit.t"), read_file(share / "inedit.t"));

    // The documentation travels with the program.
    const std::string page = read_file(prefix / "share" / "man" / "man1" / "r7.1");
    ASSERT_FALSE(page.empty());
    const fs::path doc = prefix / "share" / "doc" / "r7";
    EXPECT_EQ(read_file(doc / "README.md"), read_file(install_data().parent_path() / "README.md"));
    EXPECT_TRUE(fs::exists(doc / "doc" / "figures" / "transits.png"));

    // The version of --version is the one of the manual page.
    const std::string version = run_shell(tmp, q(r7) + " --version").out;
    const auto at = version.find(", version ");
    ASSERT_NE(at, std::string::npos) << version;
    EXPECT_NE(page.find("\"r7 " + version.substr(at + 10, version.size() - at - 11) + "\""), std::string::npos);

    // Every option of --help is described in the manual page.
    const RunResult help = run_shell(tmp, q(r7) + " --help");
    ASSERT_EQ(help.status, 0);
    for (const auto& line : lines_of(help.out)) {
        if (!line.starts_with("  --")) continue;
        const std::string option = line.substr(2, line.find_first_of(" ,", 2) - 2); // the page writes - as \-
        EXPECT_NE(page.find(std::regex_replace(option, std::regex("-"), "\\-")), std::string::npos) << option;
    }

    // r7-prepare explains itself on standard output.
    const RunResult usage = run_shell(tmp, q(prepare) + " --help");
    EXPECT_EQ(usage.status, 0);
    EXPECT_TRUE(usage.out.starts_with("usage: r7-prepare [DIR]")) << usage.out;
    EXPECT_EQ(usage.err, "");
    EXPECT_EQ(shell(q(prepare) + " --bogus >/dev/null 2>&1"), 64);
}
