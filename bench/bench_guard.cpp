// One guard cycle's CPU time, and how long a respawning target lives under the guard.
// Run inside tests/support/private-systemd.sh (bench/run.sh does), which gives it its own
// systemd --user manager.
#include "guard/guardcontrol.h"
#include "guard/guardfiles.h"
#include "process/preferences.h"
#include "process/shell.h"
#include "support/faketarget.h"
#include "support/usermanager.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

double childCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main()
{
    if (!UserManager::unavailableReason().isEmpty()) {
        std::printf("guard benchmark skipped: %s\n", qPrintable(UserManager::unavailableReason()));
        return 0;
    }
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    registerDefaultPreferences(); // both optional groups on: 17 targets
    UserManager manager;
    if (!manager.start() || !startGuard()) {
        std::printf("guard benchmark: could not start the guard\n");
        return 1;
    }

    // The script as the service runs it (ExecStart=/bin/sh PATH), measured by rusage.
    std::vector<double> cpu;
    for (int i = 0; i < 5; ++i) {
        const double before = childCpuSeconds();
        shell(QStringLiteral("/bin/sh '") + guardScriptPath() + QStringLiteral("'"));
        cpu.push_back((childCpuSeconds() - before) * 1000);
    }
    std::sort(cpu.begin(), cpu.end());
    std::printf("guard cycle (17 targets): median %.1f ms CPU, max %.1f ms (goal <= 100 ms)\n", cpu[2], cpu[4]);

    // A target that respawns as soon as it dies, as Adobe's agents do.
    std::vector<double> lifetimes;
    for (int i = 0; i < 10; ++i) {
        QElapsedTimer timer;
        timer.start();
        FakeTarget target(QStringLiteral("AdobeIPCBroker --respawn"));
        if (!target.diesWithin(60)) {
            std::printf("a target outlived the guard by 60 s\n");
            break;
        }
        lifetimes.push_back(timer.elapsed() / 1000.0);
    }
    std::sort(lifetimes.begin(), lifetimes.end());
    if (!lifetimes.empty())
        std::printf("start to death under the guard over %zu respawns: median %.2f s, max %.2f s (goal: max <= 17 s)\n",
                    lifetimes.size(), lifetimes[lifetimes.size() / 2], lifetimes.back());
    stopGuard();
    return 0;
}
