// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrlQuery>

#include "scriptedplatform.h"
#include "support/paths.h"
#include "support/ossorylib.h"
#include "testenvironment.h"

using namespace tavrel;
using namespace Qt::StringLiterals;

namespace {

class FileOps : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString path(const QString &name) const { return m_dir.filePath(name); }
    void touch(const QString &name, const QByteArray &data = "x") const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    }
    QStringList entries() const
    {
        return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir m_dir;
};

TEST_F(FileOps, UniqueFileNumbersFromZeroBeforeTheExtension)
{
    EXPECT_EQ(uniqueFile(path(u"a.mp4"_s)), path(u"a.mp4"_s)); // nothing there: unchanged
    touch(u"a.mp4"_s);
    EXPECT_EQ(uniqueFile(path(u"a.mp4"_s)), path(u"a-0.mp4"_s));
    touch(u"a-0.mp4"_s);
    EXPECT_EQ(uniqueFile(path(u"a.mp4"_s)), path(u"a-1.mp4"_s));

    touch(u"movie.mkv.log"_s);
    EXPECT_EQ(uniqueFile(path(u"movie.mkv.log"_s)), path(u"movie.mkv-0.log"_s));
    touch(u"noext"_s);
    EXPECT_EQ(uniqueFile(path(u"noext"_s)), path(u"noext-0."_s)); // the dot is always written

    // Only the last component holds the extension; odd names pass through unharmed.
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(u"d.ir"_s));
    touch(u"d.ir/plain"_s);
    EXPECT_EQ(uniqueFile(path(u"d.ir/plain"_s)), path(u"d.ir/plain-0."_s));
    touch(u"-100% é \"q\".mp4"_s);
    EXPECT_EQ(uniqueFile(path(u"-100% é \"q\".mp4"_s)), path(u"-100% é \"q\"-0.mp4"_s));
}

TEST_F(FileOps, UniqueFileCountsADanglingLinkAsTaken)
{
    ASSERT_TRUE(QFile::link(path(u"gone.mp4"_s), path(u"b.mp4"_s)));
    EXPECT_EQ(uniqueFile(path(u"b.mp4"_s)), path(u"b-0.mp4"_s));
}

TEST_F(FileOps, WriteProbeNeverTouchesAnExistingFile)
{
    touch(u"taken.mp4"_s, "precious");
    EXPECT_FALSE(isWriteablePath(path(u"taken.mp4"_s)));
    EXPECT_EQ(contents(path(u"taken.mp4"_s)), QByteArray("precious"));
    EXPECT_EQ(entries(), QStringList{u"taken.mp4"_s});

    ASSERT_TRUE(QFile::link(path(u"nowhere"_s), path(u"link.mp4"_s)));
    EXPECT_FALSE(isWriteablePath(path(u"link.mp4"_s)));
    EXPECT_TRUE(QFileInfo(path(u"link.mp4"_s)).isSymLink());
}

TEST_F(FileOps, WriteProbeOnANewPathLeavesNothingBehind)
{
    EXPECT_TRUE(isWriteablePath(path(u"new 100% é.mp4"_s)));
    EXPECT_TRUE(entries().isEmpty());
}

TEST_F(FileOps, WriteProbeFailsWhereNothingCanBeWritten)
{
    EXPECT_FALSE(isWriteablePath(path(u"missing/folder/out.mp4"_s)));
    // Not even root may create files in /proc.
    EXPECT_FALSE(isWriteablePath(u"/proc/tavrel-write-probe.mp4"_s));
    EXPECT_FALSE(isWriteablePath(QString()));
    EXPECT_TRUE(entries().isEmpty());
}

TEST(EscapedUrl, MailLinkSurvivesInOneStep)
{
    const QString subject = u"Tavrel v1.0 Problem Report"_s;
    const QString body = u"Hello\nStream #0:1(eng): Audio: ac3, 48000 Hz [5.1]\nfilm é 100% (a/b) ok?"_s;
    const QUrl url = escapedURL(u"mailto:support@ossory.org?subject="_s + subject + u"&body="_s + body);
    ASSERT_TRUE(url.isValid());
    EXPECT_EQ(url.scheme(), u"mailto"_s);
    EXPECT_EQ(url.path(), u"support@ossory.org"_s);
    EXPECT_FALSE(url.hasFragment()); // "#" in the body does not cut it off
    EXPECT_EQ(url.toEncoded(),
              QByteArray("mailto:support@ossory.org?subject=Tavrel%20v1.0%20Problem%20Report"
                         "&body=Hello%0AStream%20%230:1(eng):%20Audio:%20ac3,%2048000%20Hz%20%5B5.1%5D"
                         "%0Afilm%20%C3%A9%20100%25%20(a/b)%20ok?"));

    // "&" and "=" stay the query's structure; each value decodes back to the original text.
    const QUrlQuery query(url);
    EXPECT_EQ(query.queryItemValue(u"subject"_s, QUrl::FullyDecoded), subject);
    EXPECT_EQ(query.queryItemValue(u"body"_s, QUrl::FullyDecoded), body);
}

