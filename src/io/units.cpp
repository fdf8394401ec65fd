#include "io/units.hpp"

#include <iostream>

#include "io/error.hpp"
#include "io/progress.hpp"

namespace r7::io {

Units::Units() : terminal_(&std::cout), list_{terminal_unit} {}

void Units::open_file(const std::string& name)
{
    file_.close();
    file_.clear();
    file_.open(name, std::ios::out | std::ios::trunc);
    if (!file_) {
        throw RunStop(exit_output, "cannot open the report file \"" + name + "\" for writing");
    }
    file_name_ = name;
    list_ = {file_unit, terminal_unit};
}

void Units::close_file()
{
    if (file_.is_open()) {
        file_.flush();
        const bool ok = static_cast<bool>(file_);
        file_.close();
        list_ = {terminal_unit};
        if (!ok) {
            throw RunStop(exit_output, "the report file \"" + file_name_ + "\" could not be written completely");
        }
    }
    list_ = {terminal_unit};
}

void Units::abandon_file(std::string_view message)
{
    if (file_.is_open()) {
        file_ << "\n *** run stopped: " << message << " ***\n";
        file_.close();
    }
    list_ = {terminal_unit};
}

void Units::put(int unit, std::string_view text)
{
    if (unit == file_unit) {
        if (file_.is_open()) file_ << text;
    } else {
        if (progress_line_shared) return put_under_progress_line(*terminal_, text);
        *terminal_ << text;
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
}

void Units::flush()
{
    terminal_->flush();
    if (file_.is_open()) file_.flush();
}

Units& units()
{
    static Units instance;
    return instance;
}

} // namespace r7::io
