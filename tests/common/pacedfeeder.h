// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Feeds a movie to ffmpeg through a named pipe, so a test decides when the conversion can go on
// and how fast, whatever the machine's speed.
#include <QFile>
#include <QString>

#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace tavrel::test {

// Writes a file into a named pipe in pieces, pausing between them for longer than ffmpeg's
// half-second reporting period: every piece then yields a progress report, on any machine.
class PacedFeeder
{
public:
    PacedFeeder(const QString &source, const QString &pipe, int pieces)
        : m_thread([this, source, pipe, pieces] { feed(source, pipe, pieces); })
    {
    }
    ~PacedFeeder() { join(); }
    void join()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    void feed(const QString &source, const QString &pipe, int pieces)
    {
        QFile in(source);
        if (!in.open(QIODevice::ReadOnly))
            return;
        const QByteArray data = in.readAll();
        // Opening blocks until ffmpeg reads; without a reader (it failed) the test must not hang.
        int fd = -1;
        while (fd < 0 && !m_stop) {
            fd = ::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK);
            if (fd < 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (fd < 0)
            return;
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        const qsizetype piece = data.size() / pieces + 1;
        for (qsizetype at = 0; at < data.size(); at += piece) {
            if (at > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(700));
            const char *p = data.constData() + at;
            qsizetype left = std::min(piece, data.size() - at);
            while (left > 0) {
                const ssize_t n = ::write(fd, p, size_t(left));
                if (n <= 0) { // the reader has gone
                    ::close(fd);
                    return;
                }
                p += n;
                left -= n;
            }
        }
        ::close(fd);
    }

    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace tavrel::test
