#pragma once
// Window geometry and splitter layouts, kept in the settings store under "Windows/<name>" so the
// windows come back where the user left them.
#include <QString>

class QSplitter;
class QWidget;

namespace tavrel {

void saveWindowGeometry(const QWidget *window, const QString &name);
// False when nothing was remembered (or it could not be used); the window is then unchanged.
bool restoreWindowGeometry(QWidget *window, const QString &name);
void saveSplitterState(const QSplitter *splitter, const QString &name);
bool restoreSplitterState(QSplitter *splitter, const QString &name);

// Puts a window that has no remembered place over the middle of another one.
void centerOver(QWidget *window, const QWidget *over);

} // namespace tavrel
