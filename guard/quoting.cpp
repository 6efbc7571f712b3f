#include "guard/quoting.h"

#include <algorithm>
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

bool holdsControlCharacter(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

QString systemdPath(const QString &path)
{
    if (holdsControlCharacter(path))
        return {};
    return escapedEach(path, {{u'%', "%%"}});
}
