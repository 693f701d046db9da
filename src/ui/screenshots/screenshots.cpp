// SPDX-License-Identifier: GPL-3.0-or-later
// Takes the pictures of the documentation from a real X server (scripts/screenshots runs it on
// Xvfb): the windows as the server shows them, with private folders and settings and a stand-in
// ffmpeg that acts out a finished, a failed and a running conversion.
// Usage: tavrel_screenshots <output folder>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListView>
#include <QMenu>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include "app/appdelegate.h"
#include "app/settings.h"
#include "batch/demomode.h"
#include "platform/api/services.h"
#include "platform/jsonbookmarks.h"
#include "platform/storagevolumes.h"
#include "support/ossorylib.h"
#include "ui/helpviewer.h"
#include "ui/joblistview.h"
#include "ui/joblogviewer.h"
#include "ui/mainwindow.h"
#include "ui/preferenceswindow.h"

namespace {

using namespace tavrel;

// Finished after two seconds, failed after one, or a long run at sixty times real time,
// chosen by the source's name; the finished one's output check is given a playable file's report.
const char *kFakeFfmpeg = R"sh(#!/bin/sh
progress=""; prev=""; src=""
for arg in "$@"; do
    [ "$prev" = "-progress" ] && progress="$arg"
    [ "$prev" = "-i" ] && [ -z "$src" ] && src="$arg"
    prev="$arg"; last="$arg"
done
# Without -progress it is the output check's probe: the report of an MP4 file the console plays.
if [ -z "$progress" ]; then
    cat >&2 <<'EOF'
Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'out.mp4':
  Duration: 00:14:48.00, start: 0.000000, bitrate: 5120 kb/s
  Stream #0:0[0x1](und): Video: h264 (High) (avc1 / 0x31637661), yuv420p(progressive), 1920x818 [SAR 1:1 DAR 960:409], 4600 kb/s, 24 fps, 24 tbr, 12288 tbn (default)
  Stream #0:1[0x2](eng): Audio: ac3 (ac-3 / 0x332D6361), 48000 Hz, 5.1(side), fltp, 448 kb/s (default)
At least one output file must be specified
EOF
    exit 1
fi
case "$src" in
*Tears*)
    sleep 1
    echo "Stream mapping:"
    echo "  Stream #0:0 -> #0:0 (copy)"
    echo "  Stream #0:1 -> #0:1 (dts (dca) -> ac3 (native))"
    echo "Press [q] to stop, [?] for help"
    echo "[dca @ 0x55d0c8a4e2c0] Invalid data found when processing input"
    echo "Error while decoding stream #0:1: Invalid data found when processing input"
    echo "[matroska,webm @ 0x55d0c8a31a40] Read error at pos. 1073741824 (0x40000000)"
    echo "Conversion failed!"
    exit 1 ;;
*Sintel*)
    printf 'x' > "$last"; sleep 2
    printf 'out_time_ms=888000000\nprogress=end\n' >> "$progress"
    exit 0 ;;
*)
    printf 'x' > "$last"; i=1
    while [ $i -le 1200 ]; do
        printf 'out_time_ms=%d000000\nprogress=continue\n' $((i * 30)) >> "$progress"
        sleep 0.5; i=$((i + 1))
    done
    exit 0 ;;
esac
)sh";

class SilentNotifier final : public platform::UserNotifier
{
public:
    void deliver(const platform::UserNotification &) override {}
};

class NoSleepInhibitor final : public platform::SleepInhibitor
{
public:
    std::unique_ptr<platform::SleepAssertion> acquire(const QString &) override { return nullptr; }
};

struct Movie
{
    QString name;
    QList<AudioTrackFacts> audio;
    QString information;
    qint64 runtime;
};

