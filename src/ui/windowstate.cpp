// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/windowstate.h"

#include <QDataStream>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QSplitter>
#include <QWidget>

#include "app/settings.h"

namespace tavrel {

namespace {

QString keyFor(const QString &name)
{
    return QStringLiteral("Windows/") + name;
}

QByteArray stored(const QString &name)
{
    const QVariant value = settings::defaultObject(keyFor(name));
    return value.metaType().id() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
}

} // namespace

void saveWindowGeometry(const QWidget *window, const QString &name)
{
    settings::setDefaultObject(keyFor(name), window->saveGeometry());
}

bool restoreWindowGeometry(QWidget *window, const QString &name)
{
    return restoreGeometryRecord(window, stored(name), clientPlacesWindows(QGuiApplication::platformName()));
}

bool restoreGeometryRecord(QWidget *window, const QByteArray &geometry, bool clientPlaces)
{
    if (geometry.isEmpty())
        return false;
    if (clientPlaces)
        return window->restoreGeometry(geometry);
    const std::optional<RememberedSize> remembered = readRememberedSize(geometry);
    if (!remembered || remembered->normalSize.isEmpty())
        return false;
    QSize size = remembered->normalSize;
    // Remembered on a larger screen: no larger than this one.
    if (const QScreen *screen = window->screen())
        size = size.boundedTo(screen->availableSize());
    window->resize(size);
    Qt::WindowStates states = window->windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen);
    if (remembered->maximized)
        states |= Qt::WindowMaximized;
    if (remembered->fullScreen)
        states |= Qt::WindowFullScreen;
    window->setWindowState(states);
    return true;
}

void saveSplitterState(const QSplitter *splitter, const QString &name)
{
    settings::setDefaultObject(keyFor(name), splitter->saveState());
}

bool restoreSplitterState(QSplitter *splitter, const QString &name)
{
    const QByteArray state = stored(name);
    return !state.isEmpty() && splitter->restoreState(state);
}

void centerOver(QWidget *window, const QWidget *over)
{
    if (!over || !clientPlacesWindows(QGuiApplication::platformName()))
        return;
    const QRect frame = over->frameGeometry();
    window->move(frame.center() - QPoint(window->width() / 2, window->height() / 2));
}

bool clientPlacesWindows(const QString &platformName)
{
    // "wayland", and the plugins chosen by name: "wayland-egl", "wayland-generic".
    return !platformName.startsWith(QLatin1String("wayland"));
}

std::optional<RememberedSize> readRememberedSize(const QByteArray &geometry)
{
    // QWidget::saveGeometry()'s layout: magic, version, frame and normal geometry, screen,
    // maximized and full-screen flags, then fields added by later versions.
    constexpr quint32 magic = 0x1D9D0CB;
    QDataStream stream(geometry);
    stream.setVersion(QDataStream::Qt_4_0);
    quint32 storedMagic = 0;
    quint16 major = 0, minor = 0;
    stream >> storedMagic >> major >> minor;
    if (storedMagic != magic || major < 1 || major > 3)
        return std::nullopt;
    QRect frame, normal;
    qint32 screenNumber = 0;
    quint8 maximized = 0, fullScreen = 0;
    stream >> frame >> normal >> screenNumber >> maximized >> fullScreen;
    if (stream.status() != QDataStream::Ok)
        return std::nullopt;
    return RememberedSize{normal.size(), maximized != 0, fullScreen != 0};
}

} // namespace tavrel
