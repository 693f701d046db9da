// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/batchoptions.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

#include "app/intakerules.h"
#include "conversion/conversionsettings.h"
#include "inspection/languages.h"

namespace tavrel {

bool isBatchCommandLine(const QStringList &arguments)
{
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("--"))
            return false;
        if (argument == QLatin1String("--batch"))
            return true;
    }
    return false;
}

QString batchLanguageCode(const QString &text)
{
    const QString lower = text.trimmed().toLower();
    if (const auto code = languageTable().constFind(lower); code != languageTable().constEnd())
        return *code;
    if (lower.size() == 3 && std::all_of(lower.cbegin(), lower.cend(), [](QChar c) { return c >= u'a' && c <= u'z'; }))
        return lower;
    return languageCodeForName(lower).value_or(QString());
}

namespace {

// Every option the batch line knows; files may stand between them.
struct BatchLineOptions
{
    QCommandLineOption batch{QStringLiteral("batch")};
    QCommandLineOption output{QStringLiteral("output"), QString(), QStringLiteral("DIR")};
    QCommandLineOption audioLanguage{QStringLiteral("audio-language"), QString(), QStringLiteral("CODE")};
    QCommandLineOption ac3Downmix{QStringLiteral("ac3-downmix")};
    QCommandLineOption dtsDownmix{QStringLiteral("dts-downmix")};
    QCommandLineOption subtitles{QStringLiteral("subtitles")};
    QCommandLineOption video{QStringLiteral("video"), QString(), QStringLiteral("MODE")};
    QCommandLineOption quality{QStringLiteral("quality"), QString(), QStringLiteral("N")};
    QCommandLineOption speed{QStringLiteral("speed"), QString(), QStringLiteral("PRESET")};
    QCommandLineOption split{QStringLiteral("split"), QString(), QStringLiteral("WHEN")};
    QCommandLineOption watch{QStringLiteral("watch"), QString(), QStringLiteral("DIR")};
    QCommandLineOption help{QStringLiteral("help")};
    QCommandLineOption version{QStringLiteral("version")};

    QList<QCommandLineOption> all() const
    {
        return {batch,   output, audioLanguage, ac3Downmix, dtsDownmix, subtitles, video,
                quality, speed,  split,         watch,      help,       version};
    }
    // The argument after "--output", "--audio-language" or "--watch" is its value, whatever it
    // looks like.
    bool takesNextArgument(const QString &argument) const
    {
        return argument == QLatin1String("--") + output.names().constFirst()
            || argument == QLatin1String("--") + audioLanguage.names().constFirst()
            || argument == QLatin1String("--") + watch.names().constFirst();
    }
};

// The parser names an unknown option without its dashes and value, and "-abc" by its letters;
// the message shows the argument as it was typed.
QString typedOption(const BatchLineOptions &known, const QStringList &arguments, const QString &name)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--"))
            break;
        if (known.takesNextArgument(argument)) {
            ++i;
            continue;
        }
        const bool names = argument.startsWith(QLatin1String("--"))
            ? argument.section(u'=', 0, 0).mid(2) == name
            : argument.size() > 1 && argument.startsWith(u'-') && argument.contains(name);
        if (names)
            return argument;
    }
    return name;
}

QString lineError(const BatchLineOptions &known, const QCommandLineParser &parser, const QStringList &arguments)
{
    if (!parser.unknownOptionNames().isEmpty())
        return QStringLiteral("unknown option %1 (put -- before a file name that starts with a dash)")
            .arg(typedOption(known, arguments, parser.unknownOptionNames().constFirst()));
    // A value is only ever missing at the end of the line.
    if (!arguments.isEmpty() && known.takesNextArgument(arguments.constLast()))
        return QStringLiteral("%1 needs a value").arg(arguments.constLast());
    return parser.errorText();
}

} // namespace

