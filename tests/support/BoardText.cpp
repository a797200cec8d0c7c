#include "BoardText.h"

std::string formatBoard(const Board& board) {
    std::string text = "\n";
    for (const auto& row : board) {
        text += '|' + row + "|\n";
    }
    return text;
}

Board drawnBoard(const GameState& s) {
    Board board;
    for (auto& row : board) {
        row.assign(kColumns, ' ');
    }
    for (auto col : s.alienCol) {
        if (col >= 0) {
            board[s.waveRow][col] = 'V';
        }
    }
    if (s.shotRow >= 0) {
        board[s.shotRow][s.shotCol] = '\'';
    }
    board[kCannonRow][s.cannonCol] = 'A';
    return board;
}
