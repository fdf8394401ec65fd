// The dialog as a user sees it in a tmux terminal: every question stays on the
// line where its answer is typed; the progress line stays off the report.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace fs = std::filesystem;
using r7::test::quoted;
using r7::test::ScratchDir;

namespace {

std::string rtrim(std::string s) { return s.erase(s.find_last_not_of(" \n") + 1); }

// A private tmux server (its socket in dir) with one session running the shell
// command in dir, which writes the status to exit-status; ended with the object.
struct Tmux {
    fs::path dir;
    std::string tmux;
    bool started;
    Tmux(const fs::path& d, const std::string& command)
        : dir(d), tmux("tmux -f /dev/null -S " + quoted((d / "tmux.sock").string())),
          started(run(" new-session -d -s r7 -x 100 -y 40 -c " + quoted(d.string()) + " " + quoted(command)) == 0 &&
                  run(" set-option -t r7 remain-on-exit on") == 0)
    {
    }
    ~Tmux() { run(" kill-server"); }
    int run(const std::string& args) { return std::system((tmux + args + " >/dev/null 2>&1").c_str()); }
    std::string output(const std::string& args) { return r7::test::run_shell(dir, tmux + args).out; }
    bool dead() { return output(" display-message -p -t r7 '#{pane_dead}'").starts_with("1"); }

    // The whole screen with its history, each line without trailing blanks.
    std::string screen()
    {
        return rtrim(std::regex_replace(output(" capture-pane -p -t r7 -S - -E -"), std::regex(" +\n"), "\n"));
    }
    // Waits until the program has ended; the status as the shell recorded it
    // (tmux's may not be set yet when the pane is dead).
    std::string status()
    {
        return wait_until([&] { return dead(); }) ? rtrim(r7::test::read_file(dir / "exit-status")) : "";
    }

    // Waits until done() holds (true), at most tries times 50 ms (false).
    bool wait_until(const std::function<bool()>& done, int tries = 500)
    {
        for (int i = 0; i < tries; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(50)))
            if (done()) return true;
        return false;
    }
    // Waits until the screen ends with the text.
    bool wait_for(const std::string& text)
    {
        return wait_until([&] { return screen().ends_with(rtrim(text)); });
    }
};

} // namespace

TEST(Terminal, EveryQuestionStaysOnTheLineOfItsAnswer)
{
    if (r7::test::shell("command -v tmux >/dev/null") != 0) GTEST_SKIP() << "tmux is not installed";
    ScratchDir dir;
    Tmux tmux(dir.path(), quoted(r7::test::r7_binary().string()) + "; echo $? > exit-status");
    ASSERT_TRUE(tmux.started);

    const std::string until = "     until the year      (real): ";
    // Questions as printed, and the answers typed behind them.
    const std::vector<std::pair<std::string, std::string>> dialog = {
        {"        info (111)   detailed options (0)   (1..20 or book options) : ", "0"},
        {"  >>>  Giza pyramids  (1), GP chambers (2),\n       conj./transits (3), Teotihuacan (4)  : ", "4"},
        {"  Distances   GPS (1), meters (2), Map (3)  : ", "2"},
        {"     from  the year      (real): ", "2000"},
        {until, "1999"}, // before the first year: rejected, asked again
        {until, "2000"},
        {"  Teotih. unit    as given (1), \"luna\" (2)  : ", "1"},
        {"  Planetary unit, kilometer (1), R-Sun (2)  : ", "1"},
        {"  Logar. base    10 (1), 3 (3), custom (4)  : ", "3"},
        {"  Output         normal (1),  extended (2)  : ", "2"},
        {"  Monitor (1),  mon. + file (2),  exit (4)  : ", "1"},
    };
    for (const auto& [question, answer] : dialog) {
        // A question asked again is waited for behind the message.
        const std::string waiting = (question == until && answer == "2000" ? "  ---->  incorrect input.\n\n" : "") + question;
        ASSERT_TRUE(tmux.wait_for(waiting)) << "waiting for:\n" << waiting << "\nscreen:\n" << tmux.screen();
        tmux.run(" send-keys -t r7 -l " + quoted(answer));
        tmux.run(" send-keys -t r7 Enter");
    }
    ASSERT_EQ(tmux.status(), "0") << tmux.screen();
    const std::string screen = tmux.screen();

    // Each answer stands behind its question, once.
    for (const auto& [question, answer] : dialog) {
        const std::string seen = question + answer + "\n";
        const auto at = screen.find(seen);
        EXPECT_NE(at, std::string::npos) << "not on the screen:\n" << seen << "\nscreen:\n" << screen;
        EXPECT_TRUE(question == until || screen.find(seen, at + 1) == std::string::npos) << seen;
    }
    // The rejected answer: an empty line, the message, an empty line, the question again.
    EXPECT_NE(screen.find(until + "1999\n\n  ---->  incorrect input.\n\n" + until + "2000\n"), std::string::npos)
        << screen;
    // The run follows the last answer after one empty line and ends with the closing lines.
    EXPECT_NE(screen.find("HELIOSYNCHRONOMETRICS"), std::string::npos);
    EXPECT_NE(screen.find("  Monitor (1),  mon. + file (2),  exit (4)  : 1\n\n  <R7>   Computation started ...\n"),
              std::string::npos)
        << screen;
    EXPECT_NE(screen.rfind("-- end of run."), std::string::npos) << screen;
    EXPECT_FALSE(fs::exists(dir.path() / "out.txt"));
}

TEST(Terminal, LongScanShowsAProgressLineOnStandardErrorOnly)
{
    if (r7::test::shell("command -v tmux >/dev/null") != 0) GTEST_SKIP() << "tmux is not installed";
    ScratchDir dir;
    // Mercury transits -13000..17000 on one thread: under a second of work, so the
    // program is stopped for 1.5 s just after it starts; its scan then runs past
    // the second after which the line shows, on any machine. Dialog and report go
    // through pipes; only standard error is the terminal.
    const std::string answers = "3\\n1\\n1\\n3\\n1\\n1\\n-13000\\n17000\\n1\\n2\\n";
    Tmux tmux(dir.path(), "printf '" + answers + "' | { OMP_NUM_THREADS=1 " + quoted(r7::test::r7_binary().string()) +
                              " 0 <&0 & p=$!; sleep 0.05; kill -STOP $p; sleep 1.5; kill -CONT $p; wait $p;"
                              " echo $? > exit-status; } | cat > stdout.txt");
    ASSERT_TRUE(tmux.started);

    // The line appears while the scan runs: span, events found, elapsed time.
    std::string seen;
    tmux.wait_until([&] {
        const std::string screen = tmux.screen();
        seen = screen.substr(std::min(screen.find("  Mercury transits  -13000 .. "), screen.size()));
        return !seen.empty() || tmux.dead();
    }, 1200);
    EXPECT_TRUE(std::regex_search(seen, std::regex(" of  17000 .*%   found .*:0"))) << seen;

    // Erased at the end: nothing but tmux's own note of the ended program.
    ASSERT_EQ(tmux.status(), "0") << tmux.screen();
    const std::string screen = tmux.screen();
    EXPECT_TRUE(std::regex_match(screen, std::regex("\n*(Pane is dead.*)?"))) << screen;

    // The report is complete and holds nothing of the line.
    for (const char* file : {"stdout.txt", "out.txt"}) {
        const std::string text = r7::test::read_file(dir.path() / file);
        EXPECT_TRUE(text.find("-- end of run.") != std::string::npos && text.find("found") == std::string::npos &&
                    text.find_first_of("\r\x1b") == std::string::npos)
            << file << ":\n" << text;
    }
}
