// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Window geometry and splitter layouts, kept in the settings store under "Windows/<name>" so the
// windows come back where the user left them.
#include <QByteArray>
#include <QSize>
#include <QString>

#include <optional>

class QSplitter;
class QWidget;

namespace tavrel {

void saveWindowGeometry(const QWidget *window, const QString &name);
// False when nothing was remembered (or it could not be used); the window is then unchanged.
// Where clients cannot place their windows (Wayland), only the size and the maximized state
// come back.
bool restoreWindowGeometry(QWidget *window, const QString &name);
// The same from a QWidget::saveGeometry() record, on a platform that lets clients place their
// windows or not.
bool restoreGeometryRecord(QWidget *window, const QByteArray &geometry, bool clientPlaces);
void saveSplitterState(const QSplitter *splitter, const QString &name);
bool restoreSplitterState(QSplitter *splitter, const QString &name);

// Puts a window that has no remembered place over the middle of another one; nothing where the
// compositor places windows.
void centerOver(QWidget *window, const QWidget *over);

// Whether a platform plugin lets a client place its own windows: a Wayland compositor does that
// itself and ignores the positions it is given.
bool clientPlacesWindows(const QString &platformName);

// The part of QWidget::saveGeometry()'s record that means something without a position.
struct RememberedSize
{
    QSize normalSize; // the window's size when neither maximized nor full screen
    bool maximized = false;
    bool fullScreen = false;
};
std::optional<RememberedSize> readRememberedSize(const QByteArray &geometry);

} // namespace tavrel
