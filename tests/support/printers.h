#pragma once

// Failing comparisons of Qt strings print the text, not its bytes.
#include <QString>

#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}
