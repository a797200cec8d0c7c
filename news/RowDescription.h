#pragma once

#include <string>
#include <string_view>

// What a screen reader says about board row `row` (0 at the top) showing
// `text`: which row it is, then the columns of what stands on it, counted
// from 1, e.g. "Board row 1 of 8: aliens in columns 2, 4, 6, 8". An empty row
// is only "Board row N of 8".
std::string describeRow(int row, std::string_view text);
