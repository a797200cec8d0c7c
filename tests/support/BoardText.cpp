#include "BoardText.h"

std::string formatBoard(const Board& board) {
    std::string text = "\n";
    for (const auto& row : board) {
        text += '|' + row + "|\n";
    }
    return text;
}
