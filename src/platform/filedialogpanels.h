#pragma once
// Open, save and folder choosers as file dialogs, window-modal on the main or preferences window.
#include <QPointer>
#include <QWidget>

#include "platform/panels.h"

namespace tavrel::platform {

class FileDialogPanels final : public Panels
{
public:
    // The windows the dialogs attach to; either may be null (the dialog is then application-modal).
    void setWindows(QWidget *mainWindow, QWidget *preferencesWindow);

    std::optional<QStringList> chooseFiles(PanelParent parent, const QStringList &allowedExtensions) override;
    std::optional<QString> chooseSaveFile(PanelParent parent, const QString &startFolder,
                                          const QString &proposedName, const QString &extension) override;
    std::optional<QString> chooseFolder(PanelParent parent) override;

    // "*.mkv *.MKV *.mp4 *.MP4": file dialogs match patterns case-sensitively on Linux.
    static QString filterPatterns(const QStringList &extensions);
    // The proposed name with ".extension" added unless it already ends so (any case).
    static QString nameWithExtension(const QString &proposedName, const QString &extension);

private:
    QWidget *window(PanelParent parent) const;

    QPointer<QWidget> m_main;
    QPointer<QWidget> m_preferences;
};

} // namespace tavrel::platform
