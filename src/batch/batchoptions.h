// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line of a headless batch run:
//   tavrel --batch --output DIR [--audio-language CODE] [--ac3-downmix] [--dts-downmix]
//          [--subtitles] [--video reencode|copy] [--quality N] [--speed PRESET] FILES...
//   tavrel --batch --watch IN --output DIR [the same options]
#include <QString>
#include <QStringList>

#include <optional>

#include "conversion/outputparts.h"

namespace tavrel {

struct BatchOptions
{
    QString outputFolder;  // absolute
    QString audioLanguage; // three-letter code, empty: the settings' choice
    bool ac3Downmix = false;
    bool dtsDownmix = false;
    bool subtitles = false;            // convert embedded subtitles
    std::optional<bool> reencodeVideo; // --video reencode|copy; none: the settings' choice
    std::optional<int> quality;        // x264 CRF, 1-51
    QString speed;                     // an x264 preset; empty: the settings' choice
    std::optional<SplitChoice> split;  // --split auto|never|SIZE; none: the settings' choice
    QStringList files;                 // absolute
    QString watchFolder;               // absolute; converts what arrives there instead of files
    bool help = false;                 // --help or --version: nothing else is read or checked
    bool version = false;
    QString error; // why the line is refused; empty when it is usable
};

// Whether the arguments (program name excluded) ask for a batch run: "--batch" before any "--".
bool isBatchCommandLine(const QStringList &arguments);

// Reads the whole line ("--batch" included, program name excluded), relative paths against
// `workingFolder`. The output folder must exist.
BatchOptions parseBatchOptions(const QStringList &arguments, const QString &workingFolder);

// The language as the probe reports it: "de", "ger" and "German" all give "ger"; empty when
// the text names no language.
QString batchLanguageCode(const QString &text);

QString batchUsage();

} // namespace tavrel
