#include "batch/batchoptions.h"

#include <QDir>
#include <QFileInfo>

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

BatchOptions parseBatchOptions(const QStringList &arguments, const QString &workingFolder)
{
    BatchOptions options;
    const QDir base(workingFolder);
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size() && options.error.isEmpty(); ++i) {
        const QString &arg = arguments.at(i);
        const auto value = [&]() -> QString {
            if (i + 1 >= arguments.size()) {
                options.error = QStringLiteral("%1 needs a value").arg(arg);
                return {};
            }
            return arguments.at(++i);
        };
        if (optionsEnded || !arg.startsWith(u'-') || arg == QLatin1String("-"))
            options.files.append(QDir::cleanPath(base.absoluteFilePath(arg)));
        else if (arg == QLatin1String("--"))
            optionsEnded = true;
        else if (arg == QLatin1String("--batch"))
            continue;
        else if (arg == QLatin1String("--output"))
            options.outputFolder = value();
        else if (arg == QLatin1String("--audio-language")) {
            const QString text = value();
            options.audioLanguage = batchLanguageCode(text);
            if (options.error.isEmpty() && options.audioLanguage.isEmpty())
                options.error = QStringLiteral("--audio-language: “%1” is no language code (try eng, ger or de)").arg(text);
        } else if (arg == QLatin1String("--ac3-downmix"))
            options.ac3Downmix = true;
        else if (arg == QLatin1String("--dts-downmix"))
            options.dtsDownmix = true;
        else if (arg == QLatin1String("--subtitles"))
            options.subtitles = true;
        else
            options.error = QStringLiteral("unknown option %1 (put -- before a file name that starts with a dash)").arg(arg);
    }
    if (!options.error.isEmpty())
        return options;
    if (options.outputFolder.isEmpty())
        options.error = QStringLiteral("--output DIR is required");
    else if (!QFileInfo(base.absoluteFilePath(options.outputFolder)).isDir())
        options.error = QStringLiteral("the output folder %1 does not exist").arg(options.outputFolder);
    else if (options.files.isEmpty())
        options.error = QStringLiteral("no movie files given");
    options.outputFolder = QDir::cleanPath(base.absoluteFilePath(options.outputFolder));
    return options;
}

QString batchUsage()
{
    return QStringLiteral(
        "Usage: tavrel --batch --output DIR [--audio-language CODE] [--ac3-downmix] [--dts-downmix] [--subtitles] FILE...\n"
        "Converts the movies into DIR without a window; the options apply to this run only.\n"
        "Exit status: 0 when every movie was converted, 1 when any failed, 2 for a bad command line.\n");
}

} // namespace tavrel
