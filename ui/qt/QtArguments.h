#pragma once

#include <array>
#include <string>

// The command line the program hands to QApplication: its own name alone.
// The game takes no command line, and Qt would otherwise act on options of
// its own such as -stylesheet, -reverse or -qwindowtitle. Qt keeps a
// reference to the count, so this must outlive the QApplication.
class QtArguments {
public:
    QtArguments(int argc, char* argv[]);

    QtArguments(const QtArguments&) = delete;
    QtArguments& operator=(const QtArguments&) = delete;

    int& argc() { return m_argc; }
    char** argv() { return m_argv.data(); }

private:
    std::string m_name;
    int m_argc = 1;
    std::array<char*, 2> m_argv{};
};
