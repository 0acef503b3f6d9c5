#include "platform/PowerSources.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <utility>

namespace tavik {
namespace {

using Attributes = std::initializer_list<std::pair<const char*, QByteArray>>;

// Lays out one supply of a power_supply folder: a directory of one-line attribute files.
void writeSupply(const QString& root, const QString& name, Attributes attributes)
{
    QDir(root).mkpath(name);
    for (const auto& [attribute, text] : attributes) {
        QFile file(root + u'/' + name + u'/' + QLatin1String(attribute));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text + '\n');
    }
}

class PowerSupplyFolderTest : public ::testing::Test {
protected:
    [[nodiscard]] std::optional<BatteryReading> read() const { return readPowerSupplyFolder(root.path()); }

    QTemporaryDir root;
};

TEST_F(PowerSupplyFolderTest, ChargeFromCapacityEnergyOrChargeCounters)
{
    writeSupply(root.path(), "BAT0", {{"type", "Battery"}, {"present", "1"}, {"capacity", "57"}, {"energy_now", "1"}, {"energy_full", "4"}});
    ASSERT_TRUE(read());
    EXPECT_DOUBLE_EQ(read()->percent, 57) << "the kernel's own percentage comes first";

    writeSupply(root.path(), "BAT0", {{"capacity", "many"}});
    EXPECT_DOUBLE_EQ(read()->percent, 25);

    QFile::remove(root.filePath("BAT0/energy_full"));
    writeSupply(root.path(), "BAT0", {{"charge_now", "3000"}, {"charge_full", "4000"}});
    EXPECT_DOUBLE_EQ(read()->percent, 75);

    // An old battery's charge may exceed its last full capacity.
    writeSupply(root.path(), "BAT0", {{"charge_now", "4400"}});
    EXPECT_DOUBLE_EQ(read()->percent, 100);
}

TEST_F(PowerSupplyFolderTest, TwoBatteriesAreOneStoreOfEnergy)
{
    writeSupply(root.path(), "BAT0", {{"type", "Battery"}, {"capacity", "50"}, {"energy_now", "10"}, {"energy_full", "20"}});
    writeSupply(root.path(), "BAT1", {{"type", "Battery"}, {"capacity", "90"}, {"energy_now", "90"}, {"energy_full", "100"}});
    ASSERT_TRUE(read());
    EXPECT_NEAR(read()->percent, 100.0 * 100 / 120, 1e-9);

    // Without a unit common to both, the percentages are averaged.
    QFile::remove(root.filePath("BAT1/energy_full"));
    EXPECT_DOUBLE_EQ(read()->percent, 70);
}

TEST_F(PowerSupplyFolderTest, MainsFromAdaptersElseFromBatteryStatus)
{
    writeSupply(root.path(), "BAT0", {{"type", "Battery"}, {"capacity", "40"}, {"status", "Charging"}});
    EXPECT_TRUE(read()->charging) << "no adapter: the battery's status tells";
    writeSupply(root.path(), "BAT0", {{"status", "Discharging"}});
    EXPECT_FALSE(read()->charging);

    writeSupply(root.path(), "AC", {{"type", "Mains"}, {"online", "1"}});
    EXPECT_TRUE(read()->charging);
    writeSupply(root.path(), "AC", {{"online", "0"}});
    writeSupply(root.path(), "BAT0", {{"status", "Full"}});
    EXPECT_FALSE(read()->charging) << "an adapter that says offline outweighs the status";
    writeSupply(root.path(), "ucsi-source-psy-1", {{"type", "USB"}, {"online", "1"}});
    EXPECT_TRUE(read()->charging);
}

TEST_F(PowerSupplyFolderTest, UnusableBatteriesAreSkippedAndGarbageIsNoReading)
{
    EXPECT_FALSE(readPowerSupplyFolder(root.filePath("missing")));
    EXPECT_FALSE(read());

    writeSupply(root.path(), "AC", {{"type", "Mains"}, {"online", "1"}});
    writeSupply(root.path(), "hidpp_battery_0", {{"type", "Battery"}, {"scope", "Device"}, {"capacity", "5"}});
    writeSupply(root.path(), "BAT1", {{"type", "Battery"}, {"present", "0"}, {"capacity", "5"}});
    EXPECT_FALSE(read()) << "a mouse's battery or an empty bay is not the machine's";

    writeSupply(root.path(), "BAT0", {{"type", "Battery"}, {"energy_now", "10"}, {"energy_full", "0"}, {"charge_now", "10"}});
    EXPECT_FALSE(read()) << "zero and missing full capacities";
    writeSupply(root.path(), "BAT0", {{"capacity", "-3"}, {"energy_full", "ten"}});
    EXPECT_FALSE(read());
    writeSupply(root.path(), "BAT0", {{"capacity", QByteArray("4\0" "2", 3)}});
    EXPECT_FALSE(read());

    writeSupply(root.path(), "BAT0", {{"capacity", " 42 "}});
    ASSERT_TRUE(read());
    EXPECT_DOUBLE_EQ(read()->percent, 42);
}

// A private bus with the fake UPower and profile services on it, driven line by line.
class SystemPowerSourceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(runtime.isValid());
        QFile config(runtime.filePath("bus.conf"));
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write(QStringLiteral(R"(<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <policy context="default"><allow send_destination="*"/><allow eavesdrop="true"/><allow own="*"/></policy>
</busconfig>)")
                         .arg(runtime.path())
                         .toUtf8());
        config.close();
        daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--print-address"), QStringLiteral("--nofork")});
        ASSERT_TRUE(daemon.waitForStarted()) << "dbus-daemon is missing";
        ASSERT_TRUE(QTest::qWaitFor([&] { return daemon.canReadLine(); }, 10'000));
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        const QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("power-test"));
        ASSERT_TRUE(bus.isConnected());
    }

