#include "platform/ScreenLockMonitor.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

using tavik::LockerSight;
using tavik::ScreenLockerProbe;
using tavik::ScreenLockMonitor;

namespace {

constexpr int waitMs = 5000;

// A private bus daemon, stopped with the test.
class Bus {
public:
    Bus()
    {
        m_daemon.start(QStringLiteral("dbus-daemon"), {"--session", "--print-address", "--nofork"});
        if (m_daemon.waitForReadyRead(waitMs))
            m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~Bus()
    {
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
    [[nodiscard]] const QString& address() const { return m_address; }

private:
    QProcess m_daemon;
    QString m_address;
};

// The fake logind and screen savers, driven through their stdin.
class Fake {
public:
    bool start(const QStringList& arguments)
    {
        m_process.start(QStringLiteral(TAVIK_FAKE_SESSION_SERVICES), arguments);
        return waitFor(QStringLiteral("ready"));
    }
    ~Fake()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    void send(const char* command) { m_process.write(QByteArray(command) + '\n'); }
    // Until the fake has printed the line `count` times, the event loop turning meanwhile.
    bool waitFor(const QString& line, int count = 1)
    {
        return QTest::qWaitFor([&] {
            m_output += QString::fromUtf8(m_process.readAllStandardOutput());
            return m_output.split(QLatin1Char('\n')).count(line) >= count;
        }, waitMs);
    }

private:
    QProcess m_process;
    QString m_output;
};

// A screen the test arranges: what a look finds, and how many looks were made.
struct Screen {
    LockerSight sight = LockerSight::none;
    int looks = 0;
    std::function<void()> windowsChanged;

    void show(LockerSight now)
    {
        sight = now;
        if (windowsChanged)
            windowsChanged();
    }
};

class FakeProbe final : public ScreenLockerProbe {
public:
    explicit FakeProbe(Screen& screen) : m_screen(screen) {}
    LockerSight look() override
    {
        ++m_screen.looks;
        return m_screen.sight;
    }
    void setWindowsChangedHandler(std::function<void()> handler) override { m_screen.windowsChanged = std::move(handler); }

private:
    Screen& m_screen;
};

class ScreenLockTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_system.address().isEmpty() || m_session.address().isEmpty()); }
    void TearDown() override
    {
        m_monitor.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("lock-test-system"));
        QDBusConnection::disconnectFromBus(QStringLiteral("lock-test-session"));
    }

    QStringList busArguments() const { return {"--system", m_system.address(), "--session", m_session.address()}; }

    void startMonitor(std::unique_ptr<ScreenLockerProbe> probe = nullptr)
    {
        // A new monitor gets fresh connections, so no subscription of an earlier one lingers.
        TearDown();
        m_heard.clear();
        m_monitor = std::make_unique<ScreenLockMonitor>(
            QDBusConnection::connectToBus(m_system.address(), QStringLiteral("lock-test-system")),
            QDBusConnection::connectToBus(m_session.address(), QStringLiteral("lock-test-session")), std::move(probe));
        QObject::connect(m_monitor.get(), &ScreenLockMonitor::lockedChanged, [this](bool locked) { m_heard.push_back(locked); });
        m_monitor->start();
    }

    bool waitForHeard(std::size_t count)
    {
        return QTest::qWaitFor([&] { return m_heard.size() >= count; }, waitMs);
    }
    bool waitForState(bool locked)
    {
        return QTest::qWaitFor([&] { return m_monitor->isLocked() == locked; }, waitMs);
    }

    Bus m_system;
    Bus m_session;
    std::unique_ptr<ScreenLockMonitor> m_monitor;
    std::vector<bool> m_heard;
};

TEST_F(ScreenLockTest, ASessionThatStartsLockedIsReportedLocked)
{
    for (const char* source : {"--hint", "--saver", "--gnome"}) {
        SCOPED_TRACE(source);
        Fake fake;
        ASSERT_TRUE(fake.start(busArguments() << source << "true"));
        startMonitor();
        ASSERT_TRUE(waitForHeard(1));
        EXPECT_EQ(m_heard, std::vector<bool>{true});
        EXPECT_EQ(m_monitor->isLocked(), true);
    }
}

TEST_F(ScreenLockTest, FollowsTheLastWordOfAnySource)
{
    Fake fake;
    ASSERT_TRUE(fake.start(busArguments()));
    startMonitor();
    // Asked only once listening: after these answers no signal can slip past.
    ASSERT_TRUE(fake.waitFor(QStringLiteral("answered LockedHint")));
    ASSERT_TRUE(fake.waitFor(QStringLiteral("answered GetActive"), 3));
    // An unlocked start is known but not announced.
    ASSERT_TRUE(waitForState(false));
    EXPECT_TRUE(m_heard.empty());

    fake.send("hint true");
    ASSERT_TRUE(waitForHeard(1));
    // Repeats of the same state (from any source) are no change.
    fake.send("hint true");
    fake.send("saver true");
    // logind's request to unlock ends the lock.
    fake.send("unlock");
    ASSERT_TRUE(waitForHeard(2));
    fake.send("saver true");
    ASSERT_TRUE(waitForHeard(3));
    // A different source may end what another started.
    fake.send("gnome false");
    ASSERT_TRUE(waitForHeard(4));
    fake.send("hint true");
    ASSERT_TRUE(waitForHeard(5));
    fake.send("hint false");
    ASSERT_TRUE(waitForHeard(6));
    EXPECT_EQ(m_heard, (std::vector<bool>{true, false, true, false, true, false}));
}

