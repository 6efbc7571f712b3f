// What the window decides from plain values, apart from any widget: the process tooltip,
// and the drawer's geometry. (The rest is checked on the real window,
// and the start-up message on the real program.)
#include "support/world.h"

#include "app/presentation.h"

TEST(Presentation, TheCountsTooltipListsTenProcessesThenHowManyMore)
{
    const auto listOf = [](int count) {
        QString listed;
        for (int pid = 101; pid < 101 + count; ++pid)
            listed += QStringLiteral("%1 2.5 20480 /opt/adobe/AdobeIPCBroker --type=%1\n").arg(pid);
        return processListTooltip(parseProcessList(listed + "junk line\n"), {"AdobeIPCBroker"});
    };
    const QString twelve = listOf(12);
    EXPECT_TRUE(twelve.contains("<td align=\"right\">110</td><td align=\"right\">2.5 %</td><td align=\"right\">20.0 MiB</td>"
                                "<td>AdobeIPCBroker</td>")) << "the tenth row, with its short name";
    EXPECT_FALSE(twelve.contains(">111<")) << "no eleventh row";
    EXPECT_TRUE(twelve.endsWith("</table>and 2 more</qt>"));
    EXPECT_FALSE(listOf(10).contains("more")) << "ten fit";
    EXPECT_TRUE(listOf(11).endsWith("</table>and 1 more</qt>"));
    EXPECT_EQ(processListTooltip({}, {"AdobeIPCBroker"}), "");
    EXPECT_EQ(shortProcessName("/usr/bin/sleep 300", {"AdobeIPCBroker"}), "sleep") << "no target: the program's name";
}

TEST(Presentation, DrawerOpensDownwardAndMovesUpOnlyWhenTheScreenEnds)
{
    const QRect desktop(0, 0, 1920, 1050), laptop(0, 0, 1366, 738); // less a 30-pixel panel
    struct Row {
        const char *name;
        QRect before, available;
        bool open;
        int raised;
        QRect after;
    };
    const Row rows[] = {
        {"room below: the top stays", {100, 40, 420, 600}, desktop, true, 0, {100, 40, 420, 758}},
        {"closing: the top stays", {100, 292, 420, 758}, desktop, false, 0, {100, 292, 420, 600}},
        {"near the bottom: up just enough", {100, 400, 420, 600}, desktop, true, 0, {100, 292, 420, 758}},
        {"closing again: back where it was", {100, 292, 420, 758}, desktop, false, 108, {100, 400, 420, 600}},
        {"1366 x 768: as high as it goes", {100, 100, 420, 600}, laptop, true, 0, {100, 0, 420, 758}},
        {"closing, moved since: stays on screen", {100, 100, 420, 758}, laptop, false, 100, {100, 138, 420, 600}},
    };
    for (const Row &row : rows)
        EXPECT_EQ(drawerToggledGeometry(row.before, row.open, row.available, row.raised), row.after) << row.name;
}
