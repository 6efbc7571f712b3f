#include "guard/quoting.h"

#include <initializer_list>
#include <utility>

namespace {

// `text` with each listed character replaced by its escape.
QString escapedEach(const QString &text, std::initializer_list<std::pair<char16_t, const char *>> escapes)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        const char *replacement = nullptr;
        for (const auto &[character, escape] : escapes)
            if (c.unicode() == character)
                replacement = escape;
        if (replacement)
            escaped += QLatin1String(replacement);
        else
            escaped += c;
    }
    return escaped;
}

} // namespace

QString xmlEscaped(const QString &text)
{
    return escapedEach(text, {{u'&', "&amp;"}, {u'<', "&lt;"}, {u'>', "&gt;"}, {u'"', "&quot;"}, {u'\'', "&apos;"}});
}

QString systemdPath(const QString &path)
{
    if (path.contains(QLatin1Char('\n')) || path.contains(QLatin1Char('\r')))
        return {};
    return escapedEach(path, {{u'%', "%%"}});
}
