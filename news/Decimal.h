#pragma once

#include <charconv>
#include <string>

// A whole number in decimal, as the news and the row descriptions say it.
// std::to_string goes through the C library's printf, which would more than
// double the size of the browser build for the sake of numbers up to 15.
inline std::string decimal(int value) {
    char digits[12];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    return {digits, end};
}
