// SPDX-License-Identifier: GPL-3.0-or-later
#include "inspection/subtitleencoding.h"

#include <QStringDecoder>

#include <langinfo.h>
#include <uchardet/uchardet.h>

#include <algorithm>
#include <clocale>
#include <memory>

namespace tavrel {

namespace {

bool isUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes); // decodes only when it becomes a QString
    return !decoder.hasError();
}

QString detectedEncoding(const QByteArray &bytes)
{
    const std::unique_ptr<std::remove_pointer_t<uchardet_t>, decltype(&uchardet_delete)> detector(uchardet_new(),
                                                                                                  &uchardet_delete);
    if (!detector || uchardet_handle_data(detector.get(), bytes.constData(), size_t(bytes.size())) != 0)
        return {};
    uchardet_data_end(detector.get());
    return QString::fromLatin1(uchardet_get_charset(detector.get()));
}

bool hasC1Bytes(const QByteArray &bytes)
{
    return std::any_of(bytes.cbegin(), bytes.cend(), [](char c) { return quint8(c) >= 0x80 && quint8(c) <= 0x9F; });
}

// The detector confuses the ISO-8859 encodings with their Windows relatives. ISO-8859 holds
// control characters at 0x80-0x9F, which text never uses, so those bytes decide: Windows-1252
// reads everything that Latin-1 text holds, and Central European text is Windows-1250 with such
// bytes (ś, š, ž, ź) and ISO-8859-2 without them (where ą and ś differ).
QString refined(const QString &detected, const QByteArray &bytes)
{
    const auto is = [&](const char *name) { return detected.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; };
    if (is("ISO-8859-1"))
        return QStringLiteral("WINDOWS-1252");
    if (is("WINDOWS-1250") || is("ISO-8859-2"))
        return hasC1Bytes(bytes) ? QStringLiteral("WINDOWS-1250") : QStringLiteral("ISO-8859-2");
    return detected;
}

bool isUtf8Name(const QString &name)
{
    return name.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) == 0
        || name.compare(QLatin1String("UTF8"), Qt::CaseInsensitive) == 0;
}

} // namespace

QString encodingFromDetection(const QString &detected, const QByteArray &bytes, const QByteArray &localeEncoding)
{
    // The bytes are not UTF-8, so a detector that says UTF-8 or ASCII has not placed them.
    if (!detected.isEmpty() && !isUtf8Name(detected)
        && detected.compare(QLatin1String("ASCII"), Qt::CaseInsensitive) != 0)
        return refined(detected, bytes);
    const QString locale = QString::fromLatin1(localeEncoding);
    if (!locale.isEmpty() && !isUtf8Name(locale) && locale != QLatin1String("ANSI_X3.4-1968"))
        return locale;
    return QStringLiteral("WINDOWS-1252");
}

QString subtitleEncodingFor(const QByteArray &bytes, const QByteArray &localeEncoding)
{
    if (hasUtf16ByteOrderMark(bytes) || isUtf8(bytes))
        return {};
    return encodingFromDetection(detectedEncoding(bytes), bytes, localeEncoding);
}

bool hasUtf16ByteOrderMark(const QByteArray &bytes)
{
    return bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
}

QByteArray localeEncoding()
{
    QByteArray encoding;
    if (locale_t session = newlocale(LC_CTYPE_MASK, "", locale_t(0))) {
        encoding = nl_langinfo_l(CODESET, session);
        freelocale(session);
    }
    return encoding;
}

std::optional<QByteArray> utf8FromUtf16(const QByteArray &bytes)
{
    if (!hasUtf16ByteOrderMark(bytes))
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf16); // takes the byte order from the mark, drops it
    const QString text = decoder.decode(bytes);
    return text.toUtf8();
}

} // namespace tavrel