const QList<Movie> &movies()
{
    static const QList<Movie> list = {
        {QStringLiteral("Sintel.mkv"),
         {{1, QStringLiteral("eng"), QStringLiteral("5.1"), QStringLiteral("ac3"), {}, 6},
          {2, QStringLiteral("ger"), QStringLiteral(""), QStringLiteral("ac3"), {}, 2}},
         QStringLiteral("Duration: 00:14:48  Bitrate: 5120 kb/s  Resolution: 1920x818  Audiotracks: 2 (1)"),
         888},
        {QStringLiteral("Tears of Steel.mkv"),
         {{1, QStringLiteral("eng"), QStringLiteral("5.1"), QStringLiteral("dts"), {}, 6}},
         QStringLiteral("Duration: 00:12:14  Bitrate: 7340 kb/s  Resolution: 1920x800  Audiotracks: 1 (2)"),
         734},
        {QStringLiteral("Big Buck Bunny.mkv"),
         {{1, QStringLiteral("eng"), QStringLiteral("5.1"), QStringLiteral("dts"), {}, 6},
          {2, QStringLiteral("fre"), QStringLiteral("5.1"), QStringLiteral("ac3"), {}, 6},
          {3, QStringLiteral("ger"), QStringLiteral(""), QStringLiteral("ac3"), {}, 2}},
         QStringLiteral("Duration: 00:09:56  Bitrate: 4496 kb/s  Resolution: 1920x1080  Audiotracks: 3 (0)"),
         596},
        {QStringLiteral("Elephants Dream.mkv"),
         {{1, QStringLiteral("eng"), QStringLiteral("5.1"), QStringLiteral("ac3"), {}, 6},
          {2, QStringLiteral("spa"), QStringLiteral("5.1"), QStringLiteral("ac3"), {}, 6}},
         QStringLiteral("Duration: 00:10:53  Bitrate: 3872 kb/s  Resolution: 1280x720  Audiotracks: 2 (1)"),
         653},
    };
    return list;
}

std::shared_ptr<MKVFileInfo> record(const QUrl &url)
{
    auto info = std::make_shared<MKVFileInfo>();
    info->fileURL = url;
    info->fileName = url.fileName();
    for (const Movie &movie : movies()) {
        if (movie.name == info->fileName) {
            info->audioTracks = movie.audio;
            info->informationString = movie.information;
            info->runtimeSeconds = movie.runtime;
        }
    }
    info->videoTrackID = 0;
    info->fileSize = 700 * 1024 * 1024;
    return info;
}

bool waitFor(const std::function<bool()> &condition, int ms = 20000)
{
    return QTest::qWaitFor(condition, ms);
}

// What the server shows of a rectangle of the screen, once what was asked has been painted.
bool saveArea(const QRect &area, const QString &path)
{
    QTest::qWait(300); // a picture for the documentation: give the server time to draw
    QScreen *screen = QGuiApplication::primaryScreen();
    const bool ok = screen && screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(path);
    QTextStream(ok ? stdout : stderr) << (ok ? "wrote " : "could not write ") << path << Qt::endl;
    return ok;
}

bool save(QWidget *window, const QString &path)
{
    if (!QTest::qWaitForWindowExposed(window))
        return false;
    window->repaint();
    return saveArea(window->frameGeometry(), path);
}

