// SPDX-License-Identifier: GPL-3.0-or-later
#include "transmitter/Macros.h"

#include <QRegularExpression>
#include <QSettings>

#include <iterator>

namespace {

constexpr const char* kDefaults[] = {
    "CQ CQ CQ de <MYCALL> <MYCALL> <MYCALL> pse k<RX>",
    "<CALL> de <MYCALL> ",
    "<CALL> de <MYCALL> 73 sk<RX>",
};

QString keyOf(int index)
{
    return QStringLiteral("%1/F%2").arg(QString::fromLatin1(MacroSet::kGroup)).arg(index + 1);
}

}  // namespace

ExpandedMacro ExpandMacro(const QString& macro, const MacroContext& context)
{
    static const QRegularExpression token(QStringLiteral("<(MYCALL|CALL|UTC|DATE|RX)>"),
                                          QRegularExpression::CaseInsensitiveOption);
    ExpandedMacro out;
    const QDateTime utc = context.now.toUTC();
    qsizetype from = 0;
    for (QRegularExpressionMatchIterator it = token.globalMatch(macro); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        out.text += macro.mid(from, match.capturedStart() - from);
        from = match.capturedEnd();
        const QString name = match.captured(1).toUpper();
        const auto call = [&out, &name](const QString& value) {
            if (value.isEmpty() && !out.missing.contains(QLatin1Char('<') + name + QLatin1Char('>')))
                out.missing << QLatin1Char('<') + name + QLatin1Char('>');
            out.text += value;
        };
        if (name == QLatin1String("MYCALL"))
            call(context.myCall);
        else if (name == QLatin1String("CALL"))
            call(context.otherCall);
        else if (name == QLatin1String("UTC"))
            out.text += utc.toString(QStringLiteral("HHmm"));
        else if (name == QLatin1String("DATE"))
            out.text += utc.toString(QStringLiteral("yyyy-MM-dd"));
        else
            out.endsOver = true;
    }
    out.text += macro.mid(from);
    return out;
}

MacroSet::MacroSet()
{
    for (int i = 0; i < kCount; ++i)
        texts_[static_cast<std::size_t>(i)] = defaultText(i);
}

QString MacroSet::defaultText(int index)
{
    constexpr int defaults = static_cast<int>(std::size(kDefaults));
    return index >= 0 && index < defaults ? QString::fromLatin1(kDefaults[index]) : QString();
}

void MacroSet::load(QSettings& settings)
{
    for (int i = 0; i < kCount; ++i)
        texts_[static_cast<std::size_t>(i)] = settings.value(keyOf(i), defaultText(i)).toString();
}

void MacroSet::save(QSettings& settings) const
{
    for (int i = 0; i < kCount; ++i)
        settings.setValue(keyOf(i), texts_[static_cast<std::size_t>(i)]);
}
