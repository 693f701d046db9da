#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
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
    struct stat st {};
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
        "[\"" + folder + "\"]",                 // not an object
        "{\"path\": 42}",                       // not a string
        "{\"folder\": \"" + folder + "\"}",     // no path
        "{\"path\": \"\"}",                     // empty
        "{\"path\": \".\"}",                    // relative: depends on the working folder
        folder,                                 // a bare path is not the stored form
    };
    for (const QByteArray &data : junk)
        EXPECT_EQ(bookmarks.resolve(data), std::nullopt) << data.constData();
    // The same folder in the right form does resolve, so the rows above fail for their own reason.
    EXPECT_EQ(bookmarks.resolve("{\"path\": \"" + folder + "\"}"), std::optional<QString>(dir.path()));
}

TEST(JsonBookmarks, AccessNeedsAWritableSearchableFolder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    JsonBookmarks bookmarks;

    // A file is never a folder to write into, even for root.
    const QString file = dir.filePath(QStringLiteral("file"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_FALSE(bookmarks.startAccess(file));
    EXPECT_FALSE(bookmarks.startAccess(dir.filePath(QStringLiteral("missing"))));

    // A read-only folder: refused for ordinary users. Root may write anywhere, and access(2)
    // says so; the answer must follow access(2) either way.
    const QString readOnly = dir.filePath(QStringLiteral("ro"));
    ASSERT_TRUE(QDir().mkpath(readOnly));
    ASSERT_EQ(::chmod(QFile::encodeName(readOnly).constData(), 0555), 0);
    const bool writable = ::access(QFile::encodeName(readOnly).constData(), W_OK | X_OK) == 0;
    if (::geteuid() != 0)
        EXPECT_FALSE(writable);
    EXPECT_EQ(bookmarks.startAccess(readOnly), writable);
    ::chmod(QFile::encodeName(readOnly).constData(), 0755);

    EXPECT_EQ(bookmarks.startCount(), 3);
    EXPECT_EQ(bookmarks.stopCount(), 0);
}
