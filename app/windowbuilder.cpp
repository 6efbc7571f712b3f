#include "app/windowbuilder.h"

#include "app/presentation.h"
#include "process/catalogue.h"
#include "skin/casingview.h"
#include "skin/deferredicons.h"
#include "skin/domebutton.h"
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
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

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
    return frame(x, y, w, h, drawerHeightFor(targetGroups().size()));
}

template <typename W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

void installMenu(QMainWindow *window, QObject *receiver, const WindowActions &actions)
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
            action = menu->addAction(entry.title, receiver, actions.about);
            action->setMenuRole(QAction::AboutRole);
            break;
        case MenuCommand::Hide:
            action = menu->addAction(entry.title, window, &QWidget::showMinimized);
            break;
        case MenuCommand::Quit:
            action = menu->addAction(entry.title, window, &QWidget::close); // the last window: quits
            action->setMenuRole(QAction::QuitRole);
            break;
        }
        action->setShortcut(entry.shortcut);
    }
}

void fillCasing(CasingView *casing, WindowParts &parts, QObject *receiver, const WindowActions &actions)
{
    named(label(QStringLiteral("ADOBE BACKGROUND PROCESSES"), 11, QFont::Bold, Skin::onYellowSoft(), inCasing(30, 544, 360, 16),
                Qt::AlignHCenter, casing),
          "heading");
    parts.status =
        named(label(checkingText, 34, QFont::Medium, Skin::onYellow(), inCasing(30, 492, 360, 46), Qt::AlignHCenter, casing), "status");
    parts.detail =
        named(label(QString(), 11, QFont::Normal, Skin::onYellowSoft(), inCasing(30, 470, 360, 16), Qt::AlignHCenter, casing), "detail");
    // Screen readers read a label's text as its name; these say which panel it belongs to.
    parts.status->setAccessibleDescription(QStringLiteral("Adobe background processes"));
    parts.detail->setAccessibleDescription(QStringLiteral("Adobe background processes, detail"));

    parts.dome = named(new DomeButton(casing), "dome");
    parts.dome->setGeometry(inCasing(105, 232, 210, 210));
    parts.dome->setBackdrop(Skin::housing()); // it stands inside the housing, clear of its edge and screws
    // Every control takes keyboard focus (macOS buttons otherwise only with full
    // keyboard access), in the order they were made: the order the eye reads them.
    parts.dome->setFocusPolicy(Qt::StrongFocus);
    parts.dome->setAccessibleName(QStringLiteral("Hush"));
    parts.dome->setAccessibleDescription(
        QStringLiteral("Stops Adobe Creative Cloud's background processes: its helpers, updaters, crash reporter and IPC broker, "
                       "and the licensing and sync services ticked in Settings."));
    QObject::connect(parts.dome, &DomeButton::clicked, receiver, actions.kill);

    // "Checking…" until the first reading, as the count says it.
    parts.blockStatus = named(
        label(checkingText, 19, QFont::Medium, Skin::onCasing(), inCasing(20, 154, 380, 26), Qt::AlignHCenter, casing), "blockStatus");
    parts.blockDetail = named(
        label(QString(), 11, QFont::Normal, Skin::onCasingSoft(), inCasing(20, 136, 380, 16), Qt::AlignHCenter, casing), "blockDetail");
    parts.blockStatus->setAccessibleDescription(QStringLiteral("Guard"));
    parts.blockDetail->setAccessibleDescription(QStringLiteral("Guard, detail"));

    const auto pushButton = [casing, receiver](const QString &title, const std::function<void()> &action, qreal x) {
        auto *button = new QPushButton(title, casing);
        button->setGeometry(inCasing(x, 96, 115, 30));
        // Tab reaches it, a click does not: its focus frame shows only for the keyboard.
        button->setFocusPolicy(Qt::TabFocus);
        QObject::connect(button, &QPushButton::clicked, receiver, action);
        return button;
    };
    parts.blockButton = named(pushButton(QStringLiteral("Start Guard"), actions.block, 30), "blockButton");
    parts.blockButton->setToolTip(tooltipMarkup(startGuardTooltip()));
    parts.unblockButton = named(pushButton(QStringLiteral("Stop Guard"), actions.unblock, 152), "unblockButton");
    parts.unblockButton->setToolTip(tooltipMarkup(stopGuardTooltip()));
    // Neither acts before the guard's state is known: the first reading enables one.
    parts.blockButton->setEnabled(false);
    parts.unblockButton->setEnabled(false);
    named(pushButton(QStringLiteral("Refresh"), actions.refresh, 274), "refreshButton");

    // The one box that is no target group's sits on the casing.
    for (const Preference &preference : preferenceTable)
        if (!preference.isTargetGroup())
            parts.boxes.insert(preference.key,
                               named(lightCheckbox(preference.title, receiver, actions.sound, inCasing(128, 58, 200, 20), casing),
                                     qPrintable(preference.box)));

    parts.disclosure = named(new TitleButton(casing), "disclosure");
    parts.disclosure->setGeometry(inCasing(140, 20, 140, 22));
    applyTitle(parts.disclosure, disclosureTitle(false));
    QObject::connect(parts.disclosure, &TitleButton::clicked, receiver, actions.toggleSettings);
}