    void TearDown() override
    {
        source.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("power-test"));
        if (fake.state() != QProcess::NotRunning) {
            fake.write("quit\n");
            if (!fake.waitForFinished(5000))
                fake.kill();
        }
        daemon.kill();
        daemon.waitForFinished();
    }

    void startFake(QStringList options = {})
    {
        fake.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        fake.start(QStringLiteral(TAVIK_FAKE_POWER_SERVICES), QStringList{address} + options);
        ASSERT_EQ(answer(), "ready");
    }

    void tell(const char* command)
    {
        fake.write(QByteArray(command) + '\n');
        ASSERT_EQ(answer(), "ok") << command;
    }

    QByteArray answer()
    {
        if (!QTest::qWaitFor([&] { return fake.canReadLine(); }, 10'000))
            return "no answer";
        return fake.readLine().trimmed();
    }

    void startSource()
    {
        source = makeSystemPowerSource(QDBusConnection(QStringLiteral("power-test")), supplies.path());
        source->start();
    }

    // Answers come over the bus, so the test waits (within a generous limit) for them.
    [[nodiscard]] bool eventually(const std::function<bool()>& condition) const
    {
        return QTest::qWaitFor(condition, 10'000);
    }

    [[nodiscard]] bool readsBattery(double percent, bool charging) const
    {
        const auto reading = source->batteryState();
        return reading && reading->percent == percent && reading->charging == charging;
    }

    QTemporaryDir runtime;
    QTemporaryDir supplies;
    QProcess daemon;
    QProcess fake;
    QString address;
    std::unique_ptr<PowerSource> source;
};

TEST_F(SystemPowerSourceTest, FollowsUPowerDisplayDeviceAndPowerProfile)
{
    // A battery in the fallback folder must not be read while UPower answers.
    writeSupply(supplies.path(), "BAT0", {{"type", "Battery"}, {"capacity", "77"}});
    startFake();
    startSource();
    EXPECT_TRUE(eventually([&] { return source->powerSaverProfile() == false; }));
    EXPECT_FALSE(source->batteryState()) << "a display device with nothing present";

    int notifications = 0;
    QObject::connect(source.get(), &PowerSource::changed, [&] { ++notifications; });
    tell("battery 15 discharging");
    EXPECT_TRUE(eventually([&] { return readsBattery(15, false); }));
    EXPECT_GT(notifications, 0);
    tell("plug");
    EXPECT_TRUE(eventually([&] { return readsBattery(15, true); }));

    tell("profile power-saver");
    EXPECT_TRUE(eventually([&] { return source->powerSaverProfile() == true; }));

    tell("garbage");
    EXPECT_TRUE(eventually([&] { return !source->batteryState(); }));
    tell("nobattery");
    EXPECT_TRUE(eventually([&] { return !source->batteryState(); }));

    tell("drop-profiles");
    EXPECT_TRUE(eventually([&] { return !source->powerSaverProfile(); }));
}

TEST_F(SystemPowerSourceTest, OlderProfileServiceNameAnswersWithoutUPower)
{
    startFake({QStringLiteral("--no-upower"), QStringLiteral("--legacy-profiles-only")});
    tell("profile power-saver");
    startSource();
    EXPECT_TRUE(eventually([&] { return source->powerSaverProfile() == true; }));
    EXPECT_FALSE(source->batteryState()) << "an empty fallback folder";
}

TEST_F(SystemPowerSourceTest, WithoutUPowerReadsTheFolderUntilUPowerAppears)
{
    writeSupply(supplies.path(), "BAT0", {{"type", "Battery"}, {"capacity", "42"}, {"status", "Discharging"}});
    startSource();
    EXPECT_TRUE(eventually([&] { return readsBattery(42, false); }));
    EXPECT_FALSE(source->powerSaverProfile());

    startFake();
    tell("battery 15 charging");
    EXPECT_TRUE(eventually([&] { return readsBattery(15, true); }));
}

} // namespace
} // namespace tavik
