// Everything the program says or decides from plain values: the shell texts, the panels,
// the preferences, the window's geometry, and hushwellctl's answers that run nothing.

const QStringList allTargets = basePatterns + desktopServicePatterns + coreSyncPatterns + finderExtensionPatterns;
const QStringList fewestTargets = basePatterns + finderExtensionPatterns;

// Every text the program writes for a shell, launchd or systemd, exactly as the files in
// tests/expected hold it: the macOS ones as the design gives them, character for character.
TEST(Texts, EveryGeneratedTextForBothPlatformsIsExact)
{
    const UserDirs ada = UserDirs::underHome(QStringLiteral("/Users/ada lovelace"));
    const GuardCommands macCommands = guardCommands(Platform::MacOS, 501, guardPlistPath(Platform::MacOS, ada));
    const std::pair<const char *, QString> texts[] = {
        {"count-command.macos", countCommandFor(Platform::MacOS, fewestTargets)},
        {"count-command.linux", countCommandFor(Platform::Linux, fewestTargets)},
        {"list-command.linux", listCommandFor(Platform::Linux, fewestTargets)},
        {"kill-script-all-on.macos", killScriptFor(Platform::MacOS, allTargets)},
        {"kill-script.macos", killScriptFor(Platform::MacOS, fewestTargets)},
        {"kill-script.linux", killScriptFor(Platform::Linux, fewestTargets)},
        {"guard-script-all-on.macos", guardScriptFor(Platform::MacOS, allTargets)},
        {"guard-script.linux", guardScriptFor(Platform::Linux, fewestTargets)},
        {"guard-plist.macos", serviceManagerFiles(Platform::MacOS, ada).value(0).content},
        {"guard-service.linux", guardServiceUnitFor("/home/ada/backup of Core Sync/100%/guard.sh")},
        {"guard-timer.linux", guardTimerUnit()},
        {"guard-commands.macos", macCommands.unload + "; " + macCommands.load + '\n' + macCommands.probe + '\n' + macCommands.remove + '\n'},
        {"guard-paths", QStringList{guardScriptPath(Platform::MacOS, ada), guardPlistPath(Platform::MacOS, ada),
                                    guardScriptPath(Platform::Linux, ada)}.join('\n') + '\n' + serviceManagerPaths(Platform::Linux, ada).join('\n') + '\n'},
    };
    for (const auto &[name, text] : texts) {
        QFile expected(QStringLiteral(HUSHWELL_EXPECTED "/") + name);
        ASSERT_TRUE(expected.open(QIODevice::ReadOnly)) << name;
        EXPECT_EQ(text, QString::fromUtf8(expected.readAll())) << name;
    }
    // The figures the macOS texts are known by: 359 and 418 characters for the count, 1668
    // and 1933 for the kill script, 1463 and 1728 bytes for the guard script.
    EXPECT_EQ(QList<qsizetype>({countCommandFor(Platform::MacOS, allTargets).size(), killScriptFor(Platform::MacOS, fewestTargets).size(),
                                guardScriptFor(Platform::MacOS, fewestTargets).toUtf8().size()}),
              QList<qsizetype>({418, 1668, 1463}));
    EXPECT_TRUE(killScriptFor(Platform::Linux, {"it's"}).contains("P='[i]t'\\''s'\n")) << "quoted for the shell";
    EXPECT_EQ(guardPlistFor("/Users/o'brien & <co> \"x\"/guard.sh").section('\n', 8, 8),
              "        <string>/Users/o&apos;brien &amp; &lt;co&gt; &quot;x&quot;/guard.sh</string>");
}

// A unit file cannot carry a line break, nor XML 1.0 most control characters: nothing is
// there to write, so the start fails honestly.
TEST(Texts, APathWithAControlCharacterGivesNoServiceManagerFiles)
{
    const std::pair<const char *, QString> homes[] = {
        {"line feed", "/home/a\nb"}, {"carriage return", "/home/a\rb"}, {"tab", "/home/a\tb"},
        {"escape", "/home/a\x1b" "b"}, {"delete", "/home/a\x7f" "b"}, {"NUL", QString("/home/a") + QChar(0) + "b"}};
    for (const auto &[name, home] : homes)
        for (const Platform platform : allPlatforms)
            EXPECT_TRUE(serviceManagerFiles(platform, UserDirs::underHome(home)).isEmpty())
                << name << " on " << platformName(platform).toStdString();
    EXPECT_EQ(serviceManagerFiles(Platform::Linux, UserDirs::underHome("/home/a b")).size(), 2) << "a space is no control character";
}

using Preferences = FreshPreferences;