TEST_F(ScreenLockTest, LogindsLockRequestCountsOnlyWhileALockerHoldsTheScreen)
{
    Fake fake;
    ASSERT_TRUE(fake.start(busArguments()));
    Screen screen;
    startMonitor(std::make_unique<FakeProbe>(screen));
    ASSERT_TRUE(fake.waitFor(QStringLiteral("answered LockedHint")));
    ASSERT_TRUE(waitForState(false));

    // A locker without any request is someone else's full-screen window.
    screen.show(LockerSight::window);
    QTest::qWait(300);
    EXPECT_TRUE(m_heard.empty());
    screen.show(LockerSight::none);

    // Nobody takes the screen: no lock.
    fake.send("lock");
    ASSERT_TRUE(QTest::qWaitFor([&] { return screen.looks >= 2; }, waitMs)); // it does look, more than once
    EXPECT_TRUE(m_heard.empty());

    // A locker window comes and goes: its events tell.
    screen.show(LockerSight::window);
    ASSERT_TRUE(waitForHeard(1));
    const int looks = screen.looks;
    QTest::qWait(2 * int(tavik::LockConfirmation::kRequestLookMs));
    EXPECT_EQ(screen.looks, looks); // nothing is polled while a window holds
    screen.show(LockerSight::none);
    ASSERT_TRUE(waitForHeard(2));

    // A locker that only grabs the keyboard is found by looking, and so is its end.
    screen.sight = LockerSight::none;
    const int looksBefore = screen.looks;
    fake.send("lock");
    ASSERT_TRUE(QTest::qWaitFor([&] { return screen.looks > looksBefore + 1; }, waitMs));
    screen.sight = LockerSight::grab;
    ASSERT_TRUE(waitForHeard(3));
    screen.sight = LockerSight::none;
    ASSERT_TRUE(waitForHeard(4));
    EXPECT_EQ(m_heard, (std::vector<bool>{true, false, true, false}));
}

TEST_F(ScreenLockTest, WithoutServicesNothingIsReported)
{
    startMonitor();
    m_monitor->start();
    // Buses that are not there at all.
    ScreenLockMonitor detached(QDBusConnection(QStringLiteral("no-such-bus")), QDBusConnection(QStringLiteral("no-bus")));
    detached.start();
    QTest::qWait(300);
    EXPECT_TRUE(m_heard.empty());
    EXPECT_FALSE(m_monitor->isLocked().has_value());
    EXPECT_FALSE(detached.isLocked().has_value());
}

TEST_F(ScreenLockTest, AnswersAndSignalsOfTheWrongTypeAreIgnored)
{
    {
        SCOPED_TRACE("logind");
        // GetSessionByPID answers a string, so the session is found through XDG_SESSION_ID.
        const QByteArray savedId = qgetenv("XDG_SESSION_ID");
        qputenv("XDG_SESSION_ID", "c1");
        Fake fake;
        ASSERT_TRUE(fake.start({"--system", m_system.address(), "--garbage", "--hint", "true"}));
        startMonitor();
        ASSERT_TRUE(fake.waitFor(QStringLiteral("answered LockedHint")));
        fake.send("hint true");
        fake.send("sane");
        fake.send("hint false");
        ASSERT_TRUE(waitForState(false));
        EXPECT_TRUE(m_heard.empty());
        fake.send("hint true");
        ASSERT_TRUE(waitForHeard(1));
        EXPECT_EQ(m_heard, std::vector<bool>{true});
        qputenv("XDG_SESSION_ID", savedId);
    }
    {
        SCOPED_TRACE("screen savers");
        Fake fake;
        ASSERT_TRUE(fake.start({"--session", m_session.address(), "--garbage", "--saver", "true", "--gnome", "true"}));
        startMonitor();
        ASSERT_TRUE(fake.waitFor(QStringLiteral("answered GetActive"), 3));
        fake.send("saver true");
        fake.send("sane");
        fake.send("saver false");
        ASSERT_TRUE(waitForState(false));
        EXPECT_TRUE(m_heard.empty());
        fake.send("gnome true");
        ASSERT_TRUE(waitForHeard(1));
        EXPECT_EQ(m_heard, std::vector<bool>{true});
    }
}

} // namespace
