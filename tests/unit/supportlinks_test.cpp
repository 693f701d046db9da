// SPDX-License-Identifier: GPL-3.0-or-later
#include <QUrlQuery>
#include <gtest/gtest.h>

#include "support/supportlinks.h"

using namespace tavrel;

namespace {

LinkValues sample(qsizetype crashes)
{
    LinkValues v;
    v.appName = QStringLiteral("Tavrel");
    v.versionString = QStringLiteral("1.2.3");
    v.build = 456;
    v.machineType = QStringLiteral("ThinkPad X1");
    v.systemVersion = QStringLiteral("Debian GNU/Linux 12 (bookworm)");
    v.crashCount = crashes;
    v.supportEmail = QStringLiteral("support@example.org");
    v.webSite = QStringLiteral("https://www.example.org/");
    v.feedbackEmail = QStringLiteral("feedback@example.org");
    v.vendorProductPage = QStringLiteral("https://vendor.example.org/tavrel");
    v.storeProductPage = QStringLiteral("https://apps.example.com/app/tavrel/id1?mt=https");
    v.macupdateProductPage = QStringLiteral("https://updates.example.com/tavrel");
    return v;
}

struct LinkCase
{
    int tag;
    qsizetype crashes;
    QString expected;
};

TEST(SupportLinks, LibraryLinksForEveryTag)
{
    const QList<LinkCase> cases = {
        {1, 0,
         QStringLiteral("mailto:feedback@example.org?subject=Tavrel v1.2.3 (456) Support Request"
                        "&body=Insert Support Request Here\n\n\n\nP.S: Hardware: ThinkPad X1 Software: "
                        "Debian GNU/Linux 12 (bookworm)")},
        {1, 3,
         QStringLiteral("mailto:feedback@example.org?subject=Tavrel v1.2.3 (456) Support Request"
                        "&body=Insert Support Request Here\n\n\n\nP.S: Hardware: ThinkPad X1 Software: "
                        "Debian GNU/Linux 12 (bookworm) Problems: 3")},
        {2, 0,
         QStringLiteral("mailto:feedback@example.org?subject=Tavrel Beta Versions&body=Hello\n"
                        "I would like to test upcoming beta versions of Tavrel.\nBye\n")},
        {3, 0, QStringLiteral("https://vendor.example.org/tavrel")},
        {4, 0, QStringLiteral("https://apps.example.com/app/tavrel/id1?mt=https")},
        {5, 0, QStringLiteral("macappstore://apps.example.com/app/tavrel/id1?mt=macappstore")},
        {6, 0, QStringLiteral("https://updates.example.com/tavrel")},
        {0, 0, QString()},
        {7, 0, QString()},
    };
    for (const LinkCase &c : cases)
        EXPECT_EQ(libraryLink(c.tag, sample(c.crashes)).text(), c.expected) << "tag " << c.tag;
}

TEST(SupportLinks, ControllerLinksForEveryTag)
{
    const QList<LinkCase> cases = {
        {1, 0,
         QStringLiteral("mailto:support@example.org?subject=Tavrel 1.2.3 Support Request"
                        "&body=Insert Support Request Here\n\n\n\nP.S: Hardware: ThinkPad X1 Software: "
                        "Debian GNU/Linux 12 (bookworm) Tavrel: 456")},
        {1, 3,
         QStringLiteral("mailto:support@example.org?subject=Tavrel 1.2.3 Support Request"
                        "&body=Insert Support Request Here\n\n\n\nP.S: Hardware: ThinkPad X1 Software: "
                        "Debian GNU/Linux 12 (bookworm) Tavrel: 456 Problems: 3")},
        {2, 0,
         QStringLiteral("mailto:support@example.org?subject=Tavrel Beta Versions&body=Hello\n"
                        "I would like to test upcoming beta versions of Tavrel.\nBye\n")},
        {3, 0, QStringLiteral("https://www.example.org/tavrel/")},
        {5, 0, QStringLiteral("macappstore://apps.example.com/app/tavrel/id1?mt=macappstore")},
        {6, 0, QStringLiteral("https://updates.example.com/tavrel")},
        {0, 0, QString()},
        {7, 0, QString()},
    };
    for (const LinkCase &c : cases)
        EXPECT_EQ(controllerLink(c.tag, sample(c.crashes)).text(), c.expected) << "tag " << c.tag;
}

TEST(SupportLinks, AbsentInformationEntries)
{
    LinkValues v = sample(0);
    v.feedbackEmail.clear();
    v.vendorProductPage.clear();
    v.storeProductPage.clear();
    v.macupdateProductPage.clear();
    v.machineType.clear();
    EXPECT_EQ(libraryLink(1, v).mailAddress, QStringLiteral("support@example.org"));
    EXPECT_TRUE(libraryLink(1, v).body.endsWith(QStringLiteral("Hardware:  Software: Debian GNU/Linux 12 (bookworm)")));
    EXPECT_EQ(libraryLink(3, v).text(), QStringLiteral("https://www.example.org/tavrel/"));
    for (int tag : {4, 5, 6}) {
        EXPECT_TRUE(libraryLink(tag, v).isEmpty()) << tag;
        EXPECT_TRUE(controllerLink(tag, v).isEmpty()) << tag;
        EXPECT_TRUE(libraryLink(tag, v).url().isEmpty()) << tag;
    }
}

TEST(SupportLinks, ProblemReports)
{
    const QString details = QStringLiteral("disk %@ 100% gone");
    const SupportLink fatal = fatalErrorReport(details, sample(0));
    EXPECT_EQ(fatal.text(),
              QStringLiteral("mailto:support@example.org?subject=Tavrel v1.2.3 Problem Report&body=Hello\n"
                             "A fatal error in Tavrel occured.\n\nBye\n\nP.S. Details: disk %@ 100% gone"
                             "\n\n\nP.P.S: Hardware: ThinkPad X1 Software: Debian GNU/Linux 12 (bookworm) "));
    EXPECT_TRUE(fatalErrorReport(details, sample(3)).body.endsWith(QStringLiteral("(bookworm)  Problems: 3")));

    const SupportLink failed = conversionProblemReport(QStringLiteral("-i a.mkv"), QStringLiteral("out"), sample(0));
    EXPECT_EQ(failed.subject, QStringLiteral("Tavrel v1.2.3 Problem Report"));
    EXPECT_EQ(failed.body,
              QStringLiteral("Hello\nConversion of a file failed.\n\nBye\n\nP.S. Details: -i a.mkv out\n\n\n"
                             "P.P.S: Hardware: ThinkPad X1 Software: Debian GNU/Linux 12 (bookworm) "));
    EXPECT_TRUE(conversionProblemReport(QString(), QString(), sample(3)).body.endsWith(QStringLiteral(" Problems: 3")));
}

TEST(SupportLinks, MailBodySurvivesAsOneQueryValue)
{
    // ffmpeg output carries "#0:1", file names may carry "&", "%" and non-ASCII letters.
    const QString output = QStringLiteral("Input #0, matroska\n  Stream #0:1(eng): Audio\nTom & Jerry 100% é=1?");
    const SupportLink link = conversionProblemReport(QStringLiteral("-i /m/Tom & Jerry.mkv"), output, sample(0));
    const QUrl url = link.url();
    ASSERT_TRUE(url.isValid());
    EXPECT_EQ(url.scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(url.path(), QStringLiteral("support@example.org"));
    EXPECT_TRUE(url.fragment().isEmpty());
    const QUrlQuery query(url);
    EXPECT_EQ(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded), link.subject);
    EXPECT_EQ(query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded), link.body);
    const QByteArray encoded = url.toEncoded();
    EXPECT_TRUE(encoded.contains("Hello%0AConversion"));
    EXPECT_FALSE(encoded.contains(' '));
}

} // namespace
