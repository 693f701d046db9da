// SPDX-License-Identifier: GPL-3.0-or-later
// Report parser speed on every recorded report and on a synthetic report with 200 streams.
#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>

#include "inspection/streamreport.h"

namespace {

QString readFixture(const QString &name)
{
    QFile file(QStringLiteral(TAVREL_TEST_FIXTURES "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    return QString::fromUtf8(file.readAll());
}

void parseReport(benchmark::State &state, const QString &report)
{
    for (auto _ : state) {
        tavrel::StreamReport parsed = tavrel::parseStreamReport(report);
        benchmark::DoNotOptimize(parsed);
        QString line = tavrel::informationString(parsed);
        benchmark::DoNotOptimize(line);
    }
    state.SetBytesProcessed(state.iterations() * report.size() * qint64(sizeof(QChar)));
}

// Video, then audio and subtitle streams in turn, each with a metadata block.
QString manyStreams(int count)
{
    QString text = QStringLiteral("Input #0, matroska,webm, from 'big.mkv':\n"
                                  "  Duration: 02:01:15.50, start: 0.000000, bitrate: 31044 kb/s\n"
                                  "  Stream #0:0: Video: h264 (High), yuv420p(tv, bt709, progressive), 1920x1080 "
                                  "[SAR 1:1 DAR 16:9], 23.98 fps, 23.98 tbr, 1k tbn (default)\n");
    for (int i = 1; i < count; ++i) {
        if (i % 2)
            text += QStringLiteral("  Stream #0:%1(eng): Audio: ac3, 48000 Hz, 5.1(side), fltp, 640 kb/s\n").arg(i);
        else
            text += QStringLiteral("  Stream #0:%1(ger): Subtitle: subrip\n").arg(i);
        text += QStringLiteral("    Metadata:\n      title           : Track %1\n"
                               "      DURATION        : 02:01:15.500000000\n")
                    .arg(i);
    }
    return text;
}

void registerAll()
{
    const QStringList fixtures =
        QDir(QStringLiteral(TAVREL_TEST_FIXTURES)).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    for (const QString &name : fixtures)
        benchmark::RegisterBenchmark(qPrintable(QStringLiteral("parse/") + name), parseReport, readFixture(name));
    benchmark::RegisterBenchmark("parse/synthetic-200-streams", parseReport, manyStreams(200));
}

} // namespace

int main(int argc, char **argv)
{
    registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
