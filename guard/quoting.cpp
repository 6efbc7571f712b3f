#include "guard/quoting.h"

QString shellQuoted(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1String("'"), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString xmlEscaped(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&': escaped += QLatin1String("&amp;"); break;
        case u'<': escaped += QLatin1String("&lt;"); break;
        case u'>': escaped += QLatin1String("&gt;"); break;
        case u'"': escaped += QLatin1String("&quot;"); break;
        case u'\'': escaped += QLatin1String("&apos;"); break;
        default: escaped += c;
        }
    }
    return escaped;
}

QString systemdQuoted(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size() + 2);
    escaped += QLatin1Char('"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\': escaped += QLatin1String("\\\\"); break;
        case u'"': escaped += QLatin1String("\\\""); break;
        case u'%': escaped += QLatin1String("%%"); break;
        case u'$': escaped += QLatin1String("$$"); break;
        default: escaped += c;
        }
    }
    escaped += QLatin1Char('"');
    return escaped;
}
