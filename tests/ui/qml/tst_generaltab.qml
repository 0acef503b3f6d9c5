import QtQuick
import QtTest
import Tavik.Ui

// The General tab: rows that follow other settings, the displays, the weather line, the reset.
PanelTestCase {
    name: "GeneralTab"

    function test_thresholdRowOnlyWithAutomaticPowerSaving() {
        Panel.settings.autoPowerSavingThreshold = 35
        const tab = open("GeneralTab")
        const holder = part(tab, "thresholdHolder")
        verify(!holder.visible)
        compare(findChild(tab, "row:autoPowerSavingThreshold"), null, "no threshold row while off")

        flip(tab, "autoPowerSavingEnabled")
        compare(Panel.settings.autoPowerSavingEnabled, true)
        tryVerify(() => holder.visible && holder.height > 0, 1000, "the threshold row shows")
        const threshold = part(tab, "row:autoPowerSavingThreshold")
        compare(threshold.value, 35)
        compare(part(threshold, "valuePill").text, "35%")
        compare([part(part(tab, "row:maxFPS"), "slider").from, part(part(tab, "row:maxFPS"), "slider").to], [15, 120])
        const slider = part(threshold, "slider")
        waitForItemPolished(threshold)
        mouseClick(slider, slider.width - 1, slider.height / 2)
        compare(Panel.settings.autoPowerSavingThreshold, 50)
        compare(testSupport.storedValue("app.autoPowerBattery"), 50)
        compare(part(threshold, "valuePill").text, "50%")

        flip(tab, "autoPowerSavingEnabled")
        tryVerify(() => !holder.visible, 1000, "the threshold row goes again")
        compare(Panel.settings.autoPowerSavingThreshold, 50, "hiding it keeps the threshold")
    }

    // Where nothing goes behind windows the switch is fixed on, says why, and keeps the stored choice.
    function test_floatsAboveWindowsFixedWhereNothingGoesBehindWindows() {
        Panel.settings.floatsAboveWindows = false
        const tab = open("GeneralTab")
        const row = part(tab, "row:floatsAboveWindows")
        const usual = part(row, "rowSubtitle").text
        verify(!row.checked && row.enabled)

        testSupport.setWaylandSession(true)
        verify(row.checked && !row.enabled, "on and fixed")
        verify(part(row, "rowSubtitle").text.indexOf("Wayland") >= 0, part(row, "rowSubtitle").text)
        mouseClick(part(row, "toggle"))
        compare(Panel.settings.floatsAboveWindows, false)

        testSupport.setWaylandSession(false)
        verify(!row.checked && row.enabled)
        compare(part(row, "rowSubtitle").text, usual)
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
        verify(findChild(tab, "monitor:eDP-1"))
        testSupport.setDisplays([{ id: "DP-2", name: "Right desk" }])
        tryVerify(() => findChild(tab, "monitor:DP-2") !== null)
        verify(!part(tab, "monitor:DP-2").checked)
        flip(part(tab, "monitor:DP-2"))
        verify(part(tab, "monitor:DP-2").checked)
    }

    function test_weatherLineFollowsLiveWeather() {
        const tab = open("GeneralTab")
        const line = part(tab, "weatherLine")
        Panel.weather.publish("Lisbon", "18°", "Clear")
        verify(!line.visible, "hidden while live weather is off")

        flip(tab, "liveWeatherEnabled")
        verify(line.visible)
        compare(part(line, "weatherText").text, "Lisbon \u00B7 18°, Clear")
        mouseClick(part(line, "refreshWeather"))
        compare(testSupport.weatherRefreshCount, 1)

        Panel.weather.publish("", "", "\u2014")
        verify(!line.visible, "hidden with nothing worth saying")
    }

    // Rows another switch turns off or on; a dimmed row keeps its value.
    function test_rowsFollowAnotherSwitch_data() {
        return [
            { tag: "maxFPS", by: "lowPowerMode", liveWhenOn: false, dimmed: 0.45 },
            { tag: "liveWeatherDetailed", by: "liveWeatherEnabled", liveWhenOn: true, dimmed: 0.5 }
        ]
    }

    function test_rowsFollowAnotherSwitch(data) {
        const tab = open("GeneralTab")
        const row = part(tab, "row:" + data.tag)
        const value = Panel.settings[data.tag]
        verifyLive(row, !data.liveWhenOn, data.dimmed, data.tag)
        flip(tab, data.by)
        compare(Panel.settings[data.by], true)
        verifyLive(row, data.liveWhenOn, data.dimmed, data.tag)
        compare(Panel.settings[data.tag], value)
        flip(tab, data.by)
        verifyLive(row, !data.liveWhenOn, data.dimmed, data.tag)
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
        const confirm = part(alert.contentItem, "alertConfirm")
        compare(confirm.text, "Reset to defaults")
        mouseClick(confirm)
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
        compare(part(row, "rowSubtitle").text, "Start Tavik in the background when you log in.")

        testSupport.fakeStartAtLogin(false, "could not write the entry")
        flip(row)
        verify(!row.checked, "a failed write leaves it off")
        compare(part(row, "rowSubtitle").text, "Could not write the entry")

        compare(part(tab, "quit").text, "Quit Tavik")
        mouseClick(part(tab, "quit"))
        compare(testSupport.quitCount, 1)
    }

    // The update row claims no check it did not make: it names the installed version.
    function test_updateRowAndFooterShowTheInstalledVersion() {
        const tab = open("GeneralTab")
        verify(/^\d+\.\d+\.\d+$/.test(Panel.version), Panel.version)
        const row = part(tab, "updateRow")
        compare([part(row, "rowTitle").text, part(row, "rowSubtitle").text],
                ["Version " + Panel.version, "Updates come with your system's software updates."])
        verify(part(tab, "versionFooter").text.endsWith("avik v" + Panel.version))
        compare(findChild(tab, "checkForUpdates"), null, "no button offers a check")
    }
}
