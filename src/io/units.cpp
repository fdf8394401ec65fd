#include "io/units.hpp"

#include <cerrno>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

#include "io/error.hpp"
#include "io/progress.hpp"

namespace r7::io {

namespace {
thread_local Units::Lines* capture_sink = nullptr;
}

Units::Units() : terminal_(&std::cout), list_{terminal_unit} {}

Units::Capture::Capture(Lines& sink) : outer_(capture_sink) { capture_sink = &sink; }

Units::Capture::~Capture() { capture_sink = outer_; }

void Units::put_lines(const Lines& lines)
{
    for (const auto& [unit, text] : lines) put(unit, text);
}

void Units::open_file(const std::string& name)
{
    if (const std::string why = file_.open(name); !why.empty()) {
        throw RunStop(exit_output, "cannot open the report file \"" + name + "\" for writing: " + why);
    }
    file_name_ = name;
    list_ = {file_unit, terminal_unit};
}

void Units::close_file()
{
    list_ = {terminal_unit};
    if (file_.is_open()) {
        if (const std::string why = file_.commit(); !why.empty()) {
            throw RunStop(exit_output, "the report file \"" + file_name_ + "\" could not be written: " + why +
                                           "; \"" + file_name_ + "\" is left as it was");
        }
    }
}

void Units::abandon_file(std::string_view message)
{
    list_ = {terminal_unit};
    if (file_.is_open()) {
        file_.write("\n *** run stopped: ");
        file_.write(message);
        file_.write(" ***\n");
        file_.commit();
    }
}

void Units::note(std::string_view line)
{
    const std::string text = "\n" + std::string(line) + "\n";
    put(terminal_unit, text);
    flush();
    // Standard error too, unless it shows the same file as the terminal unit.
    struct stat out {}, err {};
    const bool same = terminal_ == &std::cout && ::fstat(STDOUT_FILENO, &out) == 0 &&
                      ::fstat(STDERR_FILENO, &err) == 0 && out.st_dev == err.st_dev && out.st_ino == err.st_ino;
    if (!same) std::cerr << text << std::flush;
}

void Units::put(int unit, std::string_view text)
{
    if (capture_sink) {
        capture_sink->emplace_back(unit, std::string(text));
        return;
    }
    if (unit == file_unit) {
        if (file_.is_open()) file_.write(text);
    } else if (!terminal_broken_) {
        if (progress_line_shared) {
            put_under_progress_line(*terminal_, text);
        } else {
            *terminal_ << text;
        }
        check_terminal();
    }
}

void Units::write(int unit, std::string_view layout_text, std::initializer_list<Arg> values)
{
    put(unit, fmt(layout_text, values));
}

void Units::put_all(std::string_view text)
{
    for (int u : list_) put(u, text);
}

void Units::write_all(std::string_view layout_text, std::initializer_list<Arg> values)
{
    const std::string text = fmt(layout_text, values);
    put_all(text);
}

void Units::set_terminal(std::ostream* os)
{
    terminal_ = os ? os : &std::cout;
    terminal_broken_ = false;
}

void Units::flush()
{
    if (!terminal_broken_) terminal_->flush();
    if (file_.is_open()) file_.flush();
    check_terminal();
}

void Units::check_terminal()
{
    if (!terminal_broken_ && terminal_->fail()) {
        const int err = errno;
        // Further writes would fail the same way and are dropped; the stop
        // message goes to standard error.
        terminal_broken_ = true;
        throw RunStop(exit_terminal, std::string("standard output cannot be written") +
                                         (err != 0 ? ": " + reason(err) : std::string()));
    }
}

// The one process-wide instance: the report routing belongs to the process (its
// terminal and its report file), and every routine that writes report lines
// reaches it; computations on other threads write into captures of their own.
Units& units()
{
    static Units instance;
    return instance;
}

} // namespace r7::io
