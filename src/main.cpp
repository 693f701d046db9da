// SPDX-License-Identifier: GPL-3.0-or-later
// Tavrel's entry: the command line (--version, --demo, files), one instance per session, the
// real platform services, the controller and its window.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>
#include <QTimer>

#include "app/appdelegate.h"
#include "app/jobjournal.h"
#include "batch/batchoptions.h"
#include "batch/batchrun.h"
#include "batch/demomode.h"
#include "batch/versionreport.h"
#include "platform/singleinstance.h"
#include "platform/terminationsignals.h"
#include "support/log.h"
#include "support/ossorylib.h"
#include "support/stringextras.h"
#include "ui/images.h"
#include "ui/mainwindow.h"
#include "ui/preferenceswindow.h"
#include "ui/realservices.h"

#include <memory>

#include <csignal>

namespace {

using namespace tavrel;

struct CommandLine
{
    bool version = false;
    bool help = false;
    QString demoFolder; // --demo <destination folder>
    QStringList files;
    QString error;
};

const QStringList &qtOptionsWithValue()
{
    static const QStringList options = {
        QStringLiteral("-platform"),    QStringLiteral("-style"),           QStringLiteral("-stylesheet"),
        QStringLiteral("-display"),     QStringLiteral("-qwindowgeometry"), QStringLiteral("-qwindowtitle"),
        QStringLiteral("-qwindowicon"),
    };
    return options;
}

CommandLine parse(int argc, char **argv)
{
    CommandLine line;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QFile::decodeName(argv[i]);
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            line.files.append(arg);
        } else if (arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (arg == QLatin1String("--version")) {
            line.version = true;
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            line.help = true;
        } else if (arg == QLatin1String("--demo")) {
            if (i + 1 >= argc) {
                line.error = QStringLiteral("--demo needs a destination folder");
                break;
            }
            line.demoFolder = QFile::decodeName(argv[++i]);
        } else if (qtOptionsWithValue().contains(arg.section(QLatin1Char('='), 0, 0))) {
            // Qt's own options are left to QApplication.
            if (!arg.contains(QLatin1Char('=')) && i + 1 < argc)
                ++i;
        } else {
            line.error =
                QStringLiteral("unknown option %1 (put -- before a file name that starts with a dash)").arg(arg);
            break;
        }
    }
    return line;
}

void setIdentity()
{
    QCoreApplication::setApplicationName(QStringLiteral("Tavrel"));
    QCoreApplication::setOrganizationName(QStringLiteral("Ossory"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("ossory.org"));
    QCoreApplication::setApplicationVersion(appVersionString());
}

int printVersion(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    setIdentity();
    QTextStream(stdout) << versionReport();
    return 0;
}

void printUsage()
{
    QTextStream(stdout) << "Usage: tavrel [FILE...]\n"
                           "Converts movies (mkv, mp4, mov, ogm) into MP4 files that play on the PlayStation 3.\n"
                           "Subtitle files (srt, ass, ssa, smi, sub) named like a movie are added to it.\n\n"
                           "  --version        print the version, the resources folder and the tools found\n"
                           "  --demo FOLDER    convert unattended into FOLDER and quit (used by scripts/demo)\n"
                           "  --batch ...      convert without a window: tavrel --batch --help\n"
                           "  --               treat the rest as file names\n";
}

// A reader that goes away (tavrel --batch ... | head -1) must not kill the conversions: the
// write fails instead. A handler rather than SIG_IGN, which ffmpeg would inherit.
void ignoreBrokenPipes()
{
    struct sigaction action = {};
    action.sa_handler = [](int) {};
    sigemptyset(&action.sa_mask);
    sigaction(SIGPIPE, &action, nullptr);
}

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char **argv)
{
    ignoreBrokenPipes();
    escapeQtMessages();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QFile::decodeName(argv[i]));
    if (isBatchCommandLine(arguments)) {
        // After "--" a "--help" is a file name.
        if (arguments.mid(0, arguments.indexOf(QStringLiteral("--"))).contains(QStringLiteral("--help"))) {
            QTextStream(stdout) << batchUsage();
            return 0;
        }
        const BatchOptions options = parseBatchOptions(arguments, QDir::currentPath());
        if (!options.error.isEmpty()) {
            QTextStream(stderr) << "tavrel: " << escapedLineText(options.error) << "\n" << batchUsage();
            return 2;
        }
        QCoreApplication app(argc, argv);
        setIdentity();
        return runBatch(options);
    }

    const CommandLine line = parse(argc, argv);
    if (!line.error.isEmpty()) {
        QTextStream(stderr) << "tavrel: " << escapedLineText(line.error) << "\n";
        return 2;
    }
    if (line.help) {
        printUsage();
        return 0;
    }
    if (line.version)
        return printVersion(argc, argv);

    const bool demo = !line.demoFolder.isEmpty();
    if (!hasDisplay()) {
        if (!demo) {
            QTextStream(stderr) << "tavrel: no graphical session (DISPLAY or WAYLAND_DISPLAY is not set).\n";
            return 1;
        }
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    QApplication app(argc, argv);
    setIdentity();
    QGuiApplication::setDesktopFileName(QStringLiteral("org.ossory.Tavrel"));
    QApplication::setQuitOnLastWindowClosed(false);

    const QStringList files = absolutePaths(line.files);
    SingleInstance instance;
    // A demo runs with its own settings and must not hand its movie to the user's Tavrel.
    if (!demo && instance.claim(files) == SingleInstance::Role::HandedOver)
        return 0;

    platform::RealServices services;
    DefaultAnsweringAlerts demoAlerts;
    CancellingPanels demoPanels;
    if (demo) {
        platform::Services unattended = platform::services();
        unattended.alerts = &demoAlerts;
        unattended.panels = &demoPanels;
        platform::install(unattended);
        if (!presetDemoSettings(line.demoFolder))
            return 1;
    }

    AppDelegate delegate;
    MainWindow window(&delegate);
    QApplication::setWindowIcon(applicationIcon());
    services.panels().setWindows(&window, window.preferencesWindow());
    // A quit that QuitAfterConversion asked for completes once the alert on screen is answered.
    QObject::connect(&delegate, &AppDelegate::quitRequested, &app,
                     [&services] { services.alerts().whenNoAlertIsOpen([] { QCoreApplication::exit(0); }); });

    // The window's queue survives a crash, a kill or a logout; a demo, with its private settings,
    // neither offers the user's jobs nor records its own.
    std::unique_ptr<JobJournal> journal;
    // A termination signal ends the process whatever window is open, and keeps the journal for
    // the next launch.
    onTerminationSignal([&](int) {
        if (journal)
            journal->keepForNextLaunch();
        window.quitNow();
    });

    window.show();
    delegate.applicationDidFinishLaunching();
    if (!demo) {
        journal = std::make_unique<JobJournal>(delegate, jobJournalPath());
        journal->offerRestore();
        if (delegate.queue().isTerminating())
            return 0; // a termination signal came while the restore question was open
    }

    // Files from a later launch arrive while that launch waits for the reply: take them on the
    // next turn of the loop, so an alert during intake cannot hold the reply back.
    instance.setOpenFilesHandler([&](const QStringList &paths) {
        QMetaObject::invokeMethod(
            &window,
            [&, paths] {
                window.bringToFront();
                if (!paths.isEmpty())
                    delegate.application_openFiles(paths);
            },
            Qt::QueuedConnection);
    });
    if (!files.isEmpty())
        QTimer::singleShot(0, &delegate, [&delegate, files] { delegate.application_openFiles(files); });

    return app.exec();
}
