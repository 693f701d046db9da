// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/predicates.h"

#include "support/format.h"

#include <QRegularExpression>

namespace tavrel {

namespace {

enum class Operator { BeginsWith, EndsWith, Contains, Equal, NotEqual };

// Canonical decomposition with the combining marks dropped: "é" compares as "e".
QString withoutDiacritics(const QString &text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString result;
    result.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        const QChar::Category category = c.category();
        if (category != QChar::Mark_NonSpacing && category != QChar::Mark_SpacingCombining
            && category != QChar::Mark_Enclosing)
            result += c;
    }
    return result;
}

QString folded(QString text, bool caseInsensitive, bool diacriticInsensitive)
{
    if (diacriticInsensitive)
        text = withoutDiacritics(text);
    if (caseInsensitive)
        text = text.toCaseFolded();
    return text;
}

} // namespace

Predicate makePredicateV(const QString &format, const QList<FormatArg> &args)
{
    static const QRegularExpression grammar(
        QStringLiteral(R"(^\s*self\s*(beginswith|endswith|contains|==|=|!=|<>)\s*(?:\[([cdn]*)\])?)"
                       R"(\s*(%@|"[^"]*"|'[^']*')\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = grammar.match(format);
    if (!match.hasMatch())
        return [](const QString &) { return false; };

    const QString op = match.captured(1).toLower();
    Operator which = Operator::Equal;
    if (op == u"beginswith")
        which = Operator::BeginsWith;
    else if (op == u"endswith")
        which = Operator::EndsWith;
    else if (op == u"contains")
        which = Operator::Contains;
    else if (op == u"!=" || op == u"<>")
        which = Operator::NotEqual;

    const QString options = match.captured(2).toLower();
    const bool caseInsensitive = options.contains(u'c');
    const bool diacriticInsensitive = options.contains(u'd');

    const QString operand = match.captured(3);
    QString value;
    if (operand == u"%@") {
        // A missing or absent value compares with nothing: only "!=" holds.
        if (args.isEmpty() || args.first().kind() == FormatArg::Kind::Absent) {
            const bool answer = which == Operator::NotEqual;
            return [answer](const QString &) { return answer; };
        }
        value = args.first().description();
    } else {
        value = operand.mid(1, operand.size() - 2);
    }
    value = folded(value, caseInsensitive, diacriticInsensitive);

    return [=](const QString &candidate) {
        const QString text = folded(candidate, caseInsensitive, diacriticInsensitive);
        switch (which) {
        case Operator::BeginsWith:
            return !value.isEmpty() && text.startsWith(value);
        case Operator::EndsWith:
            return !value.isEmpty() && text.endsWith(value);
        case Operator::Contains:
            return !value.isEmpty() && text.contains(value);
        case Operator::Equal:
            return text == value;
        case Operator::NotEqual:
            return text != value;
        }
        return false;
    };
}

} // namespace tavrel
