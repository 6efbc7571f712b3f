#pragma once

#include <QString>
#include <QStringList>

// `text` broken at spaces into lines of at most `width` characters (a longer word stands
// on a line of its own). For help texts and tooltips.
QStringList wrappedLines(const QString &text, qsizetype width);
