// AppDelegate's construction of the window and the application menu.
#include "app/appdelegate.h"
#include "process/version.h"

#include "app/presentation.h"
#include "process/catalogue.h"
#include "process/preferences.h"
#include "skin/casingview.h"
#include "skin/domebutton.h"
#include "skin/domeicon.h"
#include "skin/drawerview.h"
#include "skin/factories.h"
#include "skin/geometry.h"
#include "skin/skin.h"
#include "skin/titlebutton.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QVariantAnimation>

namespace {

// The design's frames are unflipped; children keep their Qt y, which is their distance
// from the top edge, when the casing grows downward.
QRect frame(qreal x, qreal y, qreal w, qreal h, qreal parentHeight)
{
    return toQt(QRectF(x, y, w, h), parentHeight).toRect();
}

QRect inCasing(qreal x, qreal y, qreal w, qreal h)
{
    return frame(x, y, w, h, winHeight);
}

QRect inDrawer(qreal x, qreal y, qreal w, qreal h)
{
    return frame(x, y, w, h, drawerHeight);
}

template<typename W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

void AppDelegate::installMenu()
{
    // On macOS the roles move About and Quit into the application menu.
    QMenu *menu = window->menuBar()->addMenu(QStringLiteral("Hushwell"));
    for (const MenuEntry &entry : applicationMenuEntries()) {
        QAction *action = nullptr;
        switch (entry.command) {
        case MenuCommand::Separator:
            menu->addSeparator();
            continue;
        case MenuCommand::About:
            action = menu->addAction(entry.title, this, &AppDelegate::showAbout);
            action->setMenuRole(QAction::AboutRole);
            break;
        case MenuCommand::Hide:
            action = menu->addAction(entry.title, window.data(), &QWidget::showMinimized);
            break;
        case MenuCommand::Quit:
            action = menu->addAction(entry.title, window.data(), &QWidget::close); // the last window: quits
            action->setMenuRole(QAction::QuitRole);
            break;
        }
        action->setShortcut(entry.shortcut);
    }
}

void AppDelegate::showAbout()
{
    QMessageBox::about(window, QStringLiteral("About Hushwell"),
                       QStringLiteral("<b>Hushwell</b><br>Version %1").arg(QStringLiteral(HUSHWELL_VERSION)));
}

void AppDelegate::buildWindow()
{
    window = named(new QMainWindow, "window");
    window->setWindowTitle(QStringLiteral("Hushwell"));
    // Its size is fixed: no maximise button where the window manager honours the hints.
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    useInterfaceFontEverywhere();
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, Skin::casing());
    window->setPalette(palette);
    // The menu bar keeps the desktop's own colours, readable above the dark casing: each
    // role is set explicitly, or the window's dark palette would be inherited anyway.
    QPalette desktop = QApplication::palette(window->menuBar());
    for (const QPalette::ColorRole role : {QPalette::Window, QPalette::WindowText, QPalette::Button, QPalette::ButtonText})
        desktop.setBrush(role, QBrush(desktop.brush(role)));
    window->menuBar()->setPalette(desktop);
    window->menuBar()->setAutoFillBackground(true);
    installMenu();

    auto *casing = named(new CasingView, "casing");
    casing->setFixedSize(int(winWidth), int(winHeight));
    // The casing holds the focus at launch, so that no control does: activation would
    // otherwise hand it to the dome, invisibly, and a stray Space would run a kill. It is
    // not in the Tab chain; the first Tab reaches the dome.
    casing->setFocusPolicy(Qt::ClickFocus);
    fillCasing(casing);

    drawer = named(new DrawerView(casing), "drawer");
    drawer->setGeometry(0, 0, int(winWidth), int(drawerHeight));
    drawer->hide();
    casing->pinToBottom(drawer);
    fillDrawer();
    for (const auto &[box, key] : {std::pair{soundCheckbox, kSound}, {desktopServiceBox, kDesktopService}, {coreSyncBox, kCoreSync}})
        box->setCheckState(wants(key) ? Qt::Checked : Qt::Unchecked);

    window->setCentralWidget(casing);
    casing->setFocus();
    for (QAbstractButton *control : casing->findChildren<QAbstractButton *>())
        control->installEventFilter(this); // a click hands the focus back to the casing

    // The drawer opens and closes as AppKit animates a frame change: 0.2 s, top edge fixed.
    drawerAnimation = new QVariantAnimation(this);
    drawerAnimation->setDuration(200);
    drawerAnimation->setEasingCurve(QEasingCurve::InOutQuad); // eased in and out, as a native resize
    connect(drawerAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &frame) { setWindowFrame(frame.toRect()); });
    connect(drawerAnimation, &QVariantAnimation::finished, this, &AppDelegate::drawerMoved);
    // Cmd+W on macOS, Ctrl+W elsewhere: closing the window is how Hushwell ends.
    auto *close = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), window);
    connect(close, &QShortcut::activated, window.data(), &QWidget::close);
    // However the program is asked to end, the window goes at once; a running job may
    // still take up to two seconds to finish before the process ends.
    connect(qApp, &QCoreApplication::aboutToQuit, window.data(), &QWidget::hide);

    // Not resizable by the user: the content is 420 x 600 (below the menu bar, where the
    // desktop puts it in the window) until the drawer opens. The window's size follows
    // its layout, so that a menu bar the style draws taller once polished (its font is set
    // late) takes no row of the casing.
    window->layout()->setSizeConstraint(QLayout::SetFixedSize);
    window->menuBar()->ensurePolished();
    window->layout()->activate();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

