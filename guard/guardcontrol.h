#pragma once

#include <QString>

// Installs, probes and removes the guard with the native service manager. Each blocks
// until its commands have finished and judges the outcome only by a final probe.

// True when the guard's job is loaded (probe answers exactly "yes").
bool guardRunning();

// Writes the guard files for the current target list and (re)loads the job. False when a
// file could not be written (then no service-manager command runs) or the job is not
// loaded afterwards.
bool startGuard();

// Unloads the job and deletes the service manager's files; the script stays on disk.
// True when the job is no longer loaded.
bool stopGuard();