// The heading, then each target group's box with its caption under it, one row's pitch apart.
void fillDrawer(WindowParts &parts, QObject *receiver, const WindowActions &actions)
{
    const qreal top = drawerHeightFor(targetGroups().size());
    label(QStringLiteral("ALSO KILL THESE"), 10, QFont::Bold, Skin::onCasingSoft(), inDrawer(30, top - 30, 360, 14), Qt::AlignHCenter,
          parts.drawer);
    qreal y = top - 62;
    for (const Preference &group : targetGroups()) {
        QCheckBox *box = named(
            lightCheckbox(
                group.title, receiver, [key = group.key, actions] { actions.settingChanged(key); }, inDrawer(30, y, 320, 20), parts.drawer),
            qPrintable(group.box));
        box->setToolTip(tooltipMarkup(group.tooltip));
        parts.boxes.insert(group.key, box);
        label(group.caption, 10, QFont::Normal, Skin::onCasingSoft(), inDrawer(50, y - 16, 350, 14), Qt::AlignLeft, parts.drawer);
        y -= drawerRowPitch;
    }
}

} // namespace

WindowParts buildWindow(QObject *receiver, const WindowActions &actions)
{
    // Before the first widget: one made earlier lays out its text once more, in the
    // default font, which loads a font engine no frame shows.
    useInterfaceFontEverywhere();
    deferMenuBarIcons();
    WindowParts parts;
    QMainWindow *window = parts.window = named(new QMainWindow, "window");
    window->setWindowTitle(QStringLiteral("Hushwell"));
    // Its size is fixed: no maximise button where the window manager honours the hints.
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
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
    installMenu(window, receiver, actions);

    auto *casing = named(new CasingView, "casing");
    casing->setFixedSize(int(winWidth), int(winHeight));
    // The casing holds the focus at launch, so that no control does: activation would
    // otherwise hand it to the dome, invisibly, and a stray Space would run a kill. It is
    // not in the Tab chain; the first Tab reaches the dome.
    casing->setFocusPolicy(Qt::ClickFocus);
    fillCasing(casing, parts, receiver, actions);

    parts.drawer = named(new DrawerView(casing), "drawer");
    parts.drawer->setGeometry(0, 0, int(winWidth), drawerHeightFor(targetGroups().size()));
    parts.drawer->hide();
    casing->pinToBottom(parts.drawer);
    fillDrawer(parts, receiver, actions);

    window->setCentralWidget(casing);
    casing->setFocus();
    // Cmd+W on macOS, Ctrl+W elsewhere: closing the window is how Hushwell ends.
    auto *close = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), window);
    QObject::connect(close, &QShortcut::activated, window, &QWidget::close);
    // However the program is asked to end, the window goes at once; a running job may
    // still take up to two seconds to finish before the process ends.
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, window, &QWidget::hide);

    // Not resizable by the user: the content is 420 x 600 (below the menu bar, where the
    // desktop puts it in the window) until the drawer opens. The window's size follows
    // its layout, so that a menu bar the style draws taller once polished (its font is set
    // late) takes no row of the casing.
    window->layout()->setSizeConstraint(QLayout::SetFixedSize);
    window->menuBar()->ensurePolished();
    window->layout()->activate();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
    return parts;
}
