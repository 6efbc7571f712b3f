#include "process/textwrap.h"

QStringList wrappedLines(const QString &text, qsizetype width)
{
    QStringList lines;
    QString line;
    for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > width) {
            lines << line;
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    return lines << line;
}

QString printable(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (const char32_t code : text.toUcs4()) {
        if (code == U'\n')
            shown += QLatin1String("\\n");
        else if (code == U'\t')
            shown += QLatin1String("\\t");
        else if (code == U'\r')
            shown += QLatin1String("\\r");
        else if (code < 0x20 || code == 0x7f)
            shown += QStringLiteral("\\x%1").arg(uint(code), 2, 16, QLatin1Char('0'));
        else if ((code > 0x7f && code < 0xa0) || QChar::category(code) == QChar::Other_Format)
            shown += code > 0xffff ? QStringLiteral("\\U%1").arg(uint(code), 8, 16, QLatin1Char('0'))
                                   : QStringLiteral("\\u%1").arg(uint(code), 4, 16, QLatin1Char('0'));
        else
            shown += QString::fromUcs4(&code, 1);
    }
    return shown;
}

QString cutToLength(const QString &text, qsizetype length)
{
    return text.size() > length ? text.left(length) + QChar(0x2026) : text;
}
