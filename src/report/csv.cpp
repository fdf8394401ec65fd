#include "report/csv.hpp"

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace r7::csv {

std::string field(const Value& v)
{
    if (const auto* i = std::get_if<long long>(&v)) return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&v)) {
        if (!std::isfinite(*d)) return {};
        // The shortest text that reads back to the same double.
        char b[32];
        const auto [end, ec] = std::to_chars(b, b + sizeof b, *d);
        return ec == std::errc{} ? std::string(b, end) : std::string{};
    }
    if (const auto* s = std::get_if<std::string>(&v)) {
        const bool quote = s->find_first_of(",\"\r\n") != std::string::npos ||
                           (!s->empty() && (s->front() == ' ' || s->back() == ' '));
        if (!quote) return *s;
        std::string q = "\"";
        for (char c : *s) {
            if (c == '"') q += '"';
            q += c;
        }
        return q + '"';
    }
    return {};
}

Table::Table(std::string file, std::span<const std::string_view> columns) : file_(std::move(file))
{
    for (auto c : columns) columns_.emplace_back(c);
}

void Table::add_row() { rows_.emplace_back(columns_.size()); }

void Table::set(std::string_view column, Value v)
{
    if (rows_.empty()) add_row();
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i] == column) {
            rows_.back()[i] = std::move(v);
            return;
        }
    }
    throw std::logic_error("table " + file_ + " has no column " + std::string(column));
}

std::string Table::text() const
{
    std::string out;
    auto line = [&out](const auto& cells, auto to_field) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i > 0) out += ',';
            out += to_field(cells[i]);
        }
        out += "\r\n";
    };
    line(columns_, [](const std::string& name) { return field(Value{name}); });
    for (const auto& row : rows_) line(row, [](const Value& v) { return field(v); });
    return out;
}

} // namespace r7::csv
