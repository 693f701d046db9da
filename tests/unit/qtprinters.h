// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Readable GoogleTest failure messages for Qt strings (found by argument-dependent lookup).
#include <QString>

#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}