TEST(EscapedUrl, KeepsReservedCharactersAndTheFragmentOfAWebLink)
{
    const QString link = u"https://www.ossory.org/tavrel/?a=1&b=2;c:d@e+f$g,h!~*'()#top"_s;
    const QUrl url = escapedURL(link);
    ASSERT_TRUE(url.isValid());
    EXPECT_EQ(QString::fromLatin1(url.toEncoded()), link);
    EXPECT_EQ(url.fragment(), u"top"_s);
    // A second "#" cannot be a delimiter and is escaped.
    EXPECT_EQ(escapedURL(u"https://x.org/#a#b"_s).toEncoded(), QByteArray("https://x.org/#a%23b"));
}

TEST(EscapedUrl, EscapesWhatIsNotLegal)
{
    EXPECT_EQ(escapedURL(u"https://x.org/a b\t\"<>{}|\\^`"_s).toEncoded(),
              QByteArray("https://x.org/a%20b%09%22%3C%3E%7B%7D%7C%5C%5E%60"));
    EXPECT_EQ(escapedURL(u"https://x.org/50%25"_s).toEncoded(), QByteArray("https://x.org/50%2525"));
    EXPECT_EQ(escapedURL(u"mailto:a@b?body=\u00e9\u65e5\U0001F600"_s).toEncoded(),
              QByteArray("mailto:a@b?body=%C3%A9%E6%97%A5%F0%9F%98%80"));
    // A clamped text can end inside a surrogate pair; the link is still made.
    const QUrl halfPair = escapedURL(u"mailto:a@b?body=x"_s + QChar(0xD83D));
    EXPECT_TRUE(halfPair.isValid());
    EXPECT_EQ(halfPair.toEncoded(), QByteArray("mailto:a@b?body=x%EF%BF%BD"));
    EXPECT_TRUE(escapedURL(QString()).isEmpty());
}

TEST_F(FileOps, ResourceUrlNeedsTheSharedInstanceAndAnExistingFile)
{
    EXPECT_TRUE(resourceURL(u"FAQ.html"_s).isEmpty()) << "no shared instance yet";
    touch(u"FAQ.html"_s);
    {
        const test::ScopedResourceDir resources(m_dir.path());
        OssoryLib lib;
        EXPECT_EQ(resourceURL(u"FAQ.html"_s), QUrl::fromLocalFile(path(u"FAQ.html"_s)));
        EXPECT_TRUE(resourceURL(u"History.html"_s).isEmpty());
        EXPECT_TRUE(resourceURL(QString()).isEmpty());
        EXPECT_TRUE(resourceURL(path(u"FAQ.html"_s)).isEmpty()); // absolute: not a resource name
        EXPECT_TRUE(resourceURL(u"../"_s + QFileInfo(m_dir.path()).fileName() + u"/FAQ.html"_s).isEmpty());
    }
}

TEST(OpenUrl, GoesToTheInstalledWorkspaceOnly)
{
    const QUrl mail = escapedURL(u"mailto:a@b?subject=x y"_s);
    open(mail); // nothing installed: nothing happens
    test::ScriptedPlatform platform;
    open(mail);
    open(QUrl());
    ASSERT_EQ(platform.workspace.opened.size(), 1);
    EXPECT_EQ(platform.workspace.opened.first(), mail);
}

struct ReadIntCase
{
    const char *name;
    QByteArray bytes;
    qint32 expected;
};

TEST(ReadInt, ReadsFourBytesLittleEndian)
{
    const ReadIntCase cases[] = {
        {"pack header", QByteArray("\x00\x00\x01\xba", 4), qint32(0xba010000)},
        {"text subtitle", QByteArray("1\n00"), qint32(0x3030'0a31)},
        {"more bytes follow", QByteArray("\x01\x00\x00\x00\xff", 5), 1},
        {"three bytes", QByteArray("\x00\x00\x01", 3), 0},
        {"empty file", QByteArray(), 0},
    };
    for (const ReadIntCase &c : cases) {
        QByteArray data = c.bytes;
        QBuffer buffer(&data);
        ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
        EXPECT_EQ(readInt(&buffer), c.expected) << c.name;
    }
    EXPECT_EQ(readInt(nullptr), 0);
    QBuffer closed;
    EXPECT_EQ(readInt(&closed), 0);
}

TEST(ReadInt, ReadsSuccessiveValues)
{
    QByteArray data("\x02\x00\x00\x00\x00\x00\x80\x3f", 8);
    QBuffer buffer(&data);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    EXPECT_EQ(readInt(&buffer), 2);
    EXPECT_EQ(readInt(&buffer), 0x3f80'0000);
    EXPECT_EQ(readInt(&buffer), 0);
}

} // namespace
