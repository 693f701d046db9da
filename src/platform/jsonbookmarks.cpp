#include "platform/jsonbookmarks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>
#include <unistd.h>

namespace tavrel::platform {
namespace {
const QString kPathKey = QStringLiteral("path");
const QString kDeviceKey = QStringLiteral("device");
const QString kInodeKey = QStringLiteral("inode");
} // namespace

std::optional<QByteArray> JsonBookmarks::create(const QString &folderPath)
{
    if (folderPath.isEmpty())
        return std::nullopt;
    const QString path = QDir::cleanPath(QFileInfo(folderPath).absoluteFilePath());
    if (!QFileInfo(path).isDir())
        return std::nullopt;
    QJsonObject object{{kPathKey, path}};
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        object.insert(kDeviceKey, qint64(st.st_dev));
        object.insert(kInodeKey, qint64(st.st_ino));
    }
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
    return path;
}

bool JsonBookmarks::startAccess(const QString &folderPath)
{
    ++m_starts;
    if (folderPath.isEmpty() || !QFileInfo(folderPath).isDir())
        return false;
    return ::access(QFile::encodeName(folderPath).constData(), W_OK | X_OK) == 0;
}

void JsonBookmarks::stopAccess(const QString &folderPath)
{
    Q_UNUSED(folderPath) // plain file permissions: nothing to hand back
    ++m_stops;
}

} // namespace tavrel::platform