BatchOptions parseBatchOptions(const QStringList &arguments, const QString &workingFolder)
{
    BatchOptions options;
    const BatchLineOptions known;
    QCommandLineParser parser;
    parser.addOptions(known.all());
    // The parser takes the first argument for the program's name.
    if (!parser.parse(QStringList{QStringLiteral("tavrel")} + arguments)) {
        options.error = lineError(known, parser, arguments);
        return options;
    }
    options.help = parser.isSet(known.help);
    options.version = parser.isSet(known.version);
    if (options.help || options.version)
        return options;

    const QDir base(workingFolder);
    options.outputFolder = parser.value(known.output);
    for (const QString &text : parser.values(known.audioLanguage)) {
        options.audioLanguage = batchLanguageCode(text);
        if (options.audioLanguage.isEmpty()) {
            options.error = QStringLiteral("--audio-language: “%1” is no language code (try eng, ger or de)").arg(text);
            return options;
        }
    }
    options.ac3Downmix = parser.isSet(known.ac3Downmix);
    options.dtsDownmix = parser.isSet(known.dtsDownmix);
    options.subtitles = parser.isSet(known.subtitles);
    if (parser.isSet(known.video)) {
        const QString mode = parser.value(known.video);
        if (mode != QLatin1String("reencode") && mode != QLatin1String("copy")) {
            options.error = QStringLiteral("--video: “%1” is neither reencode nor copy").arg(mode);
            return options;
        }
        options.reencodeVideo = mode == QLatin1String("reencode");
    }
    if (parser.isSet(known.quality)) {
        bool ok = false;
        const int crf = parser.value(known.quality).toInt(&ok);
        if (!ok || crf < kBestVideoQuality || crf > kWorstVideoQuality) {
            options.error = QStringLiteral("--quality: “%1” is not a number from %2 to %3%4")
                                .arg(parser.value(known.quality))
                                .arg(kBestVideoQuality)
                                .arg(kWorstVideoQuality)
                                .arg(ok && crf == 0 ? QStringLiteral(" (0 is lossless, which the console cannot play)")
                                                    : QString());
            return options;
        }
        options.quality = crf;
    }
    if (parser.isSet(known.speed)) {
        options.speed = parser.value(known.speed);
        if (!videoSpeeds().contains(options.speed)) {
            options.error = QStringLiteral("--speed: “%1” is none of %2")
                                .arg(options.speed, videoSpeeds().join(QStringLiteral(", ")));
            return options;
        }
    }
    if (parser.isSet(known.split)) {
        options.split = parseSplitChoice(parser.value(known.split));
        if (!options.split) {
            options.error = QStringLiteral("--split: “%1” is neither auto, never nor a size such as 4G or 700M")
                                .arg(parser.value(known.split));
            return options;
        }
    }
    for (const QString &file : parser.positionalArguments())
        options.files.append(QDir::cleanPath(base.absoluteFilePath(file)));

    if (parser.isSet(known.watch)) {
        options.watchFolder = QDir::cleanPath(base.absoluteFilePath(parser.value(known.watch)));
        const QString output = QDir::cleanPath(base.absoluteFilePath(options.outputFolder));
        if (options.outputFolder.isEmpty())
            options.error = QStringLiteral("--watch needs --output DIR, the folder the MP4 files go to");
        else if (!QFileInfo(options.watchFolder).isDir())
            options.error = QStringLiteral("the watched folder %1 is not a folder").arg(parser.value(known.watch));
        else if (!QFileInfo(output).isDir())
            options.error = QStringLiteral("the output folder %1 does not exist").arg(options.outputFolder);
        else if (!options.files.isEmpty())
            options.error = QStringLiteral("--watch takes no movie files (%1)").arg(options.files.constFirst());
        else if (QFileInfo(output).canonicalFilePath() == QFileInfo(options.watchFolder).canonicalFilePath())
            // The outputs are movies too: they would be converted again and again.
            options.error = QStringLiteral("the output folder must not be the watched folder");
        options.outputFolder = output;
        return options;
    }
    if (options.outputFolder.isEmpty())
        options.error = QStringLiteral("--output DIR is required");
    else if (!QFileInfo(base.absoluteFilePath(options.outputFolder)).isDir())
        options.error = QStringLiteral("the output folder %1 does not exist").arg(options.outputFolder);
    else if (options.files.isEmpty())
        options.error = QStringLiteral("no movie files given");
    else if (std::none_of(options.files.cbegin(), options.files.cend(),
                          [](const QString &file) { return hasExtensionIn(file, defaultMovieFileTypes()); }))
        // Nothing would be converted: a mistyped wildcard, not a batch whose movies failed.
        options.error =
            QStringLiteral("no movie given, only %1 (a movie ends in .%2)")
                .arg(std::all_of(options.files.cbegin(), options.files.cend(),
                                 [](const QString &file) { return hasExtensionIn(file, subtitleFileTypes()); })
                         ? QStringLiteral("subtitle files")
                         : QStringLiteral("files that are no movies"),
                     defaultMovieFileTypes().join(QStringLiteral(", .")));
    options.outputFolder = QDir::cleanPath(base.absoluteFilePath(options.outputFolder));
    return options;
}

QString batchUsage()
{
    return QStringLiteral(
        "Usage: tavrel --batch --output DIR [--audio-language CODE] [--ac3-downmix] [--dts-downmix] [--subtitles] "
        "[--video reencode|copy] [--quality N] [--speed PRESET] [--split auto|never|SIZE] FILE...\n"
        "       tavrel --batch --watch IN --output DIR [the same options]\n"
        "Converts the movies into DIR without a window; the options apply to this run only.\n"
        "--watch IN runs until stopped (SIGTERM): every movie that arrives in IN or a folder below it is\n"
        "converted once it is complete; $XDG_STATE_HOME/Tavrel/watched.json records what was converted.\n"
        "--video copy never re-encodes the picture; --quality (x264 CRF, 1-51, lower is better) and --speed\n"
        "(ultrafast ... veryslow) set how a picture the console cannot play is re-encoded.\n"
        "--split auto (the default) writes a movie too large for a FAT32 output folder as \"Movie - Part 1.mp4\",\n"
        "\"Movie - Part 2.mp4\", ...; never refuses it instead; SIZE (4G, 700M) splits any movie above that size.\n"
        "Exit status: 0 when every movie was converted, 1 when any failed, 2 for a bad command line\n"
        "(no movie among the files included); a watch stopped by a signal exits with 0.\n");
}

} // namespace tavrel