void AppDelegate::fillCasing(CasingView *casing)
{
    label(QStringLiteral("ADOBE BACKGROUND PROCESSES"), 11, QFont::Bold, Skin::onYellowSoft(), inCasing(30, 544, 360, 16),
          Qt::AlignHCenter, casing);
    status = named(label(checkingText, 34, QFont::Medium, Skin::onYellow(), inCasing(30, 492, 360, 46), Qt::AlignHCenter, casing),
                   "status");
    detail = named(label(QString(), 11, QFont::Normal, Skin::onYellowSoft(), inCasing(30, 470, 360, 16), Qt::AlignHCenter, casing),
                   "detail");
    // Screen readers read a label's text as its name; these say which panel it belongs to.
    status->setAccessibleDescription(QStringLiteral("Adobe background processes"));
    detail->setAccessibleDescription(QStringLiteral("Adobe background processes, detail"));

    dome = named(new DomeButton(casing), "dome");
    dome->setGeometry(inCasing(105, 232, 210, 210));
    dome->setBackdrop(Skin::housing()); // it stands inside the housing, clear of its edge and screws
    // Every control takes keyboard focus (macOS buttons otherwise only with full
    // keyboard access), in the order they were made: the order the eye reads them.
    dome->setFocusPolicy(Qt::StrongFocus);
    dome->setAccessibleName(QStringLiteral("Hush"));
    dome->setAccessibleDescription(QStringLiteral(
        "Stops Adobe Creative Cloud's background processes: its helpers, updaters, crash reporter and IPC broker, "
        "and the licensing and sync services ticked in Settings."));
    connect(dome, &DomeButton::clicked, this, &AppDelegate::killPressed);

    // "Checking…" until the first reading, as the count says it.
    blockStatus = named(label(checkingText, 19, QFont::Medium, Skin::onCasing(), inCasing(20, 154, 380, 26), Qt::AlignHCenter, casing),
                        "blockStatus");
    blockDetail = named(label(QString(), 11, QFont::Normal, Skin::onCasingSoft(), inCasing(20, 136, 380, 16), Qt::AlignHCenter, casing),
                        "blockDetail");
    blockStatus->setAccessibleDescription(QStringLiteral("Guard"));
    blockDetail->setAccessibleDescription(QStringLiteral("Guard, detail"));

    const auto pushButton = [casing, this](const QString &title, void (AppDelegate::*action)(), qreal x) {
        auto *button = new QPushButton(title, casing);
        button->setGeometry(inCasing(x, 96, 115, 30));
        // Tab reaches it, a click does not: its focus frame shows only for the keyboard.
        button->setFocusPolicy(Qt::TabFocus);
        connect(button, &QPushButton::clicked, this, action);
        return button;
    };
    blockButton = named(pushButton(QStringLiteral("Start Guard"), &AppDelegate::blockPressed, 30), "blockButton");
    blockButton->setToolTip(tooltipMarkup(startGuardTooltip()));
    unblockButton = named(pushButton(QStringLiteral("Stop Guard"), &AppDelegate::unblockPressed, 152), "unblockButton");
    unblockButton->setToolTip(tooltipMarkup(stopGuardTooltip()));
    // Neither acts before the guard's state is known: the first reading enables one.
    blockButton->setEnabled(false);
    unblockButton->setEnabled(false);
    named(pushButton(QStringLiteral("Refresh"), &AppDelegate::refresh, 274), "refreshButton");

    soundCheckbox = named(lightCheckbox(QStringLiteral("Sound Effect (Rude)"), this, &AppDelegate::soundToggled,
                                        inCasing(128, 58, 200, 20), casing),
                          "soundCheckbox");

    disclosure = named(new TitleButton(casing), "disclosure");
    disclosure->setGeometry(inCasing(140, 20, 140, 22));
    applyTitle(disclosure, disclosureTitle(false));
    connect(disclosure, &TitleButton::clicked, this, &AppDelegate::toggleSettings);
}

void AppDelegate::fillDrawer()
{
    label(QStringLiteral("ALSO KILL THESE"), 10, QFont::Bold, Skin::onCasingSoft(), inDrawer(30, 128, 360, 14), Qt::AlignHCenter,
          drawer);
    desktopServiceBox = named(lightCheckbox(QStringLiteral("Adobe Desktop Service"), this,
                                            [this] { settingsChanged(desktopServiceBox, kDesktopService); },
                                            inDrawer(30, 96, 300, 20), drawer),
                              "desktopServiceBox");
    desktopServiceBox->setToolTip(tooltipMarkup(desktopServiceTooltip()));
    label(QStringLiteral("Handles licensing. Untick if Adobe apps start demanding a sign-in."), 10, QFont::Normal,
          Skin::onCasingSoft(), inDrawer(50, 80, 350, 14), Qt::AlignLeft, drawer);
    coreSyncBox = named(lightCheckbox(QStringLiteral("Core Sync (Adobe Content Synchronizer)"), this,
                                      [this] { settingsChanged(coreSyncBox, kCoreSync); }, inDrawer(30, 48, 320, 20), drawer),
                        "coreSyncBox");
    coreSyncBox->setToolTip(tooltipMarkup(coreSyncTooltip()));
    label(QStringLiteral("Syncs Creative Cloud Files and activates Adobe Fonts."), 10, QFont::Normal, Skin::onCasingSoft(),
          inDrawer(50, 32, 350, 14), Qt::AlignLeft, drawer);
}
