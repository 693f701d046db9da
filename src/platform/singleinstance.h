// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One Tavrel per session: the first instance owns the bus name "org.ossory.Tavrel" and offers
// openFiles(paths); a later launch hands its files to it and ends.
#include <QObject>
#include <QStringList>

#include <functional>

namespace tavrel {

inline constexpr const char *kSingleInstanceService = "org.ossory.Tavrel";
inline constexpr const char *kSingleInstancePath = "/org/ossory/Tavrel";
inline constexpr const char *kSingleInstanceInterface = "org.ossory.Tavrel";

class SingleInstance final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.ossory.Tavrel")

public:
    enum class Role {
        Primary,   // this process owns the name (or there is no bus: run on our own)
        HandedOver // another instance took the files
    };

    explicit SingleInstance(QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(SingleInstance)

    // Claims the name on the session bus; when another instance holds it, sends it the
    // (absolute) paths and answers HandedOver. Any bus failure answers Primary.
    Role claim(const QStringList &absolutePaths);

    // Called for files handed over by a later launch (an empty list: just show the window).
    void setOpenFilesHandler(std::function<void(const QStringList &)> handler) { m_handler = std::move(handler); }

public Q_SLOTS:
    Q_SCRIPTABLE void openFiles(const QStringList &paths);

private:
    std::function<void(const QStringList &)> m_handler;
};

// Paths made absolute against the working folder, for a process that has another one.
QStringList absolutePaths(const QStringList &paths);

} // namespace tavrel
