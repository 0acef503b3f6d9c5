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

} // namespace

TEST(IniKeyValueStore, EverySettingSurvivesTheFileUnchanged)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("nested/tavik/tavik.conf");
    SavedSceneList scenes;
    {
        IniKeyValueStore file(path);
        SettingsStore store(file);
        store.setDropOpacity(0.1 + 0.2); // needs all 17 digits
        store.setRainAngle(-20.5);
        store.setRainEnabled(false);
        store.setSceneName("a, b = \"c\" ; # d");
        store.setDropColorHex("#5FD8F5");
        store.setMonitor("DEL 4102:B, \"x\"", false);
        ASSERT_TRUE(store.saveCurrentScene("Pluie, nuit 🌧 ; = #", QString("🌧")));
        scenes = store.savedScenes();
        ASSERT_TRUE(file.sync());
    }
    IniKeyValueStore file(path);
    SettingsStore store(file);
    EXPECT_EQ(store.dropOpacity(), 0.1 + 0.2);
    EXPECT_EQ(store.rainAngle(), -20.5);
    EXPECT_FALSE(store.rainEnabled());
    EXPECT_EQ(store.sceneName(), "a, b = \"c\" ; # d");
    EXPECT_EQ(store.dropColorHex(), "#5FD8F5");
    EXPECT_FALSE(store.isMonitorEnabled("DEL 4102:B, \"x\""));
    EXPECT_EQ(store.savedScenes(), scenes);
    EXPECT_TRUE(file.rescuedCopyPath().isEmpty());
}

TEST(IniKeyValueStore, HandEditedValuesAreReadLeniently)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir.filePath("tavik.conf"),
                                   "[General]\n"
                                   "app.didFirstLaunch=true\n"
                                   "rain.enabled=no\n"
                                   "rain.dropsPerSecond=  35 \n"
                                   "rain.dropSpeed=fast\n"
                                   "app.maxFPS=1e999\n"
                                   "app.scene=rain, night\n"
                                   "snow.color=#ABCDEF\n");
    IniKeyValueStore file(path);
    SettingsStore store(file);
    EXPECT_FALSE(store.rainEnabled());
    EXPECT_EQ(store.dropsPerSecond(), 35);
    EXPECT_EQ(store.dropSpeed(), 15); // a word where a number belongs keeps the default
    EXPECT_EQ(store.maxFPS(), 60);
    EXPECT_EQ(store.sceneName(), "rain, night");
    EXPECT_EQ(store.snowColorHex(), "#ABCDEF");
}

TEST(IniKeyValueStore, NumbersAreReadIntoTheirRangeAndNonNumbersAsTheDefault)
{
    struct Case {
        const char* line;
        Setting setting;
        double expected;
    };
    const Case cases[] = {
        {"rain.dropsPerSecond=1e9", Setting::dropsPerSecond, 120},
        {"snow.density=1e9", Setting::snowDensity, 100},
        {"rain.dropSpeed=0", Setting::dropSpeed, 1},
        {"rain.angle=-90", Setting::rainAngle, -45},
        {"app.maxFPS=0.5", Setting::maxFPS, 1},
        {"rain.dropOpacity=1", Setting::dropOpacity, 1},
        {"clouds.count=0x7f", Setting::cloudCount, 5},
        {"sound.volume=loud", Setting::soundVolume, 50},
        {"leaves.count=1, 2", Setting::leafCount, 6},
    };
    QByteArray text = "[General]\napp.didFirstLaunch=true\n";
    for (const Case& c : cases)
        text += QByteArray(c.line) + '\n';
    QTemporaryDir dir;
    IniKeyValueStore file(writeFile(dir.filePath("tavik.conf"), text));
    SettingsStore store(file);
    for (const Case& c : cases)
        EXPECT_EQ(store.get<double>(c.setting), c.expected) << c.line;
}

TEST(IniKeyValueStore, WriteFailureIsReportedBySync)
{
    QTemporaryDir dir;
    // A file where the folder should be: not even root can write there.
    writeFile(dir.filePath("blocker"), "");
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

// Two stores over one file stand for two processes: each change lands on the file as the
// other left it, even when the other's write kept the file's size and time stamp.
TEST(IniKeyValueStore, WritersKeepEachOthersChanges)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("tavik.conf");
    IniKeyValueStore fileA(path);
    SettingsStore a(fileA);
    ASSERT_TRUE(fileA.sync());
    IniKeyValueStore fileB(path);
    SettingsStore b(fileB);

    const auto idA = a.saveCurrentScene("from a", std::nullopt);
    const auto idB = b.saveCurrentScene("from b", std::nullopt);
    ASSERT_TRUE(idA && idB);
    a.setSceneName("aaaa");
    ASSERT_TRUE(fileA.sync());
    b.setRainAngle(-7);
    ASSERT_TRUE(fileB.sync());

    const QDateTime stamp = QFileInfo(path).lastModified();
    a.updateSavedScene(SavedScene{*idA, {}, {}, {}, {}}, "from A", std::nullopt);
    ASSERT_TRUE(fileA.sync());
    QFile touched(path);
    ASSERT_TRUE(touched.open(QIODevice::ReadWrite));
    ASSERT_TRUE(touched.setFileTime(stamp, QFileDevice::FileModificationTime));
    touched.close();
    b.toggleFavorite(SavedScene{*idB, {}, {}, {}, {}});
    ASSERT_TRUE(fileB.sync());

    IniKeyValueStore file(path);
    SettingsStore reread(file);
    ASSERT_EQ(reread.savedScenes().size(), 2u);
    EXPECT_EQ(reread.savedScenes()[0].name, "from A");
    EXPECT_EQ(reread.savedScenes()[1].name, "from b");
    EXPECT_TRUE(reread.savedScenes()[1].isFavorite());
    EXPECT_EQ(reread.sceneName(), "aaaa");
    EXPECT_EQ(reread.rainAngle(), -7);
    EXPECT_EQ(b.savedScenes(), reread.savedScenes());
}

TEST(StoredValues, CoercionOfEveryKind)
{
    EXPECT_EQ(storedNumber(QVariant()), std::nullopt);
    EXPECT_EQ(storedNumber(QVariant(true)), 1.0);
    EXPECT_EQ(storedNumber(QVariant(QString("x"))), std::nullopt);
    EXPECT_EQ(storedNumber(QVariant(QString("0x7f"))), std::nullopt);
    EXPECT_EQ(storedNumber(QVariant(QString(" 0 "))), 0.0);
    EXPECT_EQ(storedNumber(QVariant(QString("-2.5"))), -2.5);
    EXPECT_EQ(storedNumber(QVariant(QString("nan"))), std::nullopt);
    EXPECT_EQ(storedNumber(QVariant(QStringList{"1", "2"})), std::nullopt);
    EXPECT_EQ(storedBool(QVariant(QString("On"))), true);
    EXPECT_EQ(storedBool(QVariant(QString("2"))), true);
    EXPECT_EQ(storedBool(QVariant(QString(""))), false);
    EXPECT_EQ(storedBool(QVariant(0.0)), false);
    EXPECT_EQ(storedText(QVariant(QStringList{"a", "b"})), QString("a, b"));
    EXPECT_EQ(storedText(QVariant(3.5)), QString("3.5"));
    EXPECT_EQ(storedText(QVariant()), std::nullopt);
}
