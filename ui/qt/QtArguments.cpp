#include "QtArguments.h"

QtArguments::QtArguments(int argc, char* argv[])
    : m_name(argc > 0 && argv[0] != nullptr ? argv[0] : "vantrel") {
    m_argv[0] = m_name.data();
    m_argv[1] = nullptr;
}
