#include "FakeBus.h"

#include "platform/ScreenLockMonitor.h"

#include <QDBusConnection>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace tavik;
using tavik::test::Fake;

namespace {

class ScreenLockTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        m_monitor.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("lock-test-system"));
        QDBusConnection::disconnectFromBus(QStringLiteral("lock-test-session"));
    }

    // A new monitor on fresh connections, so no subscription of an earlier one lingers.
    void watch(Fake& fake)
    {
        TearDown();
        m_heard.clear();
        m_monitor = std::make_unique<ScreenLockMonitor>(
            QDBusConnection::connectToBus(m_system.address, QStringLiteral("lock-test-system")),
            QDBusConnection::connectToBus(m_session.address, QStringLiteral("lock-test-session")));
        QObject::connect(m_monitor.get(), &ScreenLockMonitor::lockedChanged, [this](bool locked) { m_heard.push_back(locked); });
        m_monitor->start();
        // Asked only once listening: after these answers no signal can slip past.
        ASSERT_TRUE(fake.waitFor(QStringLiteral("answered LockedHint")));
        ASSERT_TRUE(fake.waitFor(QStringLiteral("answered GetActive"), 3));
    }

    bool heard(std::size_t count)
    {
        return QTest::qWaitFor([&] { return m_heard.size() >= count; }, test::kBusWaitMs);
    }

    test::Bus m_system;
    test::Bus m_session;
    std::unique_ptr<ScreenLockMonitor> m_monitor;
    std::vector<bool> m_heard;
};

// Each source is read at start and followed; wrong types count for nothing, a sane word after them does;
// without GetSessionByPID the session is XDG_SESSION_ID's, else logind's "auto" one.
TEST_F(ScreenLockTest, EachSourceIsReadAtStartAndWrongTypesAreIgnored)
{
    const QByteArray savedId = qgetenv("XDG_SESSION_ID");
    for (const QByteArray source : {"hint", "saver", "gnome"}) {
        SCOPED_TRACE(source.toStdString());
        qputenv("XDG_SESSION_ID", source == "hint" ? "c1" : "");
        Fake fake;
        ASSERT_TRUE(fake.start({"--system", m_system.address, "--session", m_session.address, "--garbage",
                                QString::fromLatin1("--" + source), "true"}));
        watch(fake);
        ASSERT_TRUE(fake.send(source + " true"));
        ASSERT_TRUE(fake.send("sane"));
        ASSERT_TRUE(fake.send(source + " false"));
        // An unlocked start is not announced.
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_monitor->isLocked() == false; }, test::kBusWaitMs));
        EXPECT_TRUE(m_heard.empty());
        ASSERT_TRUE(fake.send(source + " true"));
        ASSERT_TRUE(heard(1));
        EXPECT_EQ(m_heard, std::vector<bool>{true});
        watch(fake); // a session that starts locked is locked
        ASSERT_TRUE(heard(1));
        EXPECT_EQ(m_monitor->isLocked(), true);
    }
    qputenv("XDG_SESSION_ID", savedId);
}

} // namespace
