// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Open, save and folder choosers as file dialogs, window-modal on the main or preferences window.
#include <QPointer>
#include <QWidget>

#include "platform/api/panels.h"

namespace tavrel::platform {

class FileDialogPanels final : public Panels
{
public:
    // The windows the dialogs attach to; either may be null (the dialog is then application-modal).
    void setWindows(QWidget *mainWindow, QWidget *preferencesWindow);

    std::optional<QStringList> chooseFiles(PanelParent parent, const QStringList &allowedExtensions) override;
    std::optional<QString> chooseSaveFile(PanelParent parent, const QString &startFolder, const QString &proposedName,
                                          const QString &extension) override;
    std::optional<QString> chooseFolder(PanelParent parent) override;

    // "*.[mM][kK][vV] *.[mM][pP]4": file dialogs match patterns case-sensitively on Linux, so
    // each letter matches either case (Movie.Mkv too).
    static QString filterPatterns(const QStringList &extensions);
    static inline const QString kAllFilesFilter = QStringLiteral("All files (*)");
    static inline const QString kAddMoviesTitle = QStringLiteral("Add Movies");
    static inline const QString kSaveTitle = QStringLiteral("Save Converted Movie");
    static inline const QString kFolderTitle = QStringLiteral("Choose Destination Folder");
    // The proposed name with ".extension" added unless it already ends so (any case).
    static QString nameWithExtension(const QString &proposedName, const QString &extension);

private:
    QWidget *window(PanelParent parent) const;

    QPointer<QWidget> m_main;
    QPointer<QWidget> m_preferences;
};

} // namespace tavrel::platform
