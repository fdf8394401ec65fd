// The dialog as a user sees it: the program runs in a terminal of tmux, the
// answers are typed with send-keys, and the screen is read with capture-pane.
// Every question must stay on the line where its answer is typed.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace fs = std::filesystem;
using r7::test::ScratchDir;

namespace {

// Runs a shell command and returns its standard output.
std::string shell(const std::string& cmd)
{
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    pclose(p);
    return out;
}

std::string quoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string rtrim(std::string s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\n')) s.pop_back();
    return s;
}

// A private tmux server (own socket) with one session; the server is ended
// when the object goes.
class Tmux {
public:
    Tmux(const fs::path& socket, int width, int height, const std::string& command)
        : tmux_("tmux -f /dev/null -S " + quoted(socket.string()))
    {
        started_ = std::system((tmux_ + " new-session -d -s r7 -x " + std::to_string(width) + " -y " +
                                std::to_string(height) + " " + quoted(command) + " >/dev/null 2>&1")
                                   .c_str()) == 0;
        if (started_) std::system((tmux_ + " set-option -t r7 remain-on-exit on >/dev/null 2>&1").c_str());
    }
    ~Tmux() { std::system((tmux_ + " kill-server >/dev/null 2>&1").c_str()); }
    Tmux(const Tmux&) = delete;
    Tmux& operator=(const Tmux&) = delete;

    bool started() const { return started_; }

    void type(const std::string& answer)
    {
        std::system((tmux_ + " send-keys -t r7 -l " + quoted(answer)).c_str());
        std::system((tmux_ + " send-keys -t r7 Enter").c_str());
    }

    // The whole screen with its history, each line without trailing blanks.
    std::string screen()
    {
        const std::string raw = shell(tmux_ + " capture-pane -p -t r7 -S - -E -");
        std::string text, line;
        for (char c : raw) {
            if (c == '\n') {
                text += rtrim(line) + "\n";
                line.clear();
            } else {
                line += c;
            }
        }
        return rtrim(text + rtrim(line));
    }

    bool ended() { return shell(tmux_ + " display-message -p -t r7 '#{pane_dead}'").rfind("1", 0) == 0; }

    // Waits until the screen ends with the text (the question waiting for
    // its answer); false after the time limit.
    bool wait_for_end(const std::string& text, double seconds = 15.0)
    {
        const std::string want = rtrim(text);
        const auto limit = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < limit) {
            const std::string s = screen();
            if (s.size() >= want.size() && s.compare(s.size() - want.size(), want.size(), want) == 0) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
        return false;
    }

    bool wait_until_ended(double seconds = 30.0)
    {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < limit) {
            if (ended()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

private:
    std::string tmux_;
    bool started_ = false;
};

struct Typed {
    std::string question; // as printed, ending in ": "
    std::string answer;
    std::string waiting = {}; // the screen's end before typing, when not the question alone
};

} // namespace

TEST(Terminal, EveryQuestionStaysOnTheLineOfItsAnswer)
{
    if (shell("command -v tmux").empty()) GTEST_SKIP() << "tmux is not installed";
    ScratchDir dir;
    Tmux tmux(dir.path() / "tmux.sock", 100, 40,
              "cd " + quoted(dir.path().string()) + " && " + quoted(r7::test::r7_binary().string()) +
                  "; echo $? > exit-status");
    ASSERT_TRUE(tmux.started());

    const std::string until = "     until the year      (real): ";
    const std::vector<Typed> dialog = {
        {"        info (111)   detailed options (0)   (1..20 or book options) : ", "0"},
        {"  >>>  Giza pyramids  (1), GP chambers (2),\n       conj./transits (3), Teotihuacan (4)  : ", "4"},
        {"  Distances   GPS (1), meters (2), Map (3)  : ", "2"},
        {"     from  the year      (real): ", "2000"},
        {until, "1999"}, // before the first year: rejected, asked again
        {until, "2000", "  ---->  incorrect input.\n\n" + until},
        {"  Teotih. unit    as given (1), \"luna\" (2)  : ", "1"},
        {"  Planetary unit, kilometer (1), R-Sun (2)  : ", "1"},
        {"  Logar. base    10 (1), 3 (3), custom (4)  : ", "3"},
        {"  Output         normal (1),  extended (2)  : ", "2"},
        {"  Monitor (1),  mon. + file (2),  exit (4)  : ", "1"},
    };
    for (const Typed& t : dialog) {
        const std::string& waiting = t.waiting.empty() ? t.question : t.waiting;
        ASSERT_TRUE(tmux.wait_for_end(waiting)) << "waiting for:\n" << waiting << "\nscreen:\n" << tmux.screen();
        tmux.type(t.answer);
    }
    ASSERT_TRUE(tmux.wait_until_ended()) << tmux.screen();
    // The shell around the program records its status; tmux's own pane status
    // is not always set yet when the pane is reported dead.
    EXPECT_EQ(rtrim(r7::test::read_file(dir.path() / "exit-status")), "0");
    const std::string screen = tmux.screen();

    // Each answer stands behind its question, once.
    for (const Typed& t : dialog) {
        const std::string seen = t.question + t.answer + "\n";
        const auto at = screen.find(seen);
        EXPECT_NE(at, std::string::npos) << "not on the screen:\n" << seen << "\nscreen:\n" << screen;
        if (t.question != until) {
            EXPECT_EQ(screen.find(seen, at + 1), std::string::npos) << seen;
        }
    }
    // The rejected answer: an empty line, the message, an empty line, the question again.
    EXPECT_NE(screen.find(until + "1999\n\n  ---->  incorrect input.\n\n" + until + "2000\n"), std::string::npos)
        << screen;
    // The banner once, the menu question once; the run follows the last answer
    // after one empty line and ends with the closing lines.
    EXPECT_NE(screen.find("HELIOSYNCHRONOMETRICS"), std::string::npos);
    EXPECT_NE(screen.find("  Monitor (1),  mon. + file (2),  exit (4)  : 1\n\n  <R7>   Computation started ...\n"),
              std::string::npos)
        << screen;
    EXPECT_NE(screen.rfind("-- end of run."), std::string::npos) << screen;
    EXPECT_FALSE(fs::exists(dir.path() / "out.txt"));
}
