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
            return item
        }

        function pill(view, tabId) {
            return reveal(part(view, "tabStrip").scroll, part(view, "tab:" + tabId))
        }

        function chip(view, chipId) {
            return reveal(part(view, "scenesScroll"), part(view, "chip:" + chipId))
        }

        // Every plain setting by name, to tell whether anything at all changed.
        function settingsSnapshot() {
            const values = {}
            for (const key in Panel.settings) {
                if (["boolean", "number", "string"].includes(typeof Panel.settings[key]))
                    values[key] = Panel.settings[key]
            }
            return JSON.stringify(values)
        }

        // The chips as the user reads them from left to right: presets by id, saved scenes by name.
        function chipsInOrder(view) {
            const row = part(view, "scenesScroll").contentItem.children[0]
            waitForItemPolished(row)
            return Array.from(row.children).filter(item => item.objectName.startsWith("chip:"))
                .sort((a, b) => a.x - b.x).map(item => item.saved ? "saved:" + item.label : item.chipId)
        }

        function savedId(row) {
            const scenes = Panel.savedScenes
            return scenes.data(scenes.index(row, 0), SavedScenesModel.SceneIdRole)
        }

        // A right click flips an effect's pill and nothing else; on general and saved it does nothing.
        function test_rightClick_data() {
            return [
                { tag: "rain (on at first)", tab: "rain", flag: "rainEnabled", fileKey: "rain.enabled" },
                { tag: "clouds (off at first)", tab: "clouds", flag: "cloudsEnabled", fileKey: "clouds.enabled" },
                { tag: "sound (last pill)", tab: "sound", flag: "soundEnabled", fileKey: "sound.enabled" },
                { tag: "general", tab: "general", flag: "" },
                { tag: "saved", tab: "saved", flag: "" }
            ]
        }

        function test_rightClick(data) {
            const view = open()
            const target = pill(view, data.tab)
            const tip = part(target, "tabTip")
            const rightClick = () => mouseClick(target, target.width / 2, target.height / 2, Qt.RightButton)
            const before = settingsSnapshot()
            if (data.flag === "") {
                compare(tip.text, "")
                rightClick()
                compare(settingsSnapshot(), before)
                compare(view.selectedTab, "general")
                return
            }
            const was = Panel.settings[data.flag]
            const tipFor = on => on ? "Right-click to turn off" : "Right-click to turn on"
            compare(target.lit, was)
            compare(tip.text, tipFor(was))

            rightClick()
            compare(Panel.settings[data.flag], !was)
            compare(testSupport.storedValue(data.fileKey), !was)
            compare(target.lit, !was)
            compare(tip.text, tipFor(!was))
            compare(view.selectedTab, "general", "a right click does not select")
            rightClick()
            compare(settingsSnapshot(), before, "a second right click undoes the first, and only that")

            Panel.settings[data.flag] = !was
            compare(target.lit, !was, "the pill follows the flag however it changes")
        }

        function test_leftClickSelectsTheTab_data() {
            return [
                { tag: "saved", tab: "saved", marker: "saveButton" },
                { tag: "aurora (far right)", tab: "aurora", marker: "row:auroraEnabled" }
            ]
        }

        function test_leftClickSelectsTheTab(data) {
            const view = open()
            const target = pill(view, data.tab)
            const before = settingsSnapshot()
            mouseClick(target)
            compare(view.selectedTab, data.tab)
            tryVerify(() => view.body && findChild(view.body, data.marker) !== null, 2000,
                      "the body shows the " + data.tab + " page")
            verify(target.isSelected)
            compare(settingsSnapshot(), before, "selecting a tab changes no setting")
            // general and saved are lit while selected, and only then.
            compare(part(view, "tab:general").lit, false)
            compare(part(view, "tab:saved").lit, data.tab === "saved")
            mouseClick(pill(view, "general"))
            tryVerify(() => findChild(view.body, "row:liveWeatherEnabled") !== null, 2000, "back on general")
            verify(part(view, "tab:general").lit)
        }

        function test_presetChipAppliesAndLightsWhileShown() {
            const view = open()
            const rainy = chip(view, "rainy-night")
            compare(rainy.active, false)
            mouseClick(rainy)
            compare(Panel.settings.firefliesEnabled, true)
            compare(Panel.settings.dropsPerSecond, 22)
            tryCompare(rainy, "active", true)
            compare(part(view, "chip:storm").active, false)

            Panel.settings.dropsPerSecond = 23
            tryCompare(rainy, "active", false)
        }

        function test_favouritesComeFirstAndApplyTheirScene() {
            const view = open()
            compare(chipsInOrder(view), presetOrder)
            Panel.sceneBar.activate(Panel.sceneBar.indexOf("rainy-night"))
            verify(Panel.savedScenes.save("wet dusk", "\u{1F319}"))
            verify(Panel.savedScenes.save("plain", ""))
            verify(Panel.savedScenes.save("calm", ""))
            compare(chipsInOrder(view), presetOrder, "a scene that is not a favourite stays off the bar")
            // Starred in the other order: the bar follows the list, not the order of starring.
            Panel.savedScenes.toggleFavorite(savedId(2))
            Panel.savedScenes.toggleFavorite(savedId(0))
            compare(chipsInOrder(view), ["saved:wet dusk", "saved:calm"].concat(presetOrder))

            Panel.settings.rainEnabled = false
            Panel.settings.dropsPerSecond = 3
            const dusk = chip(view, savedId(0))
            tryCompare(dusk, "active", false)
            mouseClick(dusk)
            compare(Panel.settings.rainEnabled, true)
            compare(Panel.settings.dropsPerSecond, 22)
            tryCompare(dusk, "active", true)
        }

        // The right arrow moves three chips at a time, shows until the end and never goes past
        // the last chip.
        function test_sceneArrowsStepByThree() {
            const view = open()
            const bar = part(view, "sceneBar")
            const strip = part(view, "scenesScroll")
            const forward = part(bar, "forwardArrow")
            const back = part(bar, "backArrow")
            const hover = () => mouseMove(bar, bar.width / 2, bar.height / 2)
            verify(!forward.visible, "no arrows until the pointer is over the bar")
            hover()
            tryVerify(() => forward.visible, 1000, "the right arrow shows on hover")
            verify(!back.visible, "no left arrow at the start")

            const steps = []
            for (let i = 0; i < 8 && forward.visible; ++i) {
                mouseClick(forward)
                steps.push(bar.sceneIndex)
                const shown = part(view, "chip:" + presetOrder[bar.sceneIndex])
                const target = strip.clamped(shown.mapToItem(strip.contentItem, 0, 0).x - 12)
                tryVerify(() => Math.abs(strip.contentX - target) < 1, 2000, "the bar scrolls to the chip")
                hover()
                // Let the arrow finish fading in or out before deciding whether it is there.
                tryVerify(() => forward.parent.opacity === (strip.atEnd ? 0 : 1), 1000)
            }
            verify(steps.length >= 2, "several steps: " + steps)
            steps.forEach((step, i) => compare(step, Math.min(3 * (i + 1), 12)))
            verify(strip.atEnd && !forward.visible)
            bar.step(true)
            compare(bar.sceneIndex, 12)

            tryVerify(() => back.visible, 1000, "the left arrow shows once scrolled")
            mouseClick(back)
            compare(bar.sceneIndex, 9)
        }
    }
}
