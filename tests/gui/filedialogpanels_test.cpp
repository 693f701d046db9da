#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <functional>

#include "platform/filedialogpanels.h"

using tavrel::platform::FileDialogPanels;
using tavrel::platform::PanelParent;

namespace {

// Calls answer with the file dialog once it is on screen; answer must close it.
void whenDialogShows(const std::function<void(QFileDialog &)> &answer)
{
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        answer(*dialog);
    });
    poll->start();
}

class FileDialogPanelsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        mainWindow.show();
        preferences.show();
        panels.setWindows(&mainWindow, &preferences);
    }
    QString touch(const QString &name)
    {
        QFile f(folder.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return f.fileName();
    }

    QTemporaryDir folder;
    QWidget mainWindow;
    QWidget preferences;
    FileDialogPanels panels;
};

} // namespace

TEST(FileDialogPanelsNames, PatternsCoverBothCasesAndNamesGetTheirExtension)
{
    EXPECT_EQ(FileDialogPanels::filterPatterns({QStringLiteral("mkv"), QStringLiteral("SRT")}),
              QStringLiteral("*.mkv *.MKV *.srt *.SRT"));
    EXPECT_EQ(FileDialogPanels::nameWithExtension(QStringLiteral("Movie"), QStringLiteral("mp4")), QStringLiteral("Movie.mp4"));
    EXPECT_EQ(FileDialogPanels::nameWithExtension(QStringLiteral("Movie.MP4"), QStringLiteral("mp4")), QStringLiteral("Movie.MP4"));
    EXPECT_EQ(FileDialogPanels::nameWithExtension(QStringLiteral("a.mkv"), QStringLiteral("mp4")), QStringLiteral("a.mkv.mp4"));
}

TEST_F(FileDialogPanelsTest, ChoosesSeveralFilesWindowModalOnTheMainWindow)
{
    const QString a = touch(QStringLiteral("A film.MKV"));
    const QString b = touch(QStringLiteral("b.srt"));
    whenDialogShows([&](QFileDialog &dialog) {
        EXPECT_EQ(dialog.parentWidget(), &mainWindow);
        EXPECT_EQ(dialog.windowModality(), Qt::WindowModal);
        EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFiles);
        ASSERT_EQ(dialog.nameFilters().size(), 1);
        EXPECT_TRUE(dialog.nameFilters().first().contains(QStringLiteral("*.mkv *.MKV *.srt *.SRT")));
        dialog.setDirectory(folder.path());
        dialog.selectFile(QStringLiteral("\"A film.MKV\" \"b.srt\""));
        static_cast<QDialog &>(dialog).accept(); // public in QDialog, runs the dialog's own checks
    });
    const auto chosen = panels.chooseFiles(PanelParent::MainWindow, {QStringLiteral("mkv"), QStringLiteral("srt")});
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(QSet<QString>(chosen->cbegin(), chosen->cend()), (QSet<QString>{a, b}));
}

TEST_F(FileDialogPanelsTest, SaveProposesNameInFolderAndCancelGivesNothing)
{
    whenDialogShows([&](QFileDialog &dialog) {
        EXPECT_EQ(dialog.parentWidget(), &preferences);
        EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("mp4"));
        EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_EQ(dialog.directory().absolutePath(), folder.path());
        static_cast<QDialog &>(dialog).accept(); // public in QDialog, runs the dialog's own checks
    });
    const auto saved = panels.chooseSaveFile(PanelParent::PreferencesWindow, folder.path(), QStringLiteral("Movie"),
                                             QStringLiteral("mp4"));
    EXPECT_EQ(saved, std::optional<QString>(folder.filePath(QStringLiteral("Movie.mp4"))));

    whenDialogShows([](QFileDialog &dialog) { dialog.reject(); });
    EXPECT_EQ(panels.chooseSaveFile(PanelParent::MainWindow, folder.path(), QStringLiteral("Movie.mp4"), QStringLiteral("mp4")),
              std::nullopt);
}

TEST_F(FileDialogPanelsTest, FolderChooserTakesOnlyFolders)
{
    whenDialogShows([&](QFileDialog &dialog) {
        EXPECT_EQ(dialog.fileMode(), QFileDialog::Directory);
        EXPECT_TRUE(dialog.testOption(QFileDialog::ShowDirsOnly));
        dialog.setDirectory(folder.path());
        static_cast<QDialog &>(dialog).accept(); // public in QDialog, runs the dialog's own checks
    });
    EXPECT_EQ(panels.chooseFolder(PanelParent::PreferencesWindow), std::optional<QString>(folder.path()));
}
