#include "report/csvfiles.hpp"

#include <filesystem>
#include <string>

#include "io/error.hpp"
#include "io/safefile.hpp"

namespace r7 {

void write_tables(const results::Run& run)
{
    for (const auto& [kind, table] : run.tables) {
        if (const std::string why = io::write_file_atomic(table.file(), table.text()); !why.empty())
            throw RunStop(exit_output, "the file \"" + table.file() + "\" could not be written: " + why);
    }
    // Companions of another run: removed (a link itself, never its target).
    for (auto kind : {results::TableKind::teoti_bodies, results::TableKind::teoti_points,
                      results::TableKind::planets}) {
        bool written = false;
        for (const auto& [k, table] : run.tables) written = written || k == kind;
        if (written) continue;
        const std::filesystem::path stale{std::string(results::table_file(kind))};
        std::error_code ec;
        const auto st = std::filesystem::symlink_status(stale, ec);
        if (!ec && (std::filesystem::is_regular_file(st) || std::filesystem::is_symlink(st)))
            std::filesystem::remove(stale, ec);
    }
}

} // namespace r7
