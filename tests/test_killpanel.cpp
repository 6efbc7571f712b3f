#include "process/killpanel.h"

#include <gtest/gtest.h>

namespace {

const QString quietDetail = QStringLiteral("Nothing of Adobe's is running in the background.");

TEST(KillPanel, CountOutputsAndWhatTheyShow)
{
    struct Row {
        const char *output;
        bool running;
        const char *status;
        const char *detail;
    };
    const char *several = "Helping themselves to your CPU.";
    const Row rows[] = {
        {"0", false, "All quiet", nullptr},
        {"", false, "All quiet", nullptr},
        {"1", true, "1 running", "One process is helping itself to your CPU."},
        {"2", true, "2 running", several},
        {"+4", true, "4 running", several},
        {"007", true, "7 running", several},
        {"-0", false, "All quiet", nullptr},
        {"-3", true, "-3 running", several},
        {"1 2", false, "All quiet", nullptr},
        {"1\n2", false, "All quiet", nullptr},
        {"12a", false, "All quiet", nullptr},
        {"abc", false, "All quiet", nullptr},
        {"-", false, "All quiet", nullptr},
        {"+", false, "All quiet", nullptr},
        {"+-1", false, "All quiet", nullptr},
        {"\xd9\xa3", false, "All quiet", nullptr}, // ARABIC-INDIC DIGIT THREE is no decimal digit here
        {"9223372036854775807", true, "9223372036854775807 running", several},
        {"9223372036854775808", false, "All quiet", nullptr},
        {"-9223372036854775808", true, "-9223372036854775808 running", several},
        {"-9223372036854775809", false, "All quiet", nullptr},
        {"00000000000000000000000000000000000005", true, "5 running", several},
    };
    for (const Row &row : rows) {
        const KillPanel panel = killPanelFor(QString::fromUtf8(row.output));
        EXPECT_EQ(panel.running, row.running) << row.output;
        EXPECT_EQ(panel.status, QString::fromUtf8(row.status)) << row.output;
        EXPECT_EQ(panel.detail, row.detail ? QString::fromUtf8(row.detail) : quietDetail) << row.output;
    }
}

} // namespace
