#include "ui/windowstate.h"

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
    const QByteArray geometry = stored(name);
    return !geometry.isEmpty() && window->restoreGeometry(geometry);
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
    if (!over)
        return;
    const QRect frame = over->frameGeometry();
    window->move(frame.center() - QPoint(window->width() / 2, window->height() / 2));
}

} // namespace tavrel
