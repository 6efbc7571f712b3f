// The decisions both front ends apply, called directly, one named row a case: what the
// panels say for a count or a guard reading, which line follows an action, where the window
// goes when the drawer opens, what the program says where no window can open, and the
// menu. No process, window or manager: any account runs these, on either platform.
#include "app/presentation.h"
#include "guard/guardcontrol.h"
#include "guard/guardlog.h"
#include "guard/guardpanel.h"
#include "process/killpanel.h"
#include "process/processlist.h"
#include "support/world.h"

#include <QRect>

#include <limits>

TEST(Decisions, ACountIsOneSignedDecimalWithinSixtyFourBits)
{
    const struct {
        const char *name;
        QString output;
        std::optional<qint64> count;
    } rows[] = {
        {"nothing", "", std::nullopt},
        {"a sign alone", "-", std::nullopt},
        {"zero", "0", 0},
        {"the largest", "9223372036854775807", std::numeric_limits<qint64>::max()},
        {"one more than the largest", "9223372036854775808", std::nullopt},
        {"the smallest", "-9223372036854775808", std::numeric_limits<qint64>::min()},
        {"one less than the smallest", "-9223372036854775809", std::nullopt},
        {"a line feed after it", "3\n", std::nullopt},
        {"two numbers", "3 4", std::nullopt},
        {"a word", "three", std::nullopt},
    };
    for (const auto &row : rows)
        EXPECT_EQ(parseCount(row.output), row.count) << row.name;
}

// A count that failed or is no count lights the dome as "Can't check", never "All quiet".
TEST(Decisions, TheKillPanelNeverCallsAFailedCountQuiet)
{
    for (const QString output : {"", "x"}) {
        const KillPanel panel = killPanelFor(output);
        EXPECT_TRUE(panel.live) << output.toStdString();
        EXPECT_FALSE(panel.counted) << output.toStdString();
        EXPECT_EQ(panel.status, "Can't check") << output.toStdString();
        EXPECT_EQ(panel.detail, "Couldn't read the list of running processes.") << output.toStdString();
        EXPECT_EQ(detailAfterKill(panel), std::nullopt) << "no \"Fans should settle\"";
    }
}

const QString noManager = "No systemd user manager is running for this account.";

// The detail line an action leaves: the reason where it fits the line, the window's own
// sentence where the reason names a file, and the refreshed line where all went well.
TEST(Decisions, TheLineAfterAnAction)
{
    const auto none = std::optional<QString>();
    const QString paused = "Paused until your next login.", follows = "Saved; the guard follows the administrator's settings.";
    const struct {
        const char *name;
        GuardResult result;
        std::optional<QString> afterBlock, afterUnblock;
    } guardRows[] = {
        {"done, with more to know", {.done = true, .message = paused}, paused, paused},
        {"failed, no reason", {.done = false}, "Couldn't start the guard.", "Couldn't stop the guard."},
        {"failed, a reason naming a file", {false, "x /a/b", {}, true}, "Couldn't start the guard.", "Couldn't stop the guard."},
    };
    for (const auto &row : guardRows) {
        EXPECT_EQ(detailAfterBlock(row.result), row.afterBlock) << row.name;
        EXPECT_EQ(detailAfterUnblock(row.result), row.afterUnblock) << row.name;
    }
    const QString notFollowed = "Couldn't give the guard the new list.";
    const struct {
        const char *name;
        PreferenceChange change;
        std::optional<QString> line;
    } settingRows[] = {
        {"stored, followed", {}, none},
        {"stored, not followed", {true, {}, false}, notFollowed},
        {"stored, not followed, a file named", {true, {}, false, "x /a", {}, true}, notFollowed},
        {"stored, not followed, why", {true, {}, false, noManager}, noManager},
        {"stored, the administrator's guard follows its own", {true, {}, true, follows}, follows},
    };
    for (const auto &row : settingRows)
        EXPECT_EQ(detailAfterSettingsChange(row.change), row.line) << row.name;
    EXPECT_EQ(detailForSettings(false), "Couldn't read the settings; the defaults apply.");
    EXPECT_EQ(detailForSettings(true), none);
}

