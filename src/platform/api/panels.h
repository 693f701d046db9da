// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QStringList>

#include <optional>

namespace tavrel::platform {

// Which window a panel is attached to as a sheet.
enum class PanelParent { MainWindow, PreferencesWindow };

// Open, save and folder panels; an empty optional means the user cancelled.
class Panels
{
public:
    virtual ~Panels() = default;
    virtual std::optional<QStringList> chooseFiles(PanelParent parent, const QStringList &allowedExtensions) = 0;
    virtual std::optional<QString> chooseSaveFile(PanelParent parent, const QString &startFolder,
                                                  const QString &proposedName, const QString &extension) = 0;
    virtual std::optional<QString> chooseFolder(PanelParent parent) = 0;
};

} // namespace tavrel::platform
