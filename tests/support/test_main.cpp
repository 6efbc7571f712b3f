#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

namespace {

// Every test process gets its own HOME and XDG folders, so no test ever reads or writes
// the real account's preferences or guard files.
class TemporaryHome : public ::testing::Environment
{
public:
    void SetUp() override
    {
        dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(dir->isValid());
        const QString root = dir->path();
        setenv("HOME", QFile::encodeName(root + "/home").constData(), 1);
        for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
            unsetenv(name);
        QDir().mkpath(root + "/home");
    }
    void TearDown() override { dir.reset(); }

private:
    std::unique_ptr<QTemporaryDir> dir;
};

} // namespace

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new TemporaryHome);
    return RUN_ALL_TESTS();
}
