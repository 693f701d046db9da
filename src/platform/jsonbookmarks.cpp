// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/jsonbookmarks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace tavrel::platform {
namespace {
const QString kPathKey = QStringLiteral("path");
const QString kDeviceKey = QStringLiteral("device");
const QString kInodeKey = QStringLiteral("inode");
const QString kVolumeKey = QStringLiteral("volume");

// The mountinfo line of the file system with this device number: "<type> <source> <mount point>".
QString mountDescription(dev_t device)
{
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray wanted = QByteArray::number(major(device)) + ':' + QByteArray::number(minor(device));
    while (!file.atEnd()) {
        // id parent major:minor root mount-point options [optional fields] - type source options
        const QList<QByteArray> fields = file.readLine().trimmed().split(' ');
        const qsizetype dash = fields.indexOf("-");
        if (fields.size() < 5 || fields.at(2) != wanted || dash < 0 || dash + 2 >= fields.size())
            continue;
        return QString::fromUtf8(fields.at(dash + 1) + ' ' + fields.at(dash + 2) + ' ' + fields.at(4));
    }
    return QString();
}

QString uuidOfDevice(dev_t device)
{
    const QDir byUuid(QStringLiteral("/dev/disk/by-uuid"));
    const QStringList names = byUuid.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        struct stat st
        {
        };
        if (::stat(QFile::encodeName(byUuid.filePath(name)).constData(), &st) == 0 && S_ISBLK(st.st_mode)
            && st.st_rdev == device)
            return name;
    }
    return QString();
}

} // namespace

QString JsonBookmarks::fileSystemIdentity(const QString &path)
{
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QString();
    const QString uuid = uuidOfDevice(st.st_dev);
    if (!uuid.isEmpty())
        return QStringLiteral("uuid ") + uuid;
    const QString mount = mountDescription(st.st_dev);
    return mount.isEmpty() ? QStringLiteral("device %1").arg(qint64(st.st_dev)) : mount;
}

std::optional<QByteArray> JsonBookmarks::create(const QString &folderPath)
{
    if (folderPath.isEmpty())
        return std::nullopt;
    const QString path = QDir::cleanPath(QFileInfo(folderPath).absoluteFilePath());
    if (!QFileInfo(path).isDir())
        return std::nullopt;
    QJsonObject object{{kPathKey, path}};
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        object.insert(kDeviceKey, qint64(st.st_dev));
        object.insert(kInodeKey, qint64(st.st_ino));
    }
    const QString volume = fileSystemIdentity(path);
    if (!volume.isEmpty())
        object.insert(kVolumeKey, volume);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<QString> JsonBookmarks::resolve(const QByteArray &data)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonValue value = document.object().value(kPathKey);
    if (!value.isString())
        return std::nullopt;
    const QString path = value.toString();
    // Only absolute paths: a relative one would resolve against whatever the working folder is.
    if (!QDir::isAbsolutePath(path) || !QFileInfo(path).isDir())
        return std::nullopt;
    // A reference written by hand may leave the file system out; it then resolves by path.
    const QJsonValue volume = document.object().value(kVolumeKey);
    if (volume.isString() && volume.toString() != fileSystemIdentity(path))
        return std::nullopt;
    return path;
}

bool JsonBookmarks::startAccess(const QString &folderPath)
{
    ++m_starts;
    if (folderPath.isEmpty() || !QFileInfo(folderPath).isDir())
        return false;
    return ::access(QFile::encodeName(folderPath).constData(), X_OK) == 0;
}

void JsonBookmarks::stopAccess(const QString &folderPath)
{
    Q_UNUSED(folderPath) // plain file permissions: nothing to hand back
    ++m_stops;
}

} // namespace tavrel::platform
