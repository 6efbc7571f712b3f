#include "process/killpanel.h"

#include <gtest/gtest.h>

namespace {

TEST(KillPanel, CountOutputsAndWhatTheyShow)
{
    const char *quiet = "Nothing of Adobe's is running in the background.";
    const char *one = "One process is helping itself to your CPU.";
    const char *several = "Helping themselves to your CPU.";
    const char *unread = "Couldn't read the list of running processes.";
    struct Row {
        const char *output;
        bool live, counted;
        const char *status, *detail;
    };
    const Row rows[] = {
        {"0", false, true, "All quiet", quiet},
        {"-0", false, true, "All quiet", quiet},
        {"1", true, true, "1 running", one},
        {"2", true, true, "2 running", several},
        {"+4", true, true, "4 running", several},
        {"007", true, true, "7 running", several},
        {"-3", true, true, "-3 running", several},
        {"9223372036854775807", true, true, "9223372036854775807 running", several},
        {"-9223372036854775808", true, true, "-9223372036854775808 running", several},
        {"00000000000000000000000000000000000005", true, true, "5 running", several},
        // No count: ps could not be read. Never shown as quiet.
        {"", true, false, "Can't check", unread},
        {"1 2", true, false, "Can't check", unread},
        {"1\n2", true, false, "Can't check", unread},
        {"12a", true, false, "Can't check", unread},
        {"-", true, false, "Can't check", unread},
        {"+-1", true, false, "Can't check", unread},
        {"\xd9\xa3", true, false, "Can't check", unread}, // ARABIC-INDIC DIGIT THREE is no decimal digit here
        {"9223372036854775808", true, false, "Can't check", unread},
        {"-9223372036854775809", true, false, "Can't check", unread},
    };
    for (const Row &row : rows) {
        const KillPanel panel = killPanelFor(QString::fromUtf8(row.output));
        EXPECT_EQ(panel.live, row.live) << row.output;
        EXPECT_EQ(panel.counted, row.counted) << row.output;
        EXPECT_EQ(panel.status, QString::fromUtf8(row.status)) << row.output;
        EXPECT_EQ(panel.detail, QString::fromUtf8(row.detail)) << row.output;
    }
}

} // namespace