// The drawer's move at the edges of the screen (the move up near its bottom, with a real
// window frame, is test_controls'): never above the free area, never below it.
TEST(Decisions, WhereTheWindowGoesWhenTheDrawerOpensAndCloses)
{
    const QRect screen(0, 0, 1000, 1000);
    const struct {
        const char *name;
        QRect from;
        bool opening;
        QRect available;
        int raised;
        QRect to;
    } rows[] = {
        {"opening on a screen too short: the top stays on it", {100, 100, 420, 600}, true, {0, 50, 1000, 700}, 0, {100, 50, 420, 758}},
        {"opening above the free area: it stays", {100, 0, 420, 600}, true, {0, 50, 1000, 700}, 0, {100, 0, 420, 758}},
        {"closing, nothing raised", {100, 100, 420, 758}, false, screen, 0, {100, 100, 420, 600}},
        {"closing, moved up since: no lower than the screen", {100, 242, 420, 758}, false, {0, 0, 1000, 850}, 58, {100, 250, 420, 600}},
        {"no screen known", {100, 900, 420, 600}, true, QRect(), 0, {100, 900, 420, 758}},
    };
    for (const auto &row : rows)
        EXPECT_EQ(drawerToggledGeometry(row.from, row.opening, row.available, row.raised), row.to) << row.name;
    EXPECT_EQ(drawerHeightFor(1), 158);
    EXPECT_EQ(drawerHeightFor(3), 206) << "a row of 48 for each group past two";
}

// Where no window can open, one line instead of Qt's abort; nothing where one can.
TEST(Decisions, WhatTheProgramSaysWhereNoWindowCanOpen)
{
    const QString noSession =
        "hushwell: needs a graphical session (neither DISPLAY nor WAYLAND_DISPLAY is set); hushwellctl works without one.";
    EXPECT_EQ(noGraphicalSessionMessage(Platform::Linux, {"HOME=/home/ada"}), noSession);
    EXPECT_EQ(noGraphicalSessionMessage(Platform::Linux, {"DISPLAY="}), noSession) << "set, but empty";
    EXPECT_EQ(noGraphicalSessionMessage(Platform::Linux, {"WAYLAND_DISPLAY=wayland-0"}), std::nullopt);
    EXPECT_EQ(noGraphicalSessionMessage(Platform::Linux, {"QT_QPA_PLATFORM=offscreen"}), std::nullopt);
    EXPECT_EQ(noGraphicalSessionMessage(Platform::MacOS, {}), std::nullopt) << "the window server is always there";

    const QString vnc =
        "hushwell: couldn't reach a graphical session (QT_QPA_PLATFORM=xcb;vnc, DISPLAY=:0); hushwellctl works without one.";
    const struct {
        const char *name;
        QStringList environment, arguments;
        std::optional<QString> says;
    } rows[] = {
        {"xcb", {"QT_QPA_PLATFORM=xcb"}, {}, std::nullopt},
        {"wayland with options", {"QT_QPA_PLATFORM=wayland:foo=bar"}, {}, std::nullopt},
        {"a list ending in vnc", {"QT_QPA_PLATFORM=xcb;vnc", "DISPLAY=:0"}, {}, vnc},
        {"-platform on the command line",
         {},
         {"hushwell", "-platform", "linuxfb"},
         "hushwell: couldn't reach a graphical session (no display named); hushwellctl works without one."},
        {"--platform too",
         {"DISPLAY=:0"},
         {"hushwell", "--platform", "minimal"},
         "hushwell: couldn't reach a graphical session (DISPLAY=:0); hushwellctl works without one."},
        {"-platform with nothing after it", {}, {"hushwell", "-platform"}, std::nullopt},
    };
    for (const auto &row : rows)
        EXPECT_EQ(unsupportedPlatformMessage(row.environment, row.arguments), row.says) << row.name;
    EXPECT_EQ(displayFailureMessage({"HOME=/h", "DISPLAY=:1", "QT_QPA_PLATFORM=xcb"}),
              "hushwell: couldn't reach a graphical session (QT_QPA_PLATFORM=xcb, DISPLAY=:1); hushwellctl works without one.");
}

