import QtQuick
import QtTest
import Tavik.Ui

// The General tab: rows that follow other settings, the displays, the weather line, the reset.
PanelTestCase {
    name: "GeneralTab"

    // The threshold shows only with automatic power saving; a drag lands on a whole percent.
    function test_thresholdRowOnlyWithAutomaticPowerSaving() {
        Panel.settings.autoPowerSavingThreshold = 35
        const tab = open("GeneralTab")
        const holder = part(tab, "thresholdHolder")
        compare(findChild(tab, "row:autoPowerSavingThreshold"), null, "no threshold row while off")

        flip(tab, "autoPowerSavingEnabled")
        compare(Panel.settings.autoPowerSavingEnabled, true)
        tryVerify(() => holder.visible && holder.height > 0, 1000, "the threshold row shows")
        const threshold = part(tab, "row:autoPowerSavingThreshold")
        compare(part(threshold, "valuePill").text, "35%")
        const slider = part(threshold, "slider")
        waitForItemPolished(threshold)
        mouseDrag(slider, 8, slider.height / 2, slider.width * 0.37, 0)
        const value = Panel.settings.autoPowerSavingThreshold
        verify(value > 10 && value < 30 && value === Math.round(value), "the drag moved it to " + value)
        compare(testSupport.storedValue("app.autoPowerBattery"), value)
        compare(part(threshold, "valuePill").text, value + "%")

        flip(tab, "autoPowerSavingEnabled")
        tryVerify(() => !holder.visible, 1000, "the threshold row goes again")
        compare(Panel.settings.autoPowerSavingThreshold, value, "hiding it keeps the threshold")
    }

    // Where nothing goes behind windows the switch is fixed on, says why, and keeps the stored
    // choice. The clouds' card for floating behind windows shows only while the scene floats above.
    function test_floatsAboveWindowsFixedWhereNothingGoesBehindWindows() {
        Panel.settings.floatsAboveWindows = false
        const clouds = part(open("CloudsTab"), "card:6")
        const tab = open("GeneralTab")
        const row = part(tab, "row:floatsAboveWindows")
        const usual = part(row, "rowSubtitle").text
        verify(!row.checked && row.enabled && !clouds.visible)

        testSupport.setWaylandSession(true)
        verify(row.checked && !row.enabled && !clouds.visible, "on and fixed")
        verify(part(row, "rowSubtitle").text.indexOf("Wayland") >= 0, part(row, "rowSubtitle").text)
        mouseClick(part(row, "toggle"))
        compare(Panel.settings.floatsAboveWindows, false)

        testSupport.setWaylandSession(false)
        verify(!row.checked && row.enabled)
        compare(part(row, "rowSubtitle").text, usual)
        flip(row)
        verify(clouds.visible && part(clouds, "row:cloudFloatBehind").visible)
    }

    function test_oneSwitchPerDisplay() {
        testSupport.setDisplays([{ id: "HDMI-1", name: "Left desk" }, { id: "DP-2", name: "Right desk" },
                                 { id: "eDP-1", name: "Laptop" }])
        const tab = open("GeneralTab")
        const left = part(tab, "monitor:HDMI-1")
        const right = part(tab, "monitor:DP-2")
        const laptop = part(tab, "monitor:eDP-1")
        compare(left.title, "Left desk")
        verify(left.checked && right.checked && laptop.checked, "never-toggled displays show on")
        verify(left.y < right.y && right.y < laptop.y, "in the system's order")

        flip(right)
        compare(JSON.parse(testSupport.storedValue("app.monitors")), { "DP-2": false })
        verify(!right.checked && left.checked && laptop.checked, "only that display goes off")

        // A display that went away takes its row with it; plugged in again, it is still off.
        testSupport.setDisplays([{ id: "eDP-1", name: "Laptop" }])
        compare(findChild(tab, "monitor:DP-2"), null)
        testSupport.setDisplays([{ id: "DP-2", name: "Right desk" }])
        tryVerify(() => findChild(tab, "monitor:DP-2") !== null)
        verify(!part(tab, "monitor:DP-2").checked)
    }

    // The weather line and the detailed-weather row follow live weather.
    function test_weatherLineFollowsLiveWeather() {
        const tab = open("GeneralTab")
        const line = part(tab, "weatherLine")
        const detailed = part(tab, "row:liveWeatherDetailed")
        Panel.weather.publish("Lisbon", "18°", "Clear")
        verify(!line.visible, "hidden while live weather is off")
        verifyLive(detailed, false, 0.5, "detailed weather")

        flip(tab, "liveWeatherEnabled")
        verify(line.visible)
        verifyLive(detailed, true, 0.5, "detailed weather")
        compare(part(line, "weatherText").text, "Lisbon \u00B7 18°, Clear")
        mouseClick(part(line, "refreshWeather"))
        compare(Panel.weather.refreshCount, 1)

        Panel.weather.publish("", "", "\u2014")
        verify(!line.visible, "hidden with nothing worth saying")
    }

    function test_resetAsksFirst() {
        const tab = open("GeneralTab")
        const alert = part(tab, "resetAlert")
        Panel.settings.dropsPerSecond = 42
        Panel.settings.enabled = false
        verify(Panel.savedScenes.save("dusk", ""))

        mouseClick(part(tab, "resetAll"))
        tryCompare(alert, "opened", true)
        mouseClick(part(alert.contentItem, "alertCancel"))
        tryCompare(alert, "visible", false)
        compare(Panel.settings.dropsPerSecond, 42, "Cancel changes nothing")

        // The same button asks again after a cancel.
        mouseClick(part(tab, "resetAll"))
        tryCompare(alert, "opened", true)
        mouseClick(part(alert.contentItem, "alertConfirm"))
        tryCompare(alert, "visible", false)
        compare(Panel.settings.dropsPerSecond, 10)
        compare(Panel.settings.enabled, false, "the master switch is not a scene setting")
        compare(Panel.savedScenes.count, 1, "saved scenes are kept")
    }

    // The switch shows the entry as it is, stays with the truth when writing fails, and says why.
    function test_startAtLoginFollowsTheEntryAndQuitQuits() {
        testSupport.fakeStartAtLogin(true, "")
        const tab = open("GeneralTab")
        const row = part(tab, "row:startAtLogin")
        verify(row.checked, "an entry already there reads as on")
        flip(row)
        verify(!row.checked)

        testSupport.fakeStartAtLogin(false, "could not write the entry")
        flip(row)
        verify(!row.checked, "a failed write leaves it off")
        compare(part(row, "rowSubtitle").text, "Could not write the entry")

        mouseClick(part(tab, "quit"))
        compare(testSupport.quitCount, 1)
    }

    // The update row claims no check it did not make: it names the installed version.
    function test_updateRowAndFooterShowTheInstalledVersion() {
        const tab = open("GeneralTab")
        verify(/^\d+\.\d+\.\d+$/.test(Panel.version), Panel.version)
        compare(part(part(tab, "updateRow"), "rowTitle").text, "Version " + Panel.version)
        verify(part(tab, "versionFooter").text.endsWith("avik v" + Panel.version))
        compare(findChild(tab, "checkForUpdates"), null, "no button offers a check")
    }
}
