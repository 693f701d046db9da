// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A home of its own for a tavrel that a test starts: its settings choose "Converted Movies" as
// the destination with AutoAdd on, and a small movie, Holiday.mkv, waits to be converted.
#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include "../tools/moviemaker.h"
#include "testenvironment.h"

namespace tavrel::test {

class TavrelHome
{
public:
    // False when any of it could not be made; `extraSettings` are further lines of the settings.
    bool prepare(const QByteArray &extraSettings = {})
    {
        return m_dir.isValid() && QDir().mkpath(out()) && writeAutoAddSettings(path(), out(), extraSettings)
            && makeMovie(testAudio() + h264Video(QStringLiteral("64x48"), 10) + QStringList{"-t", "0.4", "-c:a", "ac3"},
                         movie());
    }
    QString path() const { return m_dir.path(); }
    QString out() const { return path() + QStringLiteral("/Converted Movies"); }
    QString movie() const { return path() + QStringLiteral("/Holiday.mkv"); }

private:
    QTemporaryDir m_dir;
};

} // namespace tavrel::test
