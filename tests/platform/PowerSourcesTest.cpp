#include "FakeBus.h"

#include "platform/PowerSources.h"

#include <QDBusConnection>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace tavik;

namespace {

// A power_supply folder from "NAME attribute=value ..." lines, the values percent-encoded.
void writeSupplies(const QString& root, const QList<QByteArray>& supplies)
{
    for (const QByteArray& supply : supplies) {
        const QList<QByteArray> words = supply.split(' ');
        const QString folder = root + u'/' + QString::fromLatin1(words[0]);
        QDir().mkpath(folder);
        for (const QByteArray& attribute : words.mid(1)) {
            const qsizetype equals = attribute.indexOf('=');
            QFile file(folder + u'/' + QString::fromLatin1(attribute.left(equals)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(QByteArray::fromPercentEncoding(attribute.mid(equals + 1)) + '\n');
        }
    }
}

TEST(PowerSupplyFolder, ReadsTheMachinesBatteriesAndMainsAndNothingElse)
{
    const QByteArray full = "BAT0 type=Battery capacity=40 status=Full";
    const QByteArray offline = "AC type=Mains online=0";
    const struct {
        const char* what;
        QList<QByteArray> supplies;
        std::optional<double> percent; // nothing: no reading
        bool charging = false;
    } cases[] = {
        {"the kernel's own percentage comes first", {"BAT0 type=Battery present=1 capacity=57 energy_now=1 energy_full=4"}, 57},
        {"then energy counters", {"BAT0 type=Battery capacity=many energy_now=1 energy_full=4"}, 25},
        {"then charge counters; an old battery may hold more than its last full charge", {"BAT0 type=Battery charge_now=4400 charge_full=4000"}, 100},
        {"two batteries are one store of energy",
         {"BAT0 type=Battery capacity=50 energy_now=10 energy_full=20", "BAT1 type=Battery capacity=90 energy_now=90 energy_full=100"},
         100.0 * 100 / 120},
        {"without a unit common to both, the percentages are averaged",
         {"BAT0 type=Battery capacity=50 energy_now=10 energy_full=20", "BAT1 type=Battery capacity=90 energy_now=90"}, 70},
        {"no adapter: the battery's status tells", {"BAT0 type=Battery capacity=40 status=Charging"}, 40, true},
        {"an adapter online", {"AC type=Mains online=1", "BAT0 type=Battery capacity=40 status=Discharging"}, 40, true},
        {"an adapter that says offline outweighs the status", {offline, full}, 40, false},
        {"a USB source online", {offline, "ucsi-source-psy-1 type=USB online=1", full}, 40, true},
        {"a mouse's battery or an empty bay is not the machine's",
         {"AC type=Mains online=1", "hidpp_battery_0 type=Battery scope=Device capacity=5", "BAT1 type=Battery present=0 capacity=5"},
         std::nullopt},
        {"zero and missing full capacities", {"BAT0 type=Battery energy_now=10 energy_full=0 charge_now=10"}, std::nullopt},
        {"negative or not numbers", {"BAT0 type=Battery capacity=-3 energy_now=10 energy_full=ten"}, std::nullopt},
        {"a number cut by a NUL", {"BAT0 type=Battery capacity=4%002"}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir root;
        writeSupplies(root.path(), c.supplies);
        const std::optional<BatteryReading> reading = readPowerSupplyFolder(root.path());
        ASSERT_EQ(reading.has_value(), c.percent.has_value());
        if (reading) {
            EXPECT_NEAR(reading->percent, *c.percent, 1e-9);
            EXPECT_EQ(reading->charging, c.charging);
        }
    }
    EXPECT_FALSE(readPowerSupplyFolder(QStringLiteral("/no/such/folder")));
}

class SystemPowerSourceTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        source.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("power-test"));
    }

    void startFake(const QStringList& options = {}) { ASSERT_TRUE(fake.start(QStringList{"--power", bus.address} + options)); }
    void startSource()
    {
        source = makeSystemPowerSource(QDBusConnection::connectToBus(bus.address, QStringLiteral("power-test")),
                                       supplies.path());
        source->start();
    }
    [[nodiscard]] static bool eventually(const std::function<bool()>& condition)
    {
        return QTest::qWaitFor(condition, test::kBusWaitMs);
    }
    [[nodiscard]] bool readsBattery(double percent, bool charging) const
    {
        const auto reading = source->batteryState();
        return reading && reading->percent == percent && reading->charging == charging;
    }

    test::Bus bus;
    test::Fake fake;
    QTemporaryDir supplies;
    std::unique_ptr<PowerSource> source;
};

// The folder is read until UPower answers, and then no more; its display device and the profile follow.
TEST_F(SystemPowerSourceTest, ReadsTheFolderUntilUPowerAppearsThenFollowsIt)
{
    writeSupplies(supplies.path(), {"BAT0 type=Battery capacity=42 status=Discharging"});
    startSource();
    EXPECT_TRUE(eventually([&] { return readsBattery(42, false); }));
    EXPECT_FALSE(source->powerSaverProfile());

    startFake();
    EXPECT_TRUE(eventually([&] { return source->powerSaverProfile() == false && !source->batteryState(); }));
    int notifications = 0;
    QObject::connect(source.get(), &PowerSource::changed, [&] { ++notifications; });
    ASSERT_TRUE(fake.send("battery 15 discharging"));
    EXPECT_TRUE(eventually([&] { return readsBattery(15, false); }));
    EXPECT_GT(notifications, 0);
    ASSERT_TRUE(fake.send("plug"));
    EXPECT_TRUE(eventually([&] { return readsBattery(15, true); }));

    ASSERT_TRUE(fake.send("profile power-saver"));
    EXPECT_TRUE(eventually([&] { return source->powerSaverProfile() == true; }));

    ASSERT_TRUE(fake.send("garbage"));
    EXPECT_TRUE(eventually([&] { return !source->batteryState(); }));
    ASSERT_TRUE(fake.send("battery 20 charging"));
    EXPECT_TRUE(eventually([&] { return readsBattery(20, true); }));
    ASSERT_TRUE(fake.send("nobattery"));
    EXPECT_TRUE(eventually([&] { return !source->batteryState(); }));

    ASSERT_TRUE(fake.send("drop-profiles"));
    EXPECT_TRUE(eventually([&] { return !source->powerSaverProfile(); }));
}

TEST_F(SystemPowerSourceTest, TheProfileServiceMayAnswerUnderItsFirstNameOnly)
{
    startFake({QStringLiteral("--legacy-profiles-only")});
    startSource();
    ASSERT_TRUE(fake.send("profile power-saver"));
    EXPECT_TRUE(eventually([&] { return source->powerSaverProfile() == true; }));
}

} // namespace
