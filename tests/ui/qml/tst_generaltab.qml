import QtQuick
import QtTest
import Tavik.Ui

// The General tab: rows that come and go with other settings, the monitor switches, the weather
// line and the reset confirmation.
Item {
    id: root
    // Tall enough for the whole tab, so every row can be clicked where it is.
    width: 320
    height: 1200

    Component { id: generalTab; GeneralTab { width: 296 } }

    TestCase {
        name: "GeneralTab"
        when: windowShown

        function init() {
            testSupport.resetStore()
        }

        function open() {
            const tab = createTemporaryObject(generalTab, root)
            verify(tab, "the tab loads")
            waitForRendering(tab)
            return tab
        }

        function part(item, name) {
            const found = findChild(item, name)
            verify(found, name + " exists")
            return found
        }

        function flip(row) {
            const toggle = part(row, "toggle")
            waitForItemPolished(row)
            mouseClick(toggle)
        }

        function test_thresholdRowOnlyWithAutomaticPowerSaving() {
            Panel.settings.autoPowerSavingThreshold = 35
            const tab = open()
            const holder = part(tab, "thresholdHolder")
            verify(!holder.visible)
            compare(findChild(tab, "row:autoPowerSavingThreshold"), null, "no threshold row while off")

            flip(part(tab, "row:autoPowerSavingEnabled"))
            compare(Panel.settings.autoPowerSavingEnabled, true)
            tryVerify(() => holder.visible && holder.height > 0, 1000, "the threshold row shows")
            const threshold = part(tab, "row:autoPowerSavingThreshold")
            compare(threshold.value, 35)
            compare(part(threshold, "valuePill").text, "35%")
            // The row spans the card, so its slider reaches the top of the range.
            const slider = part(threshold, "slider")
            waitForItemPolished(threshold)
            mouseClick(slider, slider.width - 1, slider.height / 2)
            compare(Panel.settings.autoPowerSavingThreshold, 50)
            compare(testSupport.storedValue("app.autoPowerBattery"), 50)
            compare(part(threshold, "valuePill").text, "50%")

            flip(part(tab, "row:autoPowerSavingEnabled"))
            tryVerify(() => !holder.visible, 1000, "the threshold row goes again")
            compare(Panel.settings.autoPowerSavingThreshold, 50, "hiding it keeps the threshold")
        }

        function test_maxFpsDimmedInPowerSavings() {
            const tab = open()
            const fps = part(tab, "row:maxFPS")
            verify(fps.enabled && fps.opacity === 1)
            // The usual frame rates, inside the wider range the program accepts.
            compare(part(fps, "slider").from, 15)
            compare(part(fps, "slider").to, 120)
            flip(part(tab, "row:lowPowerMode"))
            compare(Panel.settings.lowPowerMode, true)
            verify(!fps.enabled && fps.opacity === 0.45, "dimmed to " + fps.opacity)
            compare(fps.value, 60, "dimming keeps the value")
            flip(part(tab, "row:lowPowerMode"))
            verify(fps.enabled && fps.opacity === 1)
        }

        // Where the scene cannot go behind windows, the switch shows it above them, says why and
        // cannot be flipped; the stored choice waits for a session that honours it.
        function test_floatsAboveWindowsFixedWhereNothingGoesBehindWindows() {
            Panel.settings.floatsAboveWindows = false
            const tab = open()
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
            const tab = open()
            const left = part(tab, "monitor:HDMI-1")
            const right = part(tab, "monitor:DP-2")
            const laptop = part(tab, "monitor:eDP-1")
            compare(left.title, "Left desk")
            verify(left.checked && right.checked && laptop.checked, "never-toggled displays show on")
            verify(left.y < right.y && right.y < laptop.y, "in the system's order")

            flip(right)
            compare(JSON.parse(testSupport.storedValue("app.monitors")), { "DP-2": false })
            verify(!right.checked && left.checked && laptop.checked, "only that display goes off")
            flip(right)
            verify(right.checked)

            // A display that went away takes its row with it.
            testSupport.setDisplays([{ id: "eDP-1", name: "Laptop" }])
            compare(findChild(tab, "monitor:HDMI-1"), null)
            verify(findChild(tab, "monitor:eDP-1"))
        }

        function test_weatherLineFollowsLiveWeather() {
            const tab = open()
            const line = part(tab, "weatherLine")
            Panel.weather.publish("Lisbon", "18°", "Clear")
            verify(!line.visible, "hidden while live weather is off")

            flip(part(tab, "row:liveWeatherEnabled"))
            verify(line.visible)
            compare(part(line, "weatherText").text, "Lisbon \u00B7 18°, Clear")
            mouseClick(part(line, "refreshWeather"))
            compare(testSupport.weatherRefreshCount, 1)

            Panel.weather.publish("", "", "\u2014")
            verify(!line.visible, "hidden with nothing worth saying")
        }

        function test_followClosenessOnlyWithLiveWeather() {
            const tab = open()
            const row = part(tab, "row:liveWeatherDetailed")
            verify(!row.enabled, "nothing to follow while live weather is off")
            flip(part(tab, "row:liveWeatherEnabled"))
            verify(row.enabled)
            flip(row)
            compare(Panel.settings.liveWeatherDetailed, true)
        }

        function test_resetAsksFirst() {
            const tab = open()
            const alert = part(tab, "resetAlert")
            Panel.settings.dropsPerSecond = 42
            Panel.settings.enabled = false
            verify(Panel.savedScenes.save("dusk", ""))

            mouseClick(part(tab, "resetAll"))
            tryCompare(alert, "opened", true)
            // The alert lives in the window's overlay; its buttons are found through it.
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

        // The switch shows the entry as it is when the tab opens, and stays with the truth when
        // writing it fails, saying why; the button quits.
        function test_startAtLoginFollowsTheEntryAndQuitQuits() {
            testSupport.fakeStartAtLogin(true, "")
            const tab = open()
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

        // The update row claims no check it did not make: it names the installed version, the
        // same one as the footer, and where updates come from.
        function test_updateRowAndFooterShowTheInstalledVersion() {
            const tab = open()
            verify(/^\d+\.\d+\.\d+$/.test(Panel.version), Panel.version)
            const row = part(tab, "updateRow")
            compare(part(row, "rowTitle").text, "Version " + Panel.version)
            compare(part(row, "rowSubtitle").text, "Updates come with your system's software updates.")
            verify(part(tab, "versionFooter").text.endsWith("avik v" + Panel.version))
            compare(findChild(tab, "checkForUpdates"), null, "no button offers a check")
        }
    }
}