ConversionJob *jobNamed(const AppDelegate &delegate, const QString &name)
{
    for (ConversionJob *job : delegate.taskArray())
        if (job->fileInfo() && job->fileInfo()->fileName == name)
            return job;
    return nullptr;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        QTextStream(stderr) << "usage: tavrel_screenshots <output folder>\n";
        return 2;
    }
    const QString outDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();

    // Private home, settings and documents: nothing of the user's is read or written.
    QTemporaryDir work;
    const QByteArray home = work.path().toUtf8();
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", home + "/config");
    qputenv("XDG_DATA_HOME", home + "/data");
    qputenv("XDG_CACHE_HOME", home + "/cache");
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        QTextStream(stderr) << "tavrel_screenshots: no X server (run scripts/screenshots)\n";
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tavrel"));
    QCoreApplication::setOrganizationName(QStringLiteral("Ossory"));
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    QDir().mkpath(outDir);
    settings::useStoreFile(work.filePath(QStringLiteral("Tavrel.conf")));

    // A resources folder of our own: the real pictures and documents, the stand-in ffmpeg.
    OssoryLib probe;
    const QString realResources = probe.resDir();
    const QString resources = work.filePath(QStringLiteral("resources"));
    QDir().mkpath(resources + QStringLiteral("/icons"));
    for (const QString &name : QDir(realResources).entryList(QDir::Files))
        QFile::copy(realResources + QLatin1Char('/') + name, resources + QLatin1Char('/') + name);
    for (const QString &name : QDir(realResources + QStringLiteral("/icons")).entryList(QDir::Files))
        QFile::copy(realResources + QStringLiteral("/icons/") + name, resources + QStringLiteral("/icons/") + name);
    {
        QFile fake(resources + QStringLiteral("/ffmpeg"));
        if (!fake.open(QIODevice::WriteOnly))
            return 1;
        fake.write(kFakeFfmpeg);
        fake.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    OssoryLib::setResourceDirOverride(resources);

    DefaultAnsweringAlerts alerts;
    CancellingPanels panels;
    SilentNotifier notifier;
    NoSleepInhibitor inhibitor;
    platform::JsonBookmarks bookmarks;
    platform::StorageVolumes volumes;
    platform::Services services;
    services.alerts = &alerts;
    services.panels = &panels;
    services.notifier = &notifier;
    services.sleepInhibitor = &inhibitor;
    services.bookmarks = &bookmarks;
    services.volumes = &volumes;
    platform::install(services);

    // One destination folder, chosen by default.
    const QString destination = work.filePath(QStringLiteral("Movies for PS3"));
    QDir().mkpath(destination);
    settings::setDefaultObject(settings::kDestinationBookmarksKey, QVariantList{*bookmarks.create(destination)});
    settings::setDefaultObject(settings::kDestinationNamesKey, QVariantList{QStringLiteral("Movies for PS3")});
    settings::setDefaultInt(settings::kDefaultDestinationKey, 2);
    settings::setDefaultInt(settings::kDefaultAudioKey, 2);

    const QString sources = work.filePath(QStringLiteral("Movies"));
    QDir().mkpath(sources);
    QStringList paths;
    for (const Movie &movie : movies()) {
        QFile file(sources + QLatin1Char('/') + movie.name);
        if (file.open(QIODevice::WriteOnly))
            file.write("movie");
        paths.append(file.fileName());
    }

    AppDelegate delegate;
    delegate.setScanner(&record);
    MainWindow window(&delegate);
    window.setGeometry(40, 40, 900, 620);
    window.show();
    delegate.applicationDidFinishLaunching();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;

    bool ok = save(&window, outDir + QStringLiteral("/main-empty.png"));

    PreferencesWindow *preferences = window.preferencesWindow();
    preferences->show();
    ok = waitFor([&] { return preferences->isVisible(); })
        && save(preferences, outDir + QStringLiteral("/preferences.png")) && ok;
    preferences->hide();

    window.showHelpDocument(delegate.readmeURL());
    ok = save(window.helpViewer(), outDir + QStringLiteral("/help.png")) && ok;
    window.helpViewer()->hide();

    // Three movies added one after another; the fourth waits in the file panel.
    delegate.application_openFiles(paths);
    for (int i = 0; i < 3; ++i) {
        const QString name = movies().at(i).name;
        if (!waitFor([&] { return !delegate.isScanning() && delegate.fileName() == name; }))
            return 1;
        delegate.addToQueue();
    }
    if (!waitFor([&] { return !delegate.isScanning() && delegate.fileName() == movies().at(3).name; }))
        return 1;
    ConversionJob *running = nullptr;
    if (!waitFor([&] {
            running = jobNamed(delegate, movies().at(2).name);
            return running && running->state() == Converting && running->progress() >= 30.0f;
        }))
        return 1;
    ok = save(&window, outDir + QStringLiteral("/main-window.png")) && ok;

    delegate.addToQueue();
    if (!waitFor([&] { return delegate.filePanelHeight() == 0; }))
        return 1;
    // The converting job selected, its details below the list.
    const QModelIndex runningRow = window.jobList()->model()->index(2, 0);
    window.jobList()->setCurrentIndex(runningRow);
    ok = save(&window, outDir + QStringLiteral("/main-jobs.png")) && ok;

    // Its context menu, over the window.
    QMenu *menu = window.createJobMenu(running, &window);
    const QRect row = window.jobList()->visualRect(runningRow);
    menu->popup(window.jobList()->viewport()->mapToGlobal(row.topLeft() + QPoint(220, row.height() / 2)));
    if (!QTest::qWaitForWindowExposed(menu))
        return 1;
    ok = saveArea(window.frameGeometry().united(menu->geometry()), outDir + QStringLiteral("/context-menu.png")) && ok;
    menu->close();
    delete menu;

    // The failed job's log.
    ConversionJob *failed = jobNamed(delegate, movies().at(1).name);
    if (!failed || !waitFor([&] { return failed->state() == Failed; }))
        return 1;
    JobLogViewer *log = window.showLog(failed);
    log->resize(820, 420);
    ok = save(log, outDir + QStringLiteral("/log-viewer.png")) && ok;
    log->close();

    delegate.applicationWillTerminate();
    return ok ? 0 : 1;
}
