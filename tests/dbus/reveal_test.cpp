// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDesktopServices>
#include <QTest>
#include <gtest/gtest.h>

#include "fakedesktopservices.h"
#include "privatebus.h"
#include "ui/desktopworkspace.h"

using tavrel::platform::DesktopWorkspace;
using tavrel::test::FakeDesktopServices;

namespace {

// Takes the file: URLs that QDesktopServices would hand to the desktop.
class OpenedUrls final : public QObject
{
    Q_OBJECT

public:
    OpenedUrls() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~OpenedUrls() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QList<QUrl> urls;

public Q_SLOTS:
    void open(const QUrl &url) { urls.append(url); }
};

} // namespace

TEST(DesktopWorkspace, RevealAsksFileManagerWithEncodedUris)
{
    FakeDesktopServices fake(tavrel::test::privateBusAddress());
    ASSERT_TRUE(fake.registerFileManager());
    OpenedUrls opened;
    DesktopWorkspace workspace;

    workspace.revealFiles({QStringLiteral("/tmp/My Movies/Café #1 100%.mp4"), QStringLiteral("/tmp/-lead?.mp4")});

    ASSERT_TRUE(QTest::qWaitFor([&] { return !fake.showItemsCalls().isEmpty(); }, 5000));
    const auto call = fake.showItemsCalls().first();
    EXPECT_EQ(call.uris,
              (QStringList{QStringLiteral("file:///tmp/My%20Movies/Caf%C3%A9%20%231%20100%25.mp4"),
                           QStringLiteral("file:///tmp/-lead%3F.mp4")}));
    EXPECT_EQ(call.startupId, QString());
    QTest::qWait(100);
    EXPECT_TRUE(opened.urls.isEmpty()) << "the file manager answered: no folder is opened";
}

TEST(DesktopWorkspace, WithoutFileManagerOpensTheContainingFolderOnce)
{
    OpenedUrls opened;
    DesktopWorkspace workspace; // no FileManager1 on the private bus

    workspace.revealFiles({QStringLiteral("/tmp/My Movies/a.mp4"), QStringLiteral("/tmp/My Movies/b.mp4")});

    ASSERT_TRUE(QTest::qWaitFor([&] { return !opened.urls.isEmpty(); }, 5000));
    QTest::qWait(100);
    ASSERT_EQ(opened.urls.size(), 1);
    EXPECT_EQ(opened.urls.first().toLocalFile(), QStringLiteral("/tmp/My Movies"));
}

#include "reveal_test.moc"
