#pragma once

#include "process/platform.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QColor>
#include <QFont>
#include <QLabel>

// Standard controls styled for the casing, so the window never styles one by hand. Frames
// are Qt geometry in the parent; the caller converts from the design's unflipped numbers.

// The family that renders every weight the look uses: Inter on Linux when it is
// installed, else the desktop's default (empty).
QString preferredFontFamily(Platform platform, const QStringList &installedFamilies);

// The interface font at a pixel size and weight, in the preferred family.
QFont systemFont(int pixelSize, QFont::Weight weight = QFont::Normal);

// Where the preferred family is installed, the application's own font too, so that push
// buttons, the menu, tooltips and message boxes draw in the face of the panels: 13 pixels,
// as a standard push button's title, tooltips 11.
void useInterfaceFontEverywhere();

// The colour of a label's or a button's text, whether the window is active or not.
void setTextColour(QWidget *widget, const QColor &colour);

// A label that draws no background, in the given font size, weight and colour.
QLabel *label(const QString &text, int size, QFont::Weight weight, const QColor &colour, const QRect &frame,
              Qt::Alignment align = Qt::AlignHCenter, QWidget *parent = nullptr);

// A checkbox whose title is light grey 12-pixel text, readable on the dark casing. Its
// clicks reach `action` (a slot of `receiver`'s, or a function living as long as it, taking
// no argument); its state is not set.
template <typename Receiver, typename Action>
QCheckBox *lightCheckbox(const QString &title, Receiver *receiver, Action action, const QRect &frame, QWidget *parent = nullptr);

// The drawer button's title, closed ("▸  Settings") or open ("▾  Settings"), in 12-pixel
// text of the soft casing grey, centred.
struct StyledTitle {
    QString text;
    QColor colour;
    QFont font;
    Qt::Alignment alignment;
};
StyledTitle disclosureTitle(bool open);
void applyTitle(QAbstractButton *button, const StyledTitle &title);

// Implementation detail of lightCheckbox.
QCheckBox *makeLightCheckbox(const QString &title, const QRect &frame, QWidget *parent);

template <typename Receiver, typename Action>
QCheckBox *lightCheckbox(const QString &title, Receiver *receiver, Action action, const QRect &frame, QWidget *parent)
{
    QCheckBox *box = makeLightCheckbox(title, frame, parent);
    QObject::connect(box, &QCheckBox::clicked, receiver, action);
    return box;
}
