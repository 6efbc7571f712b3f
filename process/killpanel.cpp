#include "process/killpanel.h"

#include <limits>

std::optional<qint64> parseCount(const QString &countOutput)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < countOutput.size() && (countOutput[i] == QLatin1Char('+') || countOutput[i] == QLatin1Char('-'))) {
        negative = countOutput[i] == QLatin1Char('-');
        ++i;
    }
    if (i == countOutput.size())
        return std::nullopt;

    // Accumulate negatively so that the minimum value, whose magnitude has no positive
    // counterpart, still parses.
    qint64 value = 0;
    for (; i < countOutput.size(); ++i) {
        const char16_t c = countOutput[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c - u'0';
        if (value < (std::numeric_limits<qint64>::min() + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == std::numeric_limits<qint64>::min())
            return std::nullopt;
        value = -value;
    }
    return value;
}

KillPanel killPanelFor(const QString &countOutput)
{
    const std::optional<qint64> count = parseCount(countOutput);
    // An empty or garbled output means ps could not be read: saying "All quiet" then
    // would be a guess presented as a fact.
    if (!count)
        return {.live = true, .counted = false, .status = QStringLiteral("Can't check"), .detail = countFailedText};
    if (*count == 0)
        return {.live = false,
                .counted = true,
                .status = QStringLiteral("All quiet"),
                .detail = QStringLiteral("Nothing of Adobe's is running in the background.")};
    return {.live = true,
            .counted = true,
            .status = QString::number(*count) + QStringLiteral(" running"),
            .detail = *count == 1 ? QStringLiteral("One process is helping itself to your CPU.")
                                  : QStringLiteral("Helping themselves to your CPU.")};
}