TEST_F(Preferences, DefaultsStoredValuesAndTheTargetListInAllFourCombinations)
{
    EXPECT_TRUE(!wants("neverRegistered") && !wants(kSound) && wants(kDesktopService) && wants(kCoreSync));
    EXPECT_EQ(preferencesLocation(Platform::MacOS), "com.larkvane.hushwell");
    const UserDirs elsewhere = UserDirs::underHome(UserDirs::fromEnvironment().home + "/elsewhere");
    EXPECT_EQ(preferencesLocation(Platform::Linux, elsewhere), elsewhere.home + "/.config/hushwell/hushwell.conf");
    EXPECT_TRUE(storePreference(kSound, true, elsewhere) && wants(kSound, elsewhere) && !wants(kSound)) << "another account's store";
    QProcessEnvironment relative;
    for (const auto &[name, value] : {std::pair{"HOME", "/h"}, {"XDG_CONFIG_HOME", "relative/config"}, {"XDG_DATA_HOME", "/d/"}})
        relative.insert(name, value);
    const UserDirs fromRelative = UserDirs::fromEnvironment(relative);
    EXPECT_EQ(fromRelative.config + ' ' + fromRelative.data, "/h/.config /d") << "a relative XDG folder is ignored";

    // The four combinations: the optional patterns, and the macOS count's length.
    const std::tuple<bool, bool, QStringList, int> rows[] = {{false, false, {}, 359}, {true, false, {"Adobe Desktop Service"}, 381},
        {false, true, {"Core Sync", "Adobe Content Synchronizer"}, 396},
        {true, true, {"Adobe Desktop Service", "Core Sync", "Adobe Content Synchronizer"}, 418}};
    for (const auto &[desktop, coreSync, optional, countLength] : rows) {
        storePreference(kDesktopService, desktop);
        storePreference(kCoreSync, coreSync);
        EXPECT_EQ(targetList(), (basePatterns + optional + QStringList{"Adobe Context Menu Extension", "ACCFinderSync"}));
        EXPECT_EQ(countCommand(Platform::MacOS).size() * 100 + killCommand(Platform::MacOS).count('\n') + 1, countLength * 100 + 38 + 2 * optional.size());
    }
}

// Only a regular file, or a link to one, is read or written: anything else there is
// refused at once (a FIFO would block the read; a write through a link to a device would
// replace the device).
TEST_F(Preferences, AStoreThatIsNoRegularFileIsRefusedAtOnceAndLeftAsItWas)
{
    const QString store = preferencesLocation();
    const QString elsewhere = QFileInfo(store).path() + "/elsewhere";
    QDir().mkpath(QFileInfo(store).path());
    const std::pair<const char *, std::function<bool()>> rows[] = {
        {"a FIFO", [&] { return ::mkfifo(QFile::encodeName(store), 0600) == 0; }},
        {"a link to a FIFO", [&] { return ::mkfifo(QFile::encodeName(elsewhere), 0600) == 0 && QFile::link(elsewhere, store); }},
        {"a dangling link", [&] { return QFile::link(elsewhere, store); }},
        {"a folder", [&] { return QDir().mkpath(store); }},
    };
    for (const auto &[name, make] : rows) {
        ASSERT_TRUE(make()) << name;
        const QFileInfo before(store);
        EXPECT_TRUE(wants(kCoreSync)) << name << ": the default, without blocking";
        EXPECT_FALSE(storePreference(kCoreSync, false)) << name;
        const CtlResult refused = ctl({"set", "includeCoreSync", "false"});
        EXPECT_EQ(refused.status, 1) << name;
        EXPECT_EQ(refused.err, "hushwellctl: couldn't store includeCoreSync in " + store + "\n") << name;
        EXPECT_EQ(QFileInfo(store).isSymLink(), before.isSymLink()) << name << ": left as it was";
        EXPECT_FALSE(QFileInfo(elsewhere).isFile()) << name << ": nothing written through the link";
        QDir(store).removeRecursively();
        QFile::remove(store);
        QFile::remove(elsewhere);
    }
}

TEST_F(Preferences, ALinkToARegularFileIsFollowedAndStaysALink)
{
    const QString store = preferencesLocation();
    const QString dotfiles = QFileInfo(store).path() + "/dotfiles.conf";
    QDir().mkpath(QFileInfo(store).path());
    QFile(dotfiles).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::link(dotfiles, store));
    EXPECT_TRUE(storePreference(kCoreSync, false));
    EXPECT_FALSE(wants(kCoreSync));
    EXPECT_TRUE(QFileInfo(store).isSymLink());
    EXPECT_TRUE(readFile(dotfiles).contains("includeCoreSync=false"));
    QFile::remove(dotfiles);
}

