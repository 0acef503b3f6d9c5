#include "app/QuitSignals.h"
#include "app/Shutdown.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>

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
    QElapsedTimer clock;
    clock.start();
    shutdown.request();
    runFor(Shutdown::kLongestSoundWait * 3);
    EXPECT_EQ(exitStatus, 0);
    EXPECT_GE(clock.elapsed(), Shutdown::kLongestSoundWait.count());
}

// Each signal reaches the event loop; one ignored at start (a background job's SIGINT) stays
// ignored; the old actions come back afterwards.
TEST(QuitSignalsTest, DeliverOnTheEventLoopAndLeaveIgnoredOnesAlone)
{
    struct Case {
        int signal;
        bool ignoredBefore;
    };
    for (const Case c : {Case{SIGTERM, false}, Case{SIGINT, false}, Case{SIGINT, true}}) {
        SCOPED_TRACE(testing::Message() << "signal " << c.signal << (c.ignoredBefore ? " ignored before" : ""));
        const auto previous = std::signal(c.signal, c.ignoredBefore ? SIG_IGN : SIG_DFL);
        std::optional<int> received;
        {
            QuitSignals quitSignals;
            ASSERT_TRUE(quitSignals.install());
            EXPECT_FALSE(QuitSignals().install()) << "one at a time";
            QObject::connect(&quitSignals, &QuitSignals::received, [&](int s) { received = s; });
            std::raise(c.signal);
            const QDeadlineTimer deadline(1000);
            while (!received && !deadline.hasExpired() && !c.ignoredBefore)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QCoreApplication::processEvents();
            EXPECT_EQ(received, c.ignoredBefore ? std::nullopt : std::optional<int>(c.signal));
        }
        EXPECT_EQ(std::signal(c.signal, previous), c.ignoredBefore ? SIG_IGN : SIG_DFL);
    }
}
