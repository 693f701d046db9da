// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <functional>

#include "ui/filedialogpanels.h"

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

TEST(FileDialogPanelsNames, PatternsMatchEitherCaseAndNamesGetTheirExtension)
{
    EXPECT_EQ(FileDialogPanels::filterPatterns({QStringLiteral("mkv"), QStringLiteral("SRT"), QStringLiteral("mp4")}),
              QStringLiteral("*.[mM][kK][vV] *.[sS][rR][tT] *.[mM][pP]4"));
    EXPECT_EQ(FileDialogPanels::nameWithExtension(QStringLiteral("Movie"), QStringLiteral("mp4")),
              QStringLiteral("Movie.mp4"));
    EXPECT_EQ(FileDialogPanels::nameWithExtension(QStringLiteral("Movie.MP4"), QStringLiteral("mp4")),
              QStringLiteral("Movie.MP4"));
    EXPECT_EQ(FileDialogPanels::nameWithExtension(QStringLiteral("a.mkv"), QStringLiteral("mp4")),
              QStringLiteral("a.mkv.mp4"));
}

// The files the dialog lists (and lets the user pick) in the folder it shows.
QStringList listed(QFileDialog &dialog, const QString &folder)
{
    QStringList names;
    auto *model = dialog.findChild<QFileSystemModel *>();
    if (!model)
        return names;
    const QModelIndex root = model->index(folder);
    for (int row = 0; row < model->rowCount(root); ++row) {
        const QModelIndex index = model->index(row, 0, root);
        if (model->flags(index) & Qt::ItemIsEnabled)
            names << index.data().toString();
    }
    names.sort();
    return names;
}

TEST_F(FileDialogPanelsTest, AddMoviesListsMoviesOfAnyLetterCaseAndOffersAllFiles)
{
    const QString a = touch(QStringLiteral("A film.Mkv"));
    const QString b = touch(QStringLiteral("b.SRT"));
    touch(QStringLiteral("notes.txt"));
    const QStringList movies{QStringLiteral("A film.Mkv"), QStringLiteral("b.SRT")};
    whenDialogShows([&](QFileDialog &dialog) {
        // Checked first, answered last: a failed check must not leave the dialog open.
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Add Movies"));
        EXPECT_EQ(dialog.parentWidget(), &mainWindow);
        EXPECT_EQ(dialog.windowModality(), Qt::WindowModal);
        EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFiles);
        EXPECT_EQ(dialog.nameFilters(),
                  (QStringList{QStringLiteral("Movies and subtitles (*.[mM][kK][vV] *.[sS][rR][tT])"),
                               QStringLiteral("All files (*)")}));
        dialog.setDirectory(folder.path());
        EXPECT_TRUE(QTest::qWaitFor([&] { return listed(dialog, folder.path()) == movies; }, 5000))
            << listed(dialog, folder.path()).join(u',').toStdString();
        // The text file is there, only filtered out.
        dialog.selectNameFilter(QStringLiteral("All files (*)"));
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return listed(dialog, folder.path()).contains(QStringLiteral("notes.txt")); }, 5000));
        dialog.selectNameFilter(dialog.nameFilters().first());
        EXPECT_TRUE(QTest::qWaitFor([&] { return listed(dialog, folder.path()) == movies; }, 5000));

        // Typed, as a user would: selectFile() leaves a file name field that has the focus alone.
        auto *name = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (name)
            name->setText(QStringLiteral("\"A film.Mkv\" \"b.SRT\""));
        else
            ADD_FAILURE() << "no file name field";
        static_cast<QDialog &>(dialog).accept(); // public in QDialog, runs the dialog's own checks
    });
    const auto chosen = panels.chooseFiles(PanelParent::MainWindow, {QStringLiteral("mkv"), QStringLiteral("srt")});
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(QSet<QString>(chosen->cbegin(), chosen->cend()), (QSet<QString>{a, b}));
}

TEST_F(FileDialogPanelsTest, SaveProposesNameInFolderAndCancelGivesNothing)
{
    whenDialogShows([&](QFileDialog &dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Save Converted Movie"));
        EXPECT_EQ(dialog.nameFilters(),
                  (QStringList{QStringLiteral("MP4 files (*.[mM][pP]4)"), QStringLiteral("All files (*)")}));
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
    EXPECT_EQ(panels.chooseSaveFile(PanelParent::MainWindow, folder.path(), QStringLiteral("Movie.mp4"),
                                    QStringLiteral("mp4")),
              std::nullopt);
}

TEST_F(FileDialogPanelsTest, FolderChooserTakesOnlyFolders)
{
    whenDialogShows([&](QFileDialog &dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Choose Destination Folder"));
        EXPECT_EQ(dialog.fileMode(), QFileDialog::Directory);
        EXPECT_TRUE(dialog.testOption(QFileDialog::ShowDirsOnly));
        dialog.setDirectory(folder.path());
        static_cast<QDialog &>(dialog).accept(); // public in QDialog, runs the dialog's own checks
    });
    EXPECT_EQ(panels.chooseFolder(PanelParent::PreferencesWindow), std::optional<QString>(folder.path()));
}
