#include "skin/deferredicons.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>

#include <optional>

namespace {

// Stands for the base style's standard icon and asks the style for it at its first use; an
// icon whose style is gone by then draws nothing.
class DeferredIconEngine : public QIconEngine
{
public:
    DeferredIconEngine(const QStyle *style, QStyle::StandardPixmap which) : style(style), which(which) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override { return icon().pixmap(size, mode, state); }
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        return icon().pixmap(size, scale, mode, state);
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override { return icon().actualSize(size, mode, state); }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override { return icon().availableSizes(mode, state); }
    bool isNull() override { return icon().isNull(); }
    QString key() const override { return QStringLiteral("hushwell.deferred"); }
    QIconEngine *clone() const override { return new DeferredIconEngine(*this); }

private:
    const QIcon &icon()
    {
        if (!loaded)
            loaded = style ? style->standardIcon(which) : QIcon();
        return *loaded;
    }

    QPointer<const QStyle> style;
    QStyle::StandardPixmap which;
    std::optional<QIcon> loaded;
};

class DeferredIconStyle : public QProxyStyle
{
public:
    QIcon standardIcon(StandardPixmap which, const QStyleOption *option, const QWidget *widget) const override
    {
        if (which != SP_ToolBarHorizontalExtensionButton && which != SP_ToolBarVerticalExtensionButton)
            return QProxyStyle::standardIcon(which, option, widget);
        return QIcon(new DeferredIconEngine(baseStyle(), which));
    }
};

} // namespace

bool defersMenuBarIcons(Platform platform)
{
    switch (platform) {
    case Platform::MacOS:
        // Qt's widgets look for the macOS style itself, not a proxy of it, before they take
        // its native ways.
        return false;
    case Platform::Linux:
        return true;
    }
    Q_UNREACHABLE();
}

void deferMenuBarIcons()
{
    // Not QApplication::style(): asking for it would build the desktop's style only to
    // replace it.
    static bool set = false;
    if (!set && defersMenuBarIcons(nativePlatform()))
        QApplication::setStyle(new DeferredIconStyle);
    set = true;
}
