import QtQuick
import QtTest
import Tavik.Ui

// The harness itself: the Panel singleton over the test store, writes that reach the database,
// and the helpers QML calls directly.
TestCase {
    name: "PanelContext"

    function init() {
        testSupport.resetStore()
    }

    function test_settingsWritesReachTheDatabase() {
        Panel.settings.dropsPerSecond = 42
        compare(Panel.settings.dropsPerSecond, 42)
        compare(testSupport.storedValue("rain.dropsPerSecond"), 42)
        Panel.settings["dropColorHex"] = "#112233"
        compare(testSupport.storedValue("rain.dropColor"), "#112233")
    }

    function test_resetStoreGivesDefaultsBack() {
        Panel.settings.enabled = false
        verify(Panel.savedScenes.save("dusk", ""))
        testSupport.resetStore()
        compare(Panel.settings.enabled, true)
        compare(Panel.settings.dropsPerSecond, 10)
        compare(Panel.savedScenes.count, 0)
    }

    function test_rangesComeFromTheSettingsTable() {
        compare(Panel.minimumOf("dropsPerSecond"), 1)
        compare(Panel.maximumOf("dropsPerSecond"), 120)
        compare(Panel.minimumOf("rainAngle"), -45)
        compare(Panel.maximumOf("dropOpacity"), 1)
        compare(Panel.maximumOf("maxFPS"), 240)
        compare(Panel.minimumOf("dropColorHex"), 0, "no range for a colour")
        compare(Panel.maximumOf("noSuchSetting"), 100)
    }

    function test_lastCharacterKeepsWholeEmoji() {
        compare(Panel.lastCharacter("\u{1F642}\u{1F327}\uFE0F"), "\u{1F327}\uFE0F")
        compare(Panel.lastCharacter("ab"), "b")
        compare(Panel.lastCharacter(""), "")
    }

    function test_weatherLineFollowsTheService() {
        Panel.weather.publish("Lisbon", "18°", "Clear")
        compare(Panel.weatherLine, "Lisbon \u00B7 18°, Clear")
        Panel.weather.publish("", "", "\u2014")
        compare(Panel.weatherLine, "")
        Panel.refreshWeather()
        compare(testSupport.weatherRefreshCount, 1)
    }

    function test_popOutReachesThePresenter() {
        Panel.presenter.toggleMode()
        compare(testSupport.popOutCount, 1)
        compare(testSupport.presenterMode, "window")
    }
}
