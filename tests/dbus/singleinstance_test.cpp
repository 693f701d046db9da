// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/singleinstance.h"
#include "privatebus.h"

namespace {

// The application built next to the resources folder.
QString tavrelBinary()
{
    return QFileInfo(QStringLiteral(TAVREL_BUILD_RESOURCES)).absolutePath() + QStringLiteral("/tavrel");
}

} // namespace

TEST(SingleInstance, ALaterLaunchHandsItsFilesToTheFirstAndEnds)
{
    const QString program = tavrelBinary();
    ASSERT_TRUE(QFileInfo(program).isExecutable()) << "build the tavrel target first: " << program.toStdString();

    tavrel::SingleInstance first;
    QList<QStringList> received;
    first.setOpenFilesHandler([&](const QStringList &paths) { received.append(paths); });
    ASSERT_EQ(first.claim({}), tavrel::SingleInstance::Role::Primary);
    QDBusConnection bus = QDBusConnection::sessionBus();
    EXPECT_EQ(bus.interface()->serviceOwner(QString::fromLatin1(tavrel::kSingleInstanceService)).value(),
              bus.baseService());

    // Relative names, a leading dash and a URL as a file manager may pass them.
    QTemporaryDir folder;
    QProcess second;
    second.setWorkingDirectory(folder.path());
    second.setProcessChannelMode(QProcess::ForwardedChannels);
    second.start(program,
                 {QStringLiteral("Movie One.mkv"), QStringLiteral("--"), QStringLiteral("-dash.srt"),
                  QUrl::fromLocalFile(folder.filePath(QStringLiteral("Über 100%.mkv"))).toString()});
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);

    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(
        received.first(),
        (QStringList{folder.filePath(QStringLiteral("Movie One.mkv")), folder.filePath(QStringLiteral("-dash.srt")),
                     folder.filePath(QStringLiteral("Über 100%.mkv"))}));
}
