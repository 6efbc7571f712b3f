#include "support/prelude.h"

// Why processes of this test are not alone in their table; empty when they are.
static QString notIsolatedReason()
{
    if (qEnvironmentVariable("HUSHWELL_ISOLATED") == QLatin1String("1"))
        return {};
    const QString why = qEnvironmentVariable("HUSHWELL_NOT_ISOLATED");
    return why.isEmpty() ? QStringLiteral("not started through tests/support/isolate.sh") : why;
}

// HUSHWELL_REQUIRE_ISOLATION=1 (CI sets it) turns a skip for want of isolation into a
// failure: a green run must have run what matters.
#define SKIP_UNLESS_REQUIRED(why)                                                                 \
    do {                                                                                          \
        if (qEnvironmentVariable("HUSHWELL_REQUIRE_ISOLATION") == QLatin1String("1"))             \
            FAIL() << "isolation is required (HUSHWELL_REQUIRE_ISOLATION=1): " << (why);          \
        GTEST_SKIP() << (why);                                                                    \
    } while (false)

void PrivateProcesses::SetUp()
{
    if (const QString why = notIsolatedReason(); !why.isEmpty())
        SKIP_UNLESS_REQUIRED("needs a process table of its own: " + why.toStdString());
    FreshPreferences::SetUp();
}

bool ManagedHome::startManager(const UserDirs &dirs)
{
    QProcessEnvironment environment;
    for (const auto &[name, value] : {std::pair{"HOME", dirs.home}, {"XDG_CONFIG_HOME", dirs.config}, {"XDG_DATA_HOME", dirs.data},
                                      {"XDG_RUNTIME_DIR", dirs.runtime}, {"PATH", qEnvironmentVariable("PATH")}})
        environment.insert(QLatin1String(name), value);
    manager.setProcessEnvironment(environment);
    manager.setProcessChannelMode(QProcess::MergedChannels);
    manager.setStandardOutputFile(dirs.runtime + QStringLiteral("/manager.log"), QIODevice::Append);
    manager.start(QStringLiteral("/lib/systemd/systemd"), {QStringLiteral("--user")});
    // Reachable, and done starting its default units (the guard's timer among them).
    return waitUntil([this, dirs] {
        return manager.state() != QProcess::NotRunning && QFile::exists(dirs.runtime + QStringLiteral("/systemd/private"))
               && ::system("systemctl --user is-system-running --wait >/dev/null 2>&1;"
                           " systemctl --user show-environment >/dev/null 2>&1") == 0;
    }, 15000);
}

void ManagedHome::stopManager()
{
    if (manager.state() == QProcess::NotRunning)
        return;
    manager.terminate();
    if (!manager.waitForFinished(15000))
        manager.kill();
    manager.waitForFinished();
    QFile::remove(UserDirs::fromEnvironment().runtime + QStringLiteral("/systemd/private"));
}

void ManagedHome::SetUp()
{
    static QString failedBefore; // one manager that cannot start is reason enough for all
    PrivateProcesses::SetUp();
    if (IsSkipped() || HasFatalFailure())
        return;
    QString why = qEnvironmentVariable("HUSHWELL_NO_USER_MANAGER");
    if (why.isEmpty() && (why = failedBefore).isEmpty() && !startManager())
        why = failedBefore = QStringLiteral("systemd --user did not answer within 15 s (see its manager.log)");
    if (!why.isEmpty())
        SKIP_UNLESS_REQUIRED("needs a systemd --user manager of its own: " + why.toStdString());
}

void ManagedHome::TearDown()
{
    if (!IsSkipped()) {
        stopGuard();
        stopManager();
        QDir home(UserDirs::fromEnvironment().home);
        home.removeRecursively() && home.mkpath(QStringLiteral("."));
    }
    PrivateProcesses::TearDown();
}

bool waitUntil(const std::function<bool()> &condition, int ms)
{
    const QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool blockFolder(const QString &path)
{
    QDir(path).removeRecursively();
    QDir().mkpath(QFileInfo(path).path());
    return QFile(path).open(QIODevice::WriteOnly);
}

QString killScriptSafeToRun()
{
    QStringList kept = killCommand().split(QLatin1Char('\n'));
    kept.removeIf([](const QString &line) { return line.contains(QRegularExpression("launchctl|pluginkit|osascript")); });
    return kept.join(QLatin1Char('\n'));
}

FakeTarget::FakeTarget(const QString &commandName, Signals handling, Owner owner)
{
    // An ignored signal stays ignored across exec, which is how the TERM-proof fake is made.
    const QString trap = handling == IgnoreTerm ? QStringLiteral("trap '' TERM; ") : QString();
    QStringList command{QStringLiteral("/bin/bash"), QStringLiteral("-c"), trap + QStringLiteral("exec -a \"$0\" sleep 300"), commandName};
    if (owner == Nobody)
        command = QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")} + command;
    process.start(owner == Nobody ? QStringLiteral("setpriv") : command.takeFirst(), command);
    process.waitForStarted();
    // Ready once exec has put the chosen command line in place, where ps will read it.
    waitUntil([&] {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid()));
        return cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().startsWith(commandName.toUtf8());
    }, 5000);
}

CtlResult ctl(const QStringList &args)
{
    CtlResult result;
    QTextStream out(&result.out), err(&result.err);
    result.status = runCli(args, out, err);
    out.flush();
    err.flush();
    return result;
}

// The one main of every test program: its own folders first, then the tests. Exits 77,
// which CTest reports as skipped, when every test that ran was skipped.
int main(int argc, char **argv)
{
    QTemporaryDir world;
    for (const auto &[variable, folder] : {std::pair{"HOME", "/home"}, {"XDG_CONFIG_HOME", "/home/.config"},
                                          {"XDG_DATA_HOME", "/home/.local/share"}, {"XDG_CACHE_HOME", "/home/.cache"},
                                          {"XDG_STATE_HOME", "/home/.local/state"}, {"XDG_RUNTIME_DIR", "/run"}}) {
        QDir().mkpath(world.path() + QLatin1String(folder));
        qputenv(variable, QFile::encodeName(world.path() + QLatin1String(folder)));
    }
    QFile::setPermissions(world.path() + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // systemctl --user that finds no manager in the runtime folder falls back to the session
    // bus, which in a desktop session is the account's own: a test must never reach it.
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
#ifdef HUSHWELL_WIDGET_TESTS
    // A desktop-sized screen (offscreen's own is 800 x 600, too small for the open drawer).
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" HUSHWELL_OFFSCREEN_CONFIG);
    chooseMediaBackend();
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    const int failed = RUN_ALL_TESTS();
    const ::testing::UnitTest &unit = *::testing::UnitTest::GetInstance();
    // CTest shows a program with some cases skipped as passed: name each skipped case and
    // its reason, for scripts/dev.sh to list at the end of the run.
    for (int i = 0; i < unit.total_test_suite_count(); ++i)
        for (int j = 0; j < unit.GetTestSuite(i)->total_test_count(); ++j) {
            const ::testing::TestInfo &test = *unit.GetTestSuite(i)->GetTestInfo(j);
            if (!test.should_run() || !test.result()->Skipped())
                continue;
            std::string why;
            for (int k = 0; k < test.result()->total_part_count(); ++k)
                if (test.result()->GetTestPartResult(k).skipped())
                    why = test.result()->GetTestPartResult(k).message();
            std::printf("hushwell-skipped: %s.%s: %s\n", test.test_suite_name(), test.name(), why.c_str());
        }
    return failed == 0 && unit.test_to_run_count() > 0 && unit.skipped_test_count() == unit.test_to_run_count() ? 77 : failed;
}