TEST(Decisions, TheTooltips)
{
    EXPECT_EQ(startGuardTooltip(),
              "Watches in the background and kills Adobe's processes again every 15 seconds, however often they come back.");
    EXPECT_EQ(stopGuardTooltip(), "Stops watching. Adobe's processes are left alone from then on.");
    EXPECT_EQ(coreSyncTooltip(), "Syncs the Creative Cloud Files folder and activates Adobe Fonts. Untick it if you use either.");
    // Broken into lines of at most 44 characters, escaped, and nothing lost.
    const QString wrapped = tooltipMarkup(desktopServiceTooltip() + " <b>");
    EXPECT_TRUE(wrapped.startsWith("<p style=\"white-space:pre\">")) << "no line broken again by Qt";
    for (const QString &line : wrapped.chopped(4).section('>', 1).split("<br>"))
        EXPECT_LE(asRead(line).size(), 44) << line.toStdString();
    EXPECT_EQ(asRead(wrapped), desktopServiceTooltip() + " <b>");

    QList<ProcessRow> rows;
    for (int i = 1; i <= 12; ++i)
        rows << ProcessRow{.pid = 100 + i, .cpu = i / 2.0, .rssKib = 1536 * i, .command = "/opt/Adobe/CCXProcess <x> --n"};
    EXPECT_EQ(processListTooltip({}, {"CCXProcess"}), "");
    const QString table = asRead(processListTooltip(rows, {"CCXProcess"}));
    EXPECT_TRUE(table.startsWith("101 0.5 % 1.5 MiB CCXProcess\n102 1.0 % 3.0 MiB CCXProcess")) << table.toStdString();
    EXPECT_TRUE(table.endsWith("110 5.0 % 15.0 MiB CCXProcess\nand 2 more")) << "ten rows, then how many more";
    EXPECT_EQ(stoppedTooltip(std::nullopt, {}), "") << "what was stopped is not known";
    EXPECT_EQ(stoppedTooltip(QList<ProcessRow>{}, {}), "") << "nothing was";
    EXPECT_EQ(asRead(stoppedTooltip(rows.mid(0, 1), {"CCXProcess"})), "Stopped 1 process holding 1.5 MiB.\n101 0.5 % 1.5 MiB CCXProcess");
    EXPECT_TRUE(asRead(stoppedTooltip(rows.mid(0, 2), {"CCXProcess"})).startsWith("Stopped 2 processes holding 4.5 MiB.\n"));
}

// The guard line's tooltip for a day's record.
TEST(Decisions, TheGuardRecordTooltipSaysHowManyAndTheLatest)
{
    const QDateTime now(QDate(2026, 12, 9), QTime(9, 30));
    const GuardRun early{now.addSecs(-20 * 3600), {{7, "/opt/Adobe/AdobeIPCBroker"}, {8, "CCXProcess --a"}}};
    const GuardRun late{now.addSecs(-600), {{9, "/Applications/Core Sync.app/Contents/MacOS/Core Sync"}}};
    const struct {
        const char *name;
        GuardLog log;
        QString says;
    } rows[] = {
        {"unreadable", {std::nullopt, "no journal"}, ""},
        {"nothing stopped", {QList<GuardRun>{}, {}}, "Stopped nothing in the last 24 hours."},
        {"one, today", {QList<GuardRun>{late}, {}}, "Stopped 1 process in the last 24 hours: Core Sync, at 09:20."},
        {"several, the last yesterday",
         {QList<GuardRun>{early}, {}},
         "Stopped 2 processes in the last 24 hours; the last, CCXProcess, yesterday at 13:30."},
        {"several", {QList<GuardRun>{early, late}, {}}, "Stopped 3 processes in the last 24 hours; the last, Core Sync, at 09:20."},
    };
    for (const auto &row : rows)
        EXPECT_EQ(asRead(guardRecordTooltip(row.log, now)), row.says) << row.name;
}

TEST(Decisions, TheApplicationMenu)
{
    const auto titles = [](Platform platform) {
        QStringList shown;
        for (const MenuEntry &entry : applicationMenuEntries(platform))
            shown << (entry.command == MenuCommand::Separator ? "-" : entry.title + " " + entry.shortcut.toString());
        return shown.join(" | ");
    };
    EXPECT_EQ(titles(Platform::Linux), "About Hushwell  | - | Hide Hushwell Ctrl+H | - | Quit Hushwell Ctrl+Q");
    EXPECT_EQ(titles(Platform::MacOS), "About Hushwell  | - | Quit Hushwell Ctrl+Q") << "Hide is the application menu's own there";
}
