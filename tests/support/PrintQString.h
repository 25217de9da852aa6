#pragma once

#include <QString>

#include <ostream>

// Texts as text in GoogleTest's messages and in the test lists that ctest reads, not as
// the bytes of a QString.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