TEST_F(Preferences, AStoreThatCannotBeWrittenKeepsWhatItHad)
{
    ASSERT_TRUE(blockFolder(QFileInfo(preferencesLocation()).path())); // a file where its folder should be
    EXPECT_FALSE(storePreference(kCoreSync, false));
    EXPECT_TRUE(wants(kCoreSync)) << "the refused value is not read back";
    QFile::remove(QFileInfo(preferencesLocation()).path());
}

// Each row: a count output, then what the panel shows for it: status line, detail line,
// whether the dome is lit, and whether the output was a count at all.
TEST(KillPanel, CountOutputsAndWhatTheyShow)
{
    const QString quiet = " | Nothing of Adobe's is running in the background. | dark | counted",
                  one = " | One process is helping itself to your CPU. | lit | counted",
                  several = " | Helping themselves to your CPU. | lit | counted",
                  unread = "Can't check | Couldn't read the list of running processes. | lit | no count";
    const std::pair<const char *, QString> rows[] = {
        {"0", "All quiet" + quiet}, {"-0", "All quiet" + quiet}, {"1", "1 running" + one}, {"+4", "4 running" + several},
        {"007", "7 running" + several}, {"-3", "-3 running" + several},
        {"-9223372036854775808", "-9223372036854775808 running" + several},
        // No count: ps could not be read. Never shown as quiet.
        {"", unread}, {"1 2", unread}, {"1\n2", unread}, {"12a", unread}, {"+-1", unread}, {"9223372036854775808", unread},
        {"\xd9\xa3", unread}, // ARABIC-INDIC DIGIT THREE is no decimal digit here
    };
    for (const auto &[output, shown] : rows) {
        const KillPanel panel = killPanelFor(QString::fromUtf8(output));
        EXPECT_EQ(panel.status + " | " + panel.detail + (panel.live ? " | lit" : " | dark") + (panel.counted ? " | counted" : " | no count"),
                  shown) << output;
    }
}

