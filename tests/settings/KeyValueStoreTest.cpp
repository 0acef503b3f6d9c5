#include "settings/KeyValueStore.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace tavik;

namespace {

QString writeFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    return path;
}

std::vector<SettingValue> everySetting(const SettingsStore& store)
{
    std::vector<SettingValue> values;
    for (const SettingInfo& info : settingsTable())
        values.push_back(store.value(info.id));
    return values;
}

} // namespace

TEST(IniKeyValueStore, EverySettingSurvivesTheFileUnchanged)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("nested/tavik/tavik.conf");
    std::vector<SettingValue> written;
    {
        IniKeyValueStore file(path);
        SettingsStore store(file);
        store.setDropOpacity(0.1 + 0.2); // needs all 17 digits
        store.setRainEnabled(false);
        store.setSceneName("a, b = \"c\" ; # d");
        store.setMonitor("DEL 4102:B, \"x\"", false);
        ASSERT_TRUE(store.saveCurrentScene("Pluie, nuit 🌧 ; = #", QString("🌧")));
        written = everySetting(store);
        ASSERT_TRUE(file.sync());
    }
    IniKeyValueStore file(path);
    EXPECT_EQ(everySetting(SettingsStore(file)), written);
    EXPECT_TRUE(file.rescuedCopyPath().isEmpty());
}

// Hand-edited values: read leniently, numbers held to their range, nonsense as the default.
TEST(IniKeyValueStore, HandEditedValuesAreReadLeniently)
{
    const struct {
        const char* line;
        Setting setting;
        SettingValue expected;
    } cases[] = {
        {"rain.enabled=no", Setting::rainEnabled, false},
        {"rain.dropsPerSecond=  35 ", Setting::dropsPerSecond, 35.0},
        {"app.maxFPS=1e999", Setting::maxFPS, 60.0},
        {"app.scene=rain, night", Setting::sceneName, QStringLiteral("rain, night")},
        {"snow.density=1e9", Setting::snowDensity, 100.0},
        {"rain.angle=-90", Setting::rainAngle, -45.0},
        {"leaves.count=1, 2", Setting::leafCount, 6.0},
    };
    QByteArray text = "[General]\napp.didFirstLaunch=true\n";
    for (const auto& c : cases)
        text += QByteArray(c.line) + '\n';
    QTemporaryDir dir;
    IniKeyValueStore file(writeFile(dir.filePath("tavik.conf"), text));
    SettingsStore store(file);
    for (const auto& c : cases)
        EXPECT_EQ(store.value(c.setting), c.expected) << c.line;
}

TEST(IniKeyValueStore, WriteFailureIsReportedBySync)
{
    QTemporaryDir dir;
    writeFile(dir.filePath("blocker"), ""); // a file where the folder should be: not even root can write there
    IniKeyValueStore file(dir.filePath("blocker/tavik.conf"));
    file.setValue("app.enabled", false);
    EXPECT_FALSE(file.sync());
}

TEST(IniKeyValueStore, DamagedFileIsCopiedBeforeItIsRewritten)
{
    const QByteArray cases[] = {
        "[General]\napp.didFirstLaunch=true\nrain.enabled=false\n[broken\nline without equals\n",
        QByteArray(4096, '\0'),
    };
    for (const QByteArray& original : cases) {
        QTemporaryDir dir;
        const QString path = writeFile(dir.filePath("tavik.conf"), original);
        IniKeyValueStore file(path);
        ASSERT_FALSE(file.rescuedCopyPath().isEmpty());
        QFile copy(file.rescuedCopyPath());
        ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
        EXPECT_EQ(copy.readAll(), original);

        SettingsStore store(file);
        EXPECT_EQ(store.rainEnabled(), !original.contains("rain.enabled=false"));
        EXPECT_TRUE(file.sync());
    }
}

// Two stores on one file (two processes) keep each other's changes, even at the same size and time stamp.
TEST(IniKeyValueStore, WritersKeepEachOthersChanges)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("tavik.conf");
    IniKeyValueStore fileA(path);
    SettingsStore a(fileA);
    ASSERT_TRUE(fileA.sync());
    IniKeyValueStore fileB(path);
    SettingsStore b(fileB);
    const auto idB = b.saveCurrentScene("from b", std::nullopt);
    ASSERT_TRUE(idB && fileB.sync());

    const QDateTime stamp = QFileInfo(path).lastModified();
    a.setSceneName("rainy-NIGHT"); // the same size as before
    ASSERT_TRUE(fileA.sync());
    QFile touched(path);
    ASSERT_TRUE(touched.open(QIODevice::ReadWrite));
    ASSERT_TRUE(touched.setFileTime(stamp, QFileDevice::FileModificationTime));
    touched.close();
    b.toggleFavorite(SavedScene{*idB, {}, {}, {}, {}});
    ASSERT_TRUE(fileB.sync());

    IniKeyValueStore file(path);
    SettingsStore reread(file);
    ASSERT_EQ(reread.savedScenes().size(), 1u);
    EXPECT_TRUE(reread.savedScenes()[0].isFavorite());
    EXPECT_EQ(reread.sceneName(), "rainy-NIGHT");
}
