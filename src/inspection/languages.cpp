// SPDX-License-Identifier: GPL-3.0-or-later
#include "inspection/languages.h"

#include <QLocale>

#include "support/collections.h"
#include "support/strings.h"

namespace tavrel {

namespace {

struct CodePair
{
    const char *twoLetter;
    const char *threeLetter;
};

// The 184 codes of ISO 639-1. Languages with separate bibliographic and terminology codes use
// the bibliographic one, which is what container language tags carry.
constexpr CodePair kCodes[] = {
    {"aa", "aar"}, {"ab", "abk"}, {"ae", "ave"}, {"af", "afr"}, {"ak", "aka"}, {"am", "amh"}, {"an", "arg"},
    {"ar", "ara"}, {"as", "asm"}, {"av", "ava"}, {"ay", "aym"}, {"az", "aze"}, {"ba", "bak"}, {"be", "bel"},
    {"bg", "bul"}, {"bh", "bih"}, {"bi", "bis"}, {"bm", "bam"}, {"bn", "ben"}, {"bo", "tib"}, {"br", "bre"},
    {"bs", "bos"}, {"ca", "cat"}, {"ce", "che"}, {"ch", "cha"}, {"co", "cos"}, {"cr", "cre"}, {"cs", "cze"},
    {"cu", "chu"}, {"cv", "chv"}, {"cy", "wel"}, {"da", "dan"}, {"de", "ger"}, {"dv", "div"}, {"dz", "dzo"},
    {"ee", "ewe"}, {"el", "gre"}, {"en", "eng"}, {"eo", "epo"}, {"es", "spa"}, {"et", "est"}, {"eu", "baq"},
    {"fa", "per"}, {"ff", "ful"}, {"fi", "fin"}, {"fj", "fij"}, {"fo", "fao"}, {"fr", "fre"}, {"fy", "fry"},
    {"ga", "gle"}, {"gd", "gla"}, {"gl", "glg"}, {"gn", "grn"}, {"gu", "guj"}, {"gv", "glv"}, {"ha", "hau"},
    {"he", "heb"}, {"hi", "hin"}, {"ho", "hmo"}, {"hr", "hrv"}, {"ht", "hat"}, {"hu", "hun"}, {"hy", "arm"},
    {"hz", "her"}, {"ia", "ina"}, {"id", "ind"}, {"ie", "ile"}, {"ig", "ibo"}, {"ii", "iii"}, {"ik", "ipk"},
    {"io", "ido"}, {"is", "ice"}, {"it", "ita"}, {"iu", "iku"}, {"ja", "jpn"}, {"jv", "jav"}, {"ka", "geo"},
    {"kg", "kon"}, {"ki", "kik"}, {"kj", "kua"}, {"kk", "kaz"}, {"kl", "kal"}, {"km", "khm"}, {"kn", "kan"},
    {"ko", "kor"}, {"kr", "kau"}, {"ks", "kas"}, {"ku", "kur"}, {"kv", "kom"}, {"kw", "cor"}, {"ky", "kir"},
    {"la", "lat"}, {"lb", "ltz"}, {"lg", "lug"}, {"li", "lim"}, {"ln", "lin"}, {"lo", "lao"}, {"lt", "lit"},
    {"lu", "lub"}, {"lv", "lav"}, {"mg", "mlg"}, {"mh", "mah"}, {"mi", "mao"}, {"mk", "mac"}, {"ml", "mal"},
    {"mn", "mon"}, {"mr", "mar"}, {"ms", "may"}, {"mt", "mlt"}, {"my", "bur"}, {"na", "nau"}, {"nb", "nob"},
    {"nd", "nde"}, {"ne", "nep"}, {"ng", "ndo"}, {"nl", "dut"}, {"nn", "nno"}, {"no", "nor"}, {"nr", "nbl"},
    {"nv", "nav"}, {"ny", "nya"}, {"oc", "oci"}, {"oj", "oji"}, {"om", "orm"}, {"or", "ori"}, {"os", "oss"},
    {"pa", "pan"}, {"pi", "pli"}, {"pl", "pol"}, {"ps", "pus"}, {"pt", "por"}, {"qu", "que"}, {"rm", "roh"},
    {"rn", "run"}, {"ro", "rum"}, {"ru", "rus"}, {"rw", "kin"}, {"sa", "san"}, {"sc", "srd"}, {"sd", "snd"},
    {"se", "sme"}, {"sg", "sag"}, {"si", "sin"}, {"sk", "slo"}, {"sl", "slv"}, {"sm", "smo"}, {"sn", "sna"},
    {"so", "som"}, {"sq", "alb"}, {"sr", "srp"}, {"ss", "ssw"}, {"st", "sot"}, {"su", "sun"}, {"sv", "swe"},
    {"sw", "swa"}, {"ta", "tam"}, {"te", "tel"}, {"tg", "tgk"}, {"th", "tha"}, {"ti", "tir"}, {"tk", "tuk"},
    {"tl", "tgl"}, {"tn", "tsn"}, {"to", "ton"}, {"tr", "tur"}, {"ts", "tso"}, {"tt", "tat"}, {"tw", "twi"},
    {"ty", "tah"}, {"ug", "uig"}, {"uk", "ukr"}, {"ur", "urd"}, {"uz", "uzb"}, {"ve", "ven"}, {"vi", "vie"},
    {"vo", "vol"}, {"wa", "wln"}, {"wo", "wol"}, {"xh", "xho"}, {"yi", "yid"}, {"yo", "yor"}, {"za", "zha"},
    {"zh", "chi"}, {"zu", "zul"},
};

const QStringList kDefaultAudioLanguages = {
    QStringLiteral("eng"), QStringLiteral("ger"), QStringLiteral("fre"), QStringLiteral("spa"),
    QStringLiteral("chi"), QStringLiteral("jpn"), QStringLiteral("rus"),
};

} // namespace

const QHash<QString, QString> &languageTable()
{
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> t;
        t.reserve(std::size(kCodes));
        for (const CodePair &pair : kCodes)
            t.insert(QString::fromLatin1(pair.twoLetter), QString::fromLatin1(pair.threeLetter));
        return t;
    }();
    return table;
}