TEST(Presentation, TheCountsTooltipListsTenProcessesThenHowManyMore)
{
    QString listed;
    for (int pid = 101; pid <= 112; ++pid)
        listed += QStringLiteral("%1 2.5 20480 /opt/adobe/AdobeIPCBroker --type=%1\n").arg(pid);
    QString tip = processListTooltip(parseProcessList(listed + "junk line\n"), targetList());
    EXPECT_TRUE(tip.contains("<td align=\"right\">110</td><td align=\"right\">2.5 %</td><td align=\"right\">20.0 MiB</td>"
                             "<td>AdobeIPCBroker</td>") && !tip.contains(">111<") && tip.endsWith("</table>and 2 more</qt>"))
        << tip.toStdString();
    EXPECT_EQ(processListTooltip({}, targetList()), "");
    EXPECT_EQ(shortProcessName("/usr/bin/sleep 300", targetList()), "sleep");
    EXPECT_EQ(processListLine({4242, 1.5, 204800, "Core Sync --daemon"}), "   4242    1.5%    200.0 MiB  Core Sync --daemon");
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

TEST(Presentation, StartUpAndFontDecisions)
{
    EXPECT_TRUE(noGraphicalSessionMessage(Platform::Linux, {"HOME=/h", "DISPLAY="}).value_or("").contains("graphical session"));
    for (const QStringList &set : {QStringList{"DISPLAY=:0"}, {"WAYLAND_DISPLAY=wayland-0"}, {"QT_QPA_PLATFORM=offscreen"}, {}})
        EXPECT_EQ(noGraphicalSessionMessage(set.isEmpty() ? Platform::MacOS : Platform::Linux, set), std::nullopt) << set.value(0).toStdString();
    EXPECT_EQ(preferredFontFamily(Platform::Linux, {"DejaVu Sans", "Inter"}) + preferredFontFamily(Platform::Linux, {"DejaVu Sans"})
                  + preferredFontFamily(Platform::MacOS, {"Inter"}),
              "Inter") << "Inter where installed, on Linux only";
    EXPECT_EQ(applicationMenuEntries(Platform::MacOS).size() * 10 + applicationMenuEntries(Platform::Linux).size(), 35)
        << "About, a separator, Quit; Hide and its separator on Linux only";
}

using Cli = FreshPreferences;

TEST_F(Cli, UsageErrorsSayOneLineExitTwoAndWriteNothing)
{
    const QList<QStringList> wrong = {
        {}, {"frobnicate"}, {"get", "noSuchKey"}, {"set", "soundEnabled"}, {"set", "soundEnabled", "TRUE"},
        {"set", "soundEnabled", "true", "stray"}, {"status", "stray"}, {"status", "--yaml"}, {"help", "frobnicate"},
        {"show", "nothing-by-that-name"}, {"show", "kill-script", "--platform"}, {"show", "kill-script", "--platform", "windows"},
        {"show", "guard-plist", "--platform", "linux"}, {"show", "guard-units", "--platform", "macos"}};
    for (const QStringList &args : wrong) {
        const CtlResult r = ctl(args);
        EXPECT_TRUE(r.status == 2 && r.err.count('\n') == 1 && r.err.startsWith("hushwellctl: ") && r.out.isEmpty())
            << args.join(' ').toStdString() << ": " << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(preferencesLocation()));
}

TEST_F(Cli, GetSetAndShowGoThroughTheWindowsStoreAndBuilders)
{
    EXPECT_EQ(ctl({"get", "includeCoreSync"}).out, "true\n") << "registered defaults apply";
    EXPECT_EQ(ctl({"set", "includeDesktopService", "false"}).status, 0);
    EXPECT_FALSE(wants(kDesktopService));
    EXPECT_EQ(ctl({"show", "count-command", "--platform", "macos"}).out, countCommand(Platform::MacOS) + '\n');
    EXPECT_EQ(ctl({"show", "--platform", "linux", "kill-script"}).out, killCommand(Platform::Linux) + '\n');
    EXPECT_EQ(ctl({"show", "kill-script", "--platform=macos"}).out, killCommand(Platform::MacOS) + '\n');
    EXPECT_EQ(ctl({"show", "kill-script"}).out, killCommand() + '\n') << "native by default, ends with one line feed";
    EXPECT_EQ(ctl({"show", "guard-script"}).out, guardScriptFor(nativePlatform(), targetList())) << "no second line feed";
    EXPECT_TRUE(ctl({"--help"}).out.contains("\nExit status:\n"));
    EXPECT_EQ(ctl({"help"}).out, ctl({"--help"}).out);
    EXPECT_EQ(ctl({"kill", "--help"}).out, ctl({"help", "kill"}).out);
    EXPECT_TRUE(ctl({"help", "status"}).out.startsWith("Usage: hushwellctl status [--json]\n"));

}

// A count whose scan cannot run prints nothing, which is never read as 0: pgrep missing, or
// failing, or printing something that is no count.
TEST_F(Cli, ACountThatCannotRunIsNeverQuiet)
{
    if (nativePlatform() != Platform::Linux)
        GTEST_SKIP() << "the Linux count runs pgrep";
    QTemporaryDir bin;
    ASSERT_TRUE(QFile::link("/usr/bin/id", bin.path() + "/id"));
    const QByteArray path = qgetenv("PATH");
    const std::pair<const char *, const char *> pgreps[] = {
        {"pgrep missing", nullptr}, {"pgrep counts, then fails with status 3", "echo 0; exit 3"}, {"pgrep fails with status 2", "exit 2"},
        {"pgrep killed", "kill -9 $$"}, {"pgrep prints garbage", "echo garbage"}};
    for (const auto &[name, body] : pgreps) {
        QFile pgrep(bin.path() + "/pgrep");
        pgrep.remove();
        if (body) {
            ASSERT_TRUE(pgrep.open(QIODevice::WriteOnly));
            pgrep.write(QByteArray("#!/bin/sh\n") + body + "\n");
            pgrep.close();
            pgrep.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        }
        qputenv("PATH", QFile::encodeName(bin.path()));
        const CtlResult status = ctl({"status"}), json = ctl({"status", "--json"}), list = ctl({"list"});
        qputenv("PATH", path);
        EXPECT_EQ(status.status, 1) << name;
        EXPECT_EQ(status.out, "Can't check\nCouldn't read the list of running processes.\n") << name;
        EXPECT_TRUE(QJsonDocument::fromJson(json.out.toUtf8())["running"].isNull()) << name;
        EXPECT_EQ(list.status, 1) << name;
        EXPECT_EQ(list.err, "hushwellctl: Couldn't read the list of running processes.\n") << name;
    }
}

// No manager answers in this world (its runtime folder is empty, and no session bus is
// named): the guard commands say so instead of guessing "off".
TEST_F(Cli, WithoutAUserManagerTheGuardCommandsSaySo)
{
    if (nativePlatform() != Platform::Linux)
        GTEST_SKIP() << "launchd always answers";
    for (const char *action : {"status", "start", "stop"}) {
        const CtlResult result = ctl({"guard", action});
        EXPECT_EQ(result.status, 1) << action;
        EXPECT_EQ(result.err, "hushwellctl: no systemd user manager is running for this account\n") << action;
    }
    EXPECT_FALSE(QFile::exists(guardScriptPath())) << "a start without a manager writes nothing";
}

