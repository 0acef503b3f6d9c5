#include "app/QuitSignals.h"
#include "app/Shutdown.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <optional>

using namespace tavik;

namespace {

// The program's steps as a log, with the sound's end and the write's outcome set by the test.
class ShutdownSteps : public ::testing::Test {
protected:
    QStringList log;
    bool soundDone = false;
    bool writes = true;
    std::optional<int> exitStatus;
    int exits = 0;
    Shutdown shutdown{{[this] { log << QStringLiteral("hide"); },
                       [this] { log << QStringLiteral("fade"); },
                       [this] { return soundDone; },
                       [this] {
                           log << QStringLiteral("write");
                           return writes;
                       }},
                      [this](int status) {
                          exitStatus = status;
                          ++exits;
                      }};

    // Runs the event loop until the program would have ended, or for `longest`.
    void runFor(std::chrono::milliseconds longest)
    {
        const QDeadlineTimer deadline(longest);
        while (!exitStatus && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
};

} // namespace

TEST_F(ShutdownSteps, HidesWritesFadesThenEndsOnceTheSoundIsOver)
{
    shutdown.request();
    EXPECT_TRUE(log.isEmpty()) << "nothing happens inside the caller";
    EXPECT_TRUE(shutdown.isUnderway());
    runFor(Shutdown::kSoundPoll * 5);
    EXPECT_EQ(log, QStringList({"hide", "write", "fade"}));
    EXPECT_FALSE(exitStatus) << "waits for the fade";

    soundDone = true;
    runFor(std::chrono::seconds(1));
    EXPECT_EQ(exitStatus, 0);
    EXPECT_EQ(log.count(QStringLiteral("write")), 2) << "changes made during the fade are written too";

    shutdown.request();
    runFor(Shutdown::kSoundPoll * 3);
    EXPECT_EQ(exits, 1);
}

TEST_F(ShutdownSteps, ASecondRequestEndsAtOnceAndAFailedWriteIsNoSuccess)
{
    writes = false;
    shutdown.request();
    shutdown.request();
    runFor(Shutdown::kSoundPoll * 3);
    EXPECT_EQ(exitStatus, 1);
    EXPECT_EQ(log.front(), QStringLiteral("hide"));
}

TEST_F(ShutdownSteps, ASoundDeviceThatNeverFinishesDoesNotKeepTheProgram)
{
    shutdown.request();
    runFor(Shutdown::kLongestSoundWait * 3);
    EXPECT_EQ(exitStatus, 0);
}

// SIGTERM and SIGINT end the program in lifecycle-e2e.sh; a SIGINT ignored at start (a background
// job's) stays ignored.
TEST(QuitSignalsTest, ASignalIgnoredAtStartStaysIgnored)
{
    const auto previous = std::signal(SIGINT, SIG_IGN);
    bool received = false;
    {
        QuitSignals quitSignals;
        ASSERT_TRUE(quitSignals.install());
        QObject::connect(&quitSignals, &QuitSignals::received, [&] { received = true; });
        std::raise(SIGINT);
        QCoreApplication::processEvents();
    }
    EXPECT_FALSE(received);
    std::signal(SIGINT, previous);
}
