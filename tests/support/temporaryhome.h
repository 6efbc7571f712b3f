#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <memory>

// Gives the test process its own HOME and clears the XDG folders, so no test ever reads
// or writes the real account's preferences or guard files.
class TemporaryHome : public ::testing::Environment
{
public:
    void SetUp() override;
    void TearDown() override;

private:
    std::unique_ptr<QTemporaryDir> dir;
};

// Runs the event loop until `condition` holds or `ms` pass; returns the condition.
bool waitUntil(const std::function<bool()> &condition, int ms = 10000);

// Puts a plain file where the folder `path` should be (removing the folder first), so that
// no write below it can succeed, even as root. True when the file is in place.
bool blockFolder(const QString &path);
