// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/filedialogpanels.h"

#include <QFileDialog>

namespace tavrel::platform {
namespace {

// Window-modal on its parent when it has one; exec() still blocks the caller until answered.
int runDialog(QFileDialog &dialog)
{
    dialog.setWindowModality(dialog.parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);
    return dialog.exec();
}

} // namespace

void FileDialogPanels::setWindows(QWidget *mainWindow, QWidget *preferencesWindow)
{
    m_main = mainWindow;
    m_preferences = preferencesWindow;
}

QWidget *FileDialogPanels::window(PanelParent parent) const
{
    return parent == PanelParent::MainWindow ? m_main.data() : m_preferences.data();
}

QString FileDialogPanels::filterPatterns(const QStringList &extensions)
{
    QStringList patterns;
    for (const QString &extension : extensions) {
        QString pattern = QStringLiteral("*.");
        for (const QChar c : extension) {
            const QChar lower = c.toLower(), upper = c.toUpper();
            if (lower == upper)
                pattern += c;
            else
                pattern += QLatin1Char('[') + lower + upper + QLatin1Char(']');
        }
        if (!patterns.contains(pattern))
            patterns << pattern;
    }
    return patterns.join(QLatin1Char(' '));
}

QString FileDialogPanels::nameWithExtension(const QString &proposedName, const QString &extension)
{
    if (extension.isEmpty() || proposedName.endsWith(QLatin1Char('.') + extension, Qt::CaseInsensitive))
        return proposedName;
    return proposedName + QLatin1Char('.') + extension;
}

std::optional<QStringList> FileDialogPanels::chooseFiles(PanelParent parent, const QStringList &allowedExtensions)
{
    QFileDialog dialog(window(parent), kAddMoviesTitle);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (!allowedExtensions.isEmpty())
        dialog.setNameFilters(
            {QStringLiteral("Movies and subtitles (%1)").arg(filterPatterns(allowedExtensions)), kAllFilesFilter});
    if (runDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles();
}

std::optional<QString> FileDialogPanels::chooseSaveFile(PanelParent parent, const QString &startFolder,
                                                        const QString &proposedName, const QString &extension)
{
    QFileDialog dialog(window(parent), kSaveTitle);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The dialog itself asks before an existing file is replaced (the default).
    if (!extension.isEmpty()) {
        dialog.setDefaultSuffix(extension);
        dialog.setNameFilters(
            {QStringLiteral("%1 files (%2)").arg(extension.toUpper(), filterPatterns({extension})), kAllFilesFilter});
    }
    if (!startFolder.isEmpty())
        dialog.setDirectory(startFolder);
    if (!proposedName.isEmpty())
        dialog.selectFile(nameWithExtension(proposedName, extension));
    if (runDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> FileDialogPanels::chooseFolder(PanelParent parent)
{
    QFileDialog dialog(window(parent), kFolderTitle);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (runDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace tavrel::platform
