#include "RowDescription.h"

#include "GameState.h"

#include <array>
#include <vector>

namespace {

struct Glyph {
    char glyph;
    const char* one;
    const char* many;
};

// In the order a player wants them: the threats first, the cannon last.
constexpr std::array<Glyph, 4> kGlyphs = {{
    {'V', "alien", "aliens"},
    {'O', "hit", "hits"},
    {'\'', "shot", "shots"},
    {'A', "cannon", "cannons"},
}};

} // namespace

std::string describeRow(int row, std::string_view text) {
    std::string description =
        "Board row " + std::to_string(row + 1) + " of " + std::to_string(kRows);
    const char* separator = ": ";
    for (const Glyph& glyph : kGlyphs) {
        std::vector<std::size_t> columns;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == glyph.glyph) {
                columns.push_back(i + 1);
            }
        }
        if (columns.empty()) {
            continue;
        }
        description += separator;
        description += columns.size() == 1 ? glyph.one : glyph.many;
        description += columns.size() == 1 ? " in column " : " in columns ";
        for (std::size_t i = 0; i < columns.size(); ++i) {
            description += (i == 0 ? "" : ", ") + std::to_string(columns[i]);
        }
        separator = "; ";
    }
    return description;
}
