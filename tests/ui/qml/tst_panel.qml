import QtQuick
import QtTest
import Tavik.Ui

// The panel frame: the tab bar at the bottom and the scene bar at the top, driven with the
// mouse as a user would.
Item {
    id: root
    width: 320
    height: 700

    Component { id: panelView; SettingsRootView { width: 320; height: 700 } }

    TestCase {
        id: testCase
        name: "Panel"
        when: windowShown

        readonly property var presetOrder: [
            "sunny-day", "golden-hour", "autumn-breeze", "spring-bloom", "foggy-morning", "overcast",
            "rainy-night", "storm", "snowfall", "moonlit-night", "starry-night", "aurora", "focus"
        ]

        function init() {
            testSupport.resetStore()
        }

        function open() {
            const view = createTemporaryObject(panelView, root)
            verify(view, "the panel loads")
            waitForRendering(view)
            return view
        }

        function part(item, name) {
            const found = findChild(item, name)
            verify(found, name + " exists")
            return found
        }

        // Scrolls a sideways strip so that `item` sits at its leading edge, where a click reaches it.
        function reveal(strip, item) {
            strip.contentX = strip.clamped(item.mapToItem(strip.contentItem, 0, 0).x - 12)
        }

        function pill(view, tabId) {
            const found = part(view, "tab:" + tabId)
            reveal(part(view, "tabStrip").scroll, found)
            return found
        }

        // Every plain setting by name, to tell whether anything at all changed.
        function settingsSnapshot() {
            const values = {}
            for (const key in Panel.settings) {
                const value = Panel.settings[key]
                if (typeof value === "boolean" || typeof value === "number" || typeof value === "string")
                    values[key] = value
            }
            return JSON.stringify(values)
        }

        // The chips as the user reads them from left to right: presets by id, saved scenes by name.
        function chipsInOrder(view) {
            const row = part(view, "scenesScroll").contentItem.children[0]
            waitForItemPolished(row)
            const chips = []
            for (let i = 0; i < row.children.length; ++i) {
                const chip = row.children[i]
                if (chip.objectName.startsWith("chip:"))
                    chips.push(chip)
            }
            chips.sort((a, b) => a.x - b.x)
            return chips.map(chip => chip.saved ? "saved:" + chip.label : chip.chipId)
        }

        function test_rightClickFlipsAnEffect_data() {
            return [
                { tag: "rain (on at first)", tab: "rain", flag: "rainEnabled", fileKey: "rain.enabled" },
                { tag: "clouds (off at first)", tab: "clouds", flag: "cloudsEnabled", fileKey: "clouds.enabled" },
                { tag: "sound (last pill)", tab: "sound", flag: "soundEnabled", fileKey: "sound.enabled" }
            ]
        }

        function test_rightClickFlipsAnEffect(data) {
            const view = open()
            const effectPill = pill(view, data.tab)
            const tip = part(effectPill, "tabTip")
            const before = Panel.settings[data.flag]
            compare(effectPill.lit, before)
            compare(tip.text, before ? "Right-click to turn off" : "Right-click to turn on")

            mouseClick(effectPill, effectPill.width / 2, effectPill.height / 2, Qt.RightButton)
            compare(Panel.settings[data.flag], !before)
            compare(testSupport.storedValue(data.fileKey), !before)
            compare(effectPill.lit, !before)
            compare(tip.text, before ? "Right-click to turn on" : "Right-click to turn off")
            compare(view.selectedTab, "general", "a right click does not select")

            mouseClick(effectPill, effectPill.width / 2, effectPill.height / 2, Qt.RightButton)
            compare(Panel.settings[data.flag], before)
            compare(effectPill.lit, before)

            // The pill follows the flag however it changes.
            Panel.settings[data.flag] = !before
            compare(effectPill.lit, !before)
        }

        function test_rightClickOnGeneralOrSavedChangesNothing_data() {
            return [{ tag: "general", tab: "general" }, { tag: "saved", tab: "saved" }]
        }

        function test_rightClickOnGeneralOrSavedChangesNothing(data) {
            const view = open()
            const target = pill(view, data.tab)
            compare(part(target, "tabTip").text, "")
            const before = settingsSnapshot()
            mouseClick(target, target.width / 2, target.height / 2, Qt.RightButton)
            compare(settingsSnapshot(), before)
            compare(view.selectedTab, "general")
        }

        function test_leftClickSelectsTheTab_data() {
            return [
                { tag: "saved", tab: "saved", marker: "saveButton" },
                { tag: "rain", tab: "rain", marker: "row:rainEnabled" },
                { tag: "aurora", tab: "aurora", marker: "row:auroraEnabled" },
                { tag: "general", tab: "general", marker: "row:liveWeatherEnabled" }
            ]
        }

        function test_leftClickSelectsTheTab(data) {
            const view = open()
            if (data.tab === "general")
                view.selectedTab = "rain"
            const target = pill(view, data.tab)
            const before = settingsSnapshot()
            mouseClick(target)
            compare(view.selectedTab, data.tab)
            tryVerify(() => view.body && findChild(view.body, data.marker) !== null, 2000,
                      "the body shows the " + data.tab + " page")
            verify(target.isSelected)
            compare(settingsSnapshot(), before, "selecting a tab changes no setting")
            // general and saved are lit while selected, and only then.
            compare(part(view, "tab:general").lit, data.tab === "general")
            compare(part(view, "tab:saved").lit, data.tab === "saved")
        }

        function test_sceneBarWithoutFavouritesHoldsThePresets() {
            const view = open()
            compare(chipsInOrder(view), presetOrder)
            // A saved scene that is not a favourite stays off the bar.
            verify(Panel.savedScenes.save("dusk", ""))
            compare(chipsInOrder(view), presetOrder)
        }

        // The id of the saved scene in list row `row`.
        function savedId(row) {
            const scenes = Panel.savedScenes
            return scenes.data(scenes.index(row, 0), SavedScenesModel.SceneIdRole)
        }

        function test_favouritesComeFirstAndApplyTheirScene() {
            const view = open()
            Panel.sceneBar.activate(Panel.sceneBar.indexOf("rainy-night"))
            verify(Panel.savedScenes.save("wet dusk", "\u{1F319}"))
            verify(Panel.savedScenes.save("plain", ""))
            verify(Panel.savedScenes.save("calm", ""))
            // Starred in the other order: the bar follows the list, not the order of starring.
            Panel.savedScenes.toggleFavorite(savedId(2))
            Panel.savedScenes.toggleFavorite(savedId(0))
            compare(chipsInOrder(view), ["saved:wet dusk", "saved:calm"].concat(presetOrder))

            Panel.settings.rainEnabled = false
            Panel.settings.dropsPerSecond = 3
            const chip = part(view, "chip:" + savedId(0))
            tryCompare(chip, "active", false)
            reveal(part(view, "scenesScroll"), chip)
            mouseClick(chip)
            compare(Panel.settings.rainEnabled, true)
            compare(Panel.settings.dropsPerSecond, 22)
            tryCompare(chip, "active", true)
        }

        function test_presetChipAppliesAndLightsWhileShown() {
            const view = open()
            const chip = part(view, "chip:rainy-night")
            compare(chip.active, false)
            reveal(part(view, "scenesScroll"), chip)
            mouseClick(chip)
            compare(Panel.settings.rainEnabled, true)
            compare(Panel.settings.firefliesEnabled, true)
            compare(Panel.settings.snowEnabled, false)
            compare(Panel.settings.dropsPerSecond, 22)
            tryCompare(chip, "active", true)
            compare(part(view, "chip:storm").active, false)

            Panel.settings.dropsPerSecond = 23
            tryCompare(chip, "active", false)
        }

        // The right arrow moves three chips at a time and never past the last chip.
        function test_sceneArrowsStepByThree() {
            const view = open()
            const bar = part(view, "sceneBar")
            const strip = part(view, "scenesScroll")
            const forward = part(bar, "forwardArrow")
            const back = part(bar, "backArrow")
            verify(!forward.visible, "no arrows until the pointer is over the bar")
            mouseMove(bar, bar.width / 2, bar.height / 2)
            tryVerify(() => forward.visible, 1000, "the right arrow shows on hover")
            verify(!back.visible, "no left arrow at the start")

            const steps = []
            for (let i = 0; i < 8 && forward.visible; ++i) {
                mouseClick(forward)
                steps.push(bar.sceneIndex)
                const chip = part(view, "chip:" + presetOrder[bar.sceneIndex])
                const target = strip.clamped(chip.mapToItem(strip.contentItem, 0, 0).x - 12)
                tryVerify(() => Math.abs(strip.contentX - target) < 1, 2000, "the bar scrolls to the chip")
                mouseMove(bar, bar.width / 2, bar.height / 2)
                // Let the arrow finish fading in or out before deciding whether it is there.
                tryVerify(() => forward.parent.opacity === (strip.atEnd ? 0 : 1), 1000)
            }
            verify(steps.length >= 2, "several steps: " + steps)
            for (let i = 0; i < steps.length; ++i)
                compare(steps[i], Math.min(3 * (i + 1), 12))
            verify(strip.atEnd, "the arrow shows until the end")
            verify(!forward.visible)
            for (let i = 0; i < 3; ++i)
                bar.step(true)
            compare(bar.sceneIndex, 12)

            tryVerify(() => back.visible, 1000, "the left arrow shows once scrolled")
            mouseClick(back)
            compare(bar.sceneIndex, 9)
        }
    }
}