std::optional<QString> languageCodeForName(const QString &name)
{
    // Container tags are meant to hold codes, but real files carry names too. The names come
    // from Qt's locale data for each language of the table.
    static const QHash<QString, QString> byName = [] {
        QHash<QString, QString> names;
        for (const CodePair &pair : kCodes) {
            const QString code = QString::fromLatin1(pair.threeLetter);
            const QLocale::Language language = QLocale::codeToLanguage(QString::fromLatin1(pair.twoLetter));
            if (language == QLocale::AnyLanguage)
                continue;
            names.insert(QLocale::languageToString(language).toCaseFolded(), code);
            const QLocale locale(language);
            if (locale.language() == language && !locale.nativeLanguageName().isEmpty())
                names.insert(locale.nativeLanguageName().toCaseFolded(), code);
        }
        return names;
    }();
    const auto it = byName.constFind(name.toCaseFolded());
    if (it == byName.cend())
        return std::nullopt;
    return it.value();
}

QStringList preferredLanguages3Letter(const QStringList &systemLanguages)
{
    const QHash<QString, QString> &table = languageTable();
    QStringList result;
    result.reserve(systemLanguages.size());
    for (const QString &identifier : systemLanguages)
        result.append(table.value(identifier, identifier));
    return result;
}

QStringList preferredLanguages3Letter()
{
    return preferredLanguages3Letter(QLocale::system().uiLanguages());
}

QStringList languageListFor(qint64 defaultAudio, const QStringList &preferred)
{
    if (defaultAudio >= 2 && defaultAudio - 2 < kDefaultAudioLanguages.size())
        return {kDefaultAudioLanguages.at(defaultAudio - 2)};
    return preferred;
}

std::optional<int> bestAudioTrack(const QList<AudioTrackFacts> &tracks, const QStringList &languageList)
{
    const qsizetype unlisted = languageList.size();
    qsizetype bestRank = unlisted;
    QList<const AudioTrackFacts *> candidates;
    for (const AudioTrackFacts &track : tracks) {
        qsizetype rank = languageList.indexOf(track.language);
        if (rank < 0)
            rank = unlisted;
        if (candidates.isEmpty() || rank < bestRank) {
            candidates = {&track};
            bestRank = rank;
        } else if (rank == bestRank) {
            candidates.append(&track);
        }
    }
    if (candidates.isEmpty())
        return std::nullopt;
    for (const QString &wanted : {QStringLiteral("aac"), QStringLiteral("ac3")}) {
        for (const AudioTrackFacts *candidate : candidates)
            if (candidate->codec == wanted)
                return candidate->streamId;
    }
    return candidates.first()->streamId;
}

} // namespace tavrel
