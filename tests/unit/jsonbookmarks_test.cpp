// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/jsonbookmarks.h"

using tavrel::platform::JsonBookmarks;

namespace {
QJsonObject parsed(const QByteArray &data)
{
    return QJsonDocument::fromJson(data).object();
}
} // namespace

TEST(JsonBookmarks, RoundTripsAFolderWithAnAwkwardName)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + QStringLiteral("/-Mes films \"100%\" été");
    ASSERT_TRUE(QDir().mkpath(folder));
    JsonBookmarks bookmarks;

    const auto data = bookmarks.create(folder + QStringLiteral("/"));
    ASSERT_TRUE(data.has_value());
    const QJsonObject object = parsed(*data);
    EXPECT_EQ(object.value(QStringLiteral("path")).toString(), folder);
    struct stat st
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &st), 0);
    EXPECT_EQ(object.value(QStringLiteral("device")).toInteger(), qint64(st.st_dev));
    EXPECT_EQ(object.value(QStringLiteral("inode")).toInteger(), qint64(st.st_ino));

    EXPECT_EQ(bookmarks.resolve(*data), std::optional<QString>(folder));
    EXPECT_TRUE(bookmarks.startAccess(folder));
    bookmarks.stopAccess(folder);
    EXPECT_EQ(bookmarks.startCount(), 1);
    EXPECT_EQ(bookmarks.stopCount(), 1);
}

TEST(JsonBookmarks, OnlyFoldersMakeReferences)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("plain.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    JsonBookmarks bookmarks;
    EXPECT_EQ(bookmarks.create(file.fileName()), std::nullopt);
    EXPECT_EQ(bookmarks.create(dir.filePath(QStringLiteral("missing"))), std::nullopt);
    EXPECT_EQ(bookmarks.create(QString()), std::nullopt);
}

TEST(JsonBookmarks, GoneOrReplacedFolders)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(folder));
    JsonBookmarks bookmarks;
    const auto data = bookmarks.create(folder);
    ASSERT_TRUE(data.has_value());

    // Deleted: no longer resolves.
    ASSERT_TRUE(QDir(folder).removeRecursively());
    EXPECT_EQ(bookmarks.resolve(*data), std::nullopt);

    // A file in its place is not a folder either.
    QFile file(folder);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(bookmarks.resolve(*data), std::nullopt);

    // A new folder at the same path (another inode) is still the folder the user chose.
    ASSERT_TRUE(QFile::remove(folder));
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_EQ(bookmarks.resolve(*data), std::optional<QString>(folder));
}

TEST(JsonBookmarks, JunkDataDoesNotResolve)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray folder = dir.path().toUtf8();
    JsonBookmarks bookmarks;
    const QList<QByteArray> junk = {
        QByteArray(),
        "not json",
        QByteArray("\xff\xfe\x00garbage", 10),
        "[\"" + folder + "\"]",             // not an object
        "{\"path\": 42}",                   // not a string
        "{\"folder\": \"" + folder + "\"}", // no path
        "{\"path\": \"\"}",                 // empty
        "{\"path\": \".\"}",                // relative: depends on the working folder
        folder,                             // a bare path is not the stored form
    };
    for (const QByteArray &data : junk)
        EXPECT_EQ(bookmarks.resolve(data), std::nullopt) << data.constData();
    // The same folder in the right form does resolve, so the rows above fail for their own reason.
    EXPECT_EQ(bookmarks.resolve("{\"path\": \"" + folder + "\"}"), std::optional<QString>(dir.path()));
}

// startAccess as an ordinary user would get it: asked in a child that gave up root.
int startAccessAsOrdinaryUser(const QString &folder)
{
    if (::geteuid() != 0)
        return JsonBookmarks().startAccess(folder) ? 1 : 0;
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        ::_exit(JsonBookmarks().startAccess(folder) ? 1 : 0);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return 3;
    return WEXITSTATUS(status);
}

TEST(JsonBookmarks, AccessNeedsAnExistingSearchableFolderNotAWritableOne)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    JsonBookmarks bookmarks;

    const QString file = dir.filePath(QStringLiteral("file"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_FALSE(bookmarks.startAccess(file));
    EXPECT_FALSE(bookmarks.startAccess(dir.filePath(QStringLiteral("missing"))));
    EXPECT_EQ(bookmarks.startCount(), 2);
    EXPECT_EQ(bookmarks.stopCount(), 0);

    // A share mounted read-only or a folder whose permission changed is still the user's folder:
    // whether it can be written is the write test's question when a job is added.
    const QString readOnly = dir.filePath(QStringLiteral("ro"));
    ASSERT_TRUE(QDir().mkpath(readOnly));
    ASSERT_EQ(::chmod(QFile::encodeName(readOnly).constData(), 0555), 0);
    EXPECT_EQ(startAccessAsOrdinaryUser(readOnly), 1);
    // A folder that cannot be searched cannot hold anything for us.
    const QString closed = dir.filePath(QStringLiteral("closed"));
    ASSERT_TRUE(QDir().mkpath(closed));
    ASSERT_EQ(::chmod(QFile::encodeName(closed).constData(), 0644), 0);
    EXPECT_EQ(startAccessAsOrdinaryUser(closed), 0);
    ::chmod(QFile::encodeName(readOnly).constData(), 0755);
    ::chmod(QFile::encodeName(closed).constData(), 0755);
}

TEST(JsonBookmarks, AFolderNowOnAnotherFileSystemDoesNotResolve)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    JsonBookmarks bookmarks;
    const auto data = bookmarks.create(dir.path());
    ASSERT_TRUE(data.has_value());
    const QJsonObject object = parsed(*data);
    const QString volume = object.value(QStringLiteral("volume")).toString();
    EXPECT_FALSE(volume.isEmpty());
    EXPECT_EQ(volume, JsonBookmarks::fileSystemIdentity(dir.path()));
    EXPECT_EQ(bookmarks.resolve(*data), std::optional<QString>(dir.path()));

    // The disk is unplugged: the same path is now an empty folder on another file system.
    QJsonObject moved = object;
    moved.insert(QStringLiteral("volume"), QStringLiteral("uuid 0000-DISK"));
    EXPECT_EQ(bookmarks.resolve(QJsonDocument(moved).toJson()), std::nullopt);
    // Plugged in again (under whatever device name): the identity matches and it resolves.
    EXPECT_EQ(bookmarks.resolve(QJsonDocument(object).toJson()), std::optional<QString>(dir.path()));

    // Two file systems of this machine tell apart.
    EXPECT_NE(JsonBookmarks::fileSystemIdentity(QStringLiteral("/proc")), volume);
    EXPECT_EQ(JsonBookmarks::fileSystemIdentity(dir.filePath(QStringLiteral("missing"))), QString());
}
