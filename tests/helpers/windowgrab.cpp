// SPDX-License-Identifier: GPL-3.0-or-later
// Saves what the X server shows of one window to a PNG file: tavrel_window_grab <window id> <file>.
// Runs on the xcb platform (DISPLAY set), so the picture is the real server's pixels.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTextStream>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        QTextStream(stderr) << "usage: tavrel_window_grab <window id> <file.png>\n";
        return 2;
    }
    bool ok = false;
    const WId window = QString::fromLocal8Bit(argv[1]).toULongLong(&ok, 0);
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!ok || !screen) {
        QTextStream(stderr) << "no window id or no screen\n";
        return 2;
    }
    const QPixmap picture = screen->grabWindow(window);
    if (picture.isNull() || !picture.save(QString::fromLocal8Bit(argv[2]))) {
        QTextStream(stderr) << "could not grab window " << argv[1] << '\n';
        return 1;
    }
    return 0;
}
