// Captures what the report routines write to both output units: the terminal is
// redirected into a string and the file unit writes "out.txt" in a scratch
// directory. The two copies must agree line for line.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "io/units.hpp"
#include "test_support.hpp"

namespace r7::test {

// Runs body with both units active (body serves them itself, file first) and
// returns the lines of the terminal copy after checking the file copy is equal.
template <class Body>
std::vector<std::string> capture_report(Body&& body)
{
    ScratchDir dir(false);
    std::ostringstream term;
    auto& u = io::units();
    u.set_terminal(&term);
    u.open_file("out.txt");
    try {
        body();
    } catch (...) {
        u.close_file();
        u.set_terminal(nullptr);
        throw;
    }
    u.close_file();
    u.set_terminal(nullptr);
    const std::string file = read_file(dir.path() / "out.txt");
    EXPECT_EQ(file, term.str()) << "the file and the terminal got different lines";
    return lines_of(term.str());
}

// The same for a routine that is called once per unit of the list.
template <class Write>
std::vector<std::string> each_unit(Write&& write)
{
    return capture_report([&] {
        for (int unit : io::units().list()) write(unit);
    });
}

inline std::string sp(std::size_t n) { return std::string(n, ' '); }

} // namespace r7::test
