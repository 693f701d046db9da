#include "testenvironment.h"

#include <QDir>
#include <QTemporaryDir>

#include "app/settings.h"

namespace tavrel::test {
namespace {
QTemporaryDir *home()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/tavrel-test-XXXXXX"));
    return &dir;
}
int storeCounter = 0;
} // namespace

QString testHome()
{
    return home()->path();
}

void isolateUserFolders()
{
    const QByteArray h = testHome().toUtf8();
    qputenv("HOME", h);
    qputenv("XDG_CONFIG_HOME", h + "/.config");
    qputenv("XDG_DATA_HOME", h + "/.local/share");
    qputenv("XDG_CACHE_HOME", h + "/.cache");
    qputenv("XDG_DOCUMENTS_DIR", h + "/Documents");
    QDir().mkpath(testHome() + QStringLiteral("/Documents"));
    resetSettingsStore();
}

void resetSettingsStore()
{
    settings::useStoreFile(testHome() + QStringLiteral("/settings-%1.conf").arg(++storeCounter));
}

} // namespace tavrel::test
