#include "skin/factories.h"

#include "skin/skin.h"

#include <QApplication>
#include <QFontDatabase>

void setTextColour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette(); // setColor without a group sets every group
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    widget->setPalette(palette);
}

QString preferredFontFamily(Platform platform, const QStringList &installedFamilies)
{
    switch (platform) {
    case Platform::MacOS:
        return {}; // the system font has every weight
    case Platform::Linux:
        // Debian's default font has no medium or heavy face, so 500 and 800 would render
        // as regular and bold.
        return installedFamilies.contains(QStringLiteral("Inter")) ? QStringLiteral("Inter") : QString();
    }
    Q_UNREACHABLE();
}

QFont systemFont(int pixelSize, QFont::Weight weight)
{
    static const QString family = preferredFontFamily(nativePlatform(), QFontDatabase::families());
    QFont font;
    if (!family.isEmpty())
        font.setFamily(family);
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

void useInterfaceFontEverywhere()
{
    if (preferredFontFamily(nativePlatform(), QFontDatabase::families()).isEmpty())
        return;
    QApplication::setFont(systemFont(13));
    QApplication::setFont(systemFont(11), "QTipLabel");
}

QLabel *label(const QString &text, int size, QFont::Weight weight, const QColor &colour, const QRect &frame, Qt::Alignment align,
              QWidget *parent)
{
    auto *field = new QLabel(text, parent);
    field->setFont(systemFont(size, weight));
    setTextColour(field, colour);
    field->setAlignment(align | Qt::AlignVCenter);
    field->setGeometry(frame);
    field->setAutoFillBackground(false); // the casing or housing shows through
    field->setAttribute(Qt::WA_TranslucentBackground);
    return field;
}

QCheckBox *makeLightCheckbox(const QString &title, const QRect &frame, QWidget *parent)
{
    auto *box = new QCheckBox(title, parent);
    box->setGeometry(frame);
    box->setFont(systemFont(12));
    // Tab reaches it, a click does not: its focus frame shows only for the keyboard.
    box->setFocusPolicy(Qt::TabFocus);
    setTextColour(box, Skin::onCasing());
    return box;
}

StyledTitle disclosureTitle(bool open)
{
    return {open ? QStringLiteral("\u25be  Settings") : QStringLiteral("\u25b8  Settings"), Skin::onCasingSoft(), systemFont(12),
            Qt::AlignHCenter};
}

void applyTitle(QAbstractButton *button, const StyledTitle &title)
{
    button->setText(title.text);
    button->setFont(title.font);
    setTextColour(button, title.colour);
}
