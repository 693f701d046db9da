// SPDX-License-Identifier: GPL-3.0-or-later
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>
#include <gtest/gtest.h>

#include "../unit/qtprinters.h"

#include "app/settings.h"
#include "inspection/compatibility.h"
#include "inspection/mkvfileinfo.h"
#include "moviemaker.h"
#include "scriptedplatform.h"
#include "support/alerts.h"
#include "testenvironment.h"

using namespace tavrel;

namespace {

// Movies made once per suite; each is tiny (one or two frames).
class WarningsTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        ASSERT_TRUE(s_dir->isValid());
        const auto make = [](const QString &name, const QStringList &args) {
            ASSERT_TRUE(test::makeMovie(args, s_dir->filePath(name)));
        };
        make(QStringLiteral("ref5.mkv"), test::h264Video(QStringLiteral("1920x1080"), 2, QStringLiteral("ref=5")));
        make(QStringLiteral("ref4.mkv"), test::h264Video(QStringLiteral("1920x1080"), 2, QStringLiteral("ref=4")));
        make(QStringLiteral("wide.mkv"), test::h264Video(QStringLiteral("2048x800"), 1));
        make(QStringLiteral("mpeg2 100%.mkv"),
             test::testVideo(QStringLiteral("320x240")) + QStringList{"-frames:v", "2", "-c:v", "mpeg2video"});
        make(QStringLiteral("tenbit.mkv"),
             test::testVideo(QStringLiteral("320x240"))
                 + QStringList{"-frames:v", "1", "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p10le"});
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }

    void SetUp() override
    {
        test::resetSettingsStore();
        setDontWarnAgainVersionOverride(QString());
    }
    void TearDown() override { setDontWarnAgainVersionOverride(QString()); }

    // Scans on a background thread as the application does, then waits until `expected`
    // alerts have been shown, and a little longer so that a surplus one would be seen too.
    // The warnings are those of a user who turned re-encoding off, unless `reencode`.
    QStringList scan(const QString &name, qsizetype expected, bool reencode = false)
    {
        const qsizetype before = platform.alerts.shown.size();
        QFuture<std::shared_ptr<MKVFileInfo>> future =
            QtConcurrent::run(&MKVFileInfo::scan, QUrl::fromLocalFile(s_dir->filePath(name)), reencode);
        EXPECT_TRUE(QTest::qWaitFor([&] { return future.isFinished(); }, 60000));
        EXPECT_TRUE(future.result()->toolFailure.isEmpty()) << future.result()->toolFailure.toStdString();
        notes = future.result()->conversionNotes;
        (void)QTest::qWaitFor([&] { return platform.alerts.shown.size() - before >= expected; }, 5000);
        QTest::qWait(300);
        QStringList messages;
        for (qsizetype i = before; i < platform.alerts.shown.size(); ++i)
            messages.append(platform.alerts.shown.at(i).message);
        return messages;
    }

    test::ScriptedPlatform platform;
    QStringList notes; // of the last scan
    static inline QTemporaryDir *s_dir = nullptr;
};

TEST_F(WarningsTest, EachPropertyRaisesItsOwnWarning)
{
    const struct
    {
        const char *file;
        QString expected; // identifier, or empty for none
    } cases[] = {
        {"ref5.mkv", kTooManyRefFramesWarning}, {"ref4.mkv", QString()},
        {"wide.mkv", kTooHighResWarning},       {"mpeg2 100%.mkv", kWrongVideoWarning},
        {"tenbit.mkv", kTenBitVideoWarning},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const QString name = QString::fromUtf8(c.file);
        const QStringList expected =
            c.expected.isEmpty() ? QStringList() : QStringList{warningMessage(c.expected, name)};
        EXPECT_EQ(scan(name, expected.size()), expected);
        EXPECT_TRUE(notes.isEmpty());
        // With re-encoding on, the result will play: no warning, and the file's notes say why.
        EXPECT_EQ(scan(name, 0, true), QStringList());
        EXPECT_EQ(notes.join(u' ').contains(QStringLiteral("re-encoded to H.264")), !c.expected.isEmpty())
            << notes.join(u' ').toStdString();
    }
    for (const platform::AlertRequest &request : platform.alerts.shown) {
        EXPECT_EQ(request.title, QStringLiteral("Warning"));
        EXPECT_EQ(request.defaultButton, QStringLiteral("OK"));
        EXPECT_EQ(request.alternateButton, QStringLiteral("Don't warn again"));
        EXPECT_TRUE(request.otherButton.isNull());
    }
}

TEST_F(WarningsTest, DontWarnAgainSilencesOneWarningUntilTheVersionChanges)
{
    const QString mpeg2 = QStringLiteral("mpeg2 100%.mkv");
    const QStringList wrongVideo = {warningMessage(kWrongVideoWarning, mpeg2)};

    platform.alerts.answers.enqueue({1}); // OK: asked again next time
    EXPECT_EQ(scan(mpeg2, 1), wrongVideo);
    platform.alerts.answers.enqueue({0}); // Don't warn again
    EXPECT_EQ(scan(mpeg2, 1), wrongVideo);
    EXPECT_EQ(settings::defaultInt(dontWarnAgainVersionKey(kWrongVideoWarning)), 1);
    EXPECT_EQ(scan(mpeg2, 0), QStringList());

    // The other warnings are not affected.
    EXPECT_EQ(scan(QStringLiteral("ref5.mkv"), 1),
              QStringList{warningMessage(kTooManyRefFramesWarning, QStringLiteral("ref5.mkv"))});

    setDontWarnAgainVersionOverride(QStringLiteral("99.0"));
    EXPECT_EQ(scan(mpeg2, 1), wrongVideo);
}

} // namespace
