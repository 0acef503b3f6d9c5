import QtQuick
import QtTest
import Tavik.Ui

// The panel frame: the scene bar at the top and the tab bar at the bottom, clicked as a user would.
PanelTestCase {
    name: "Panel"

    readonly property var presetOrder: [
        "sunny-day", "golden-hour", "autumn-breeze", "spring-bloom", "foggy-morning", "overcast",
        "rainy-night", "storm", "snowfall", "moonlit-night", "starry-night", "aurora", "focus"
    ]

    function openPanel() {
        return open("SettingsRootView", "width: 320; height: 700")
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

    // The chips as the user reads them from left to right: presets by id, saved scenes by name.
    function chipsInOrder(view) {
        const row = part(view, "scenesScroll").contentItem.children[0]
        waitForItemPolished(row)
        return Array.from(row.children).filter(item => item.objectName.startsWith("chip:"))
            .sort((a, b) => a.x - b.x).map(item => item.saved ? "saved:" + item.label : item.chipId)
    }

    // The pop-out button asks the host and shows what it will do next.
    function test_popOutButton() {
        const view = openPanel()
        const button = part(view, "popOutButton")
        const looks = () => [part(button, "popOutTip").text, part(view, "popOutIcon").name]
        compare(looks(), ["pop out into a window", "macwindow"])
        click(button)
        verify(Panel.presenter.windowMode)
        compare(looks(), ["dock back to the menu bar", "arrow.down.right.and.arrow.up.left"])
        click(button)
        verify(!Panel.presenter.windowMode)
    }

    // A right click flips the pill's effect only (general and saved: nothing) and selects nothing;
    // a left click selects the tab and changes no setting. General and saved are lit while selected.
    function test_tabPills_data() {
        return [
            { tag: "rain", flag: "rainEnabled", page: "row:rainEnabled" },
            { tag: "sound", flag: "soundEnabled", page: "row:soundEnabled" },
            { tag: "general", flag: "", page: "row:liveWeatherEnabled" },
            { tag: "saved", flag: "", page: "saveButton" }
        ]
    }

    function test_tabPills(data) {
        const view = openPanel()
        const target = pill(view, data.tag)
        const tip = part(target, "tabTip")
        const tipFor = on => data.flag === "" ? "" : on ? "Right-click to turn off" : "Right-click to turn on"
        const was = Panel.settings[data.flag]
        const expected = JSON.parse(settingsSnapshot())
        compare(tip.text, tipFor(was))
        mouseClick(target, target.width / 2, target.height / 2, Qt.RightButton)
        if (data.flag !== "")
            expected[data.flag] = !was
        compare(settingsSnapshot(), JSON.stringify(expected), "the pill's own effect flips, nothing else")
        compare(view.selectedTab, "general", "a right click does not select")
        if (data.flag !== "") {
            compare([target.lit, tip.text], [!was, tipFor(!was)])
            Panel.settings[data.flag] = was
            compare(target.lit, was, "the pill follows the flag however it changes")
        }

        const before = settingsSnapshot()
        mouseClick(target)
        compare(view.selectedTab, data.tag)
        tryVerify(() => view.body && findChild(view.body, data.page) !== null, 2000, "the " + data.tag + " page")
        verify(target.isSelected)
        compare(settingsSnapshot(), before, "selecting a tab changes no setting")
        compare([part(view, "tab:general").lit, part(view, "tab:saved").lit], [data.tag === "general", data.tag === "saved"])
    }

    // A chip applies its scene and is lit while it shows; starred scenes lead in list order.
    function test_chipsApplyTheirSceneFavouritesFirst() {
        const view = openPanel()
        compare(chipsInOrder(view), presetOrder)
        const rainy = chip(view, "rainy-night")
        compare(rainy.active, false)
        mouseClick(rainy)
        compare(Panel.settings.firefliesEnabled, true)
        compare(Panel.settings.dropsPerSecond, 22)
        tryCompare(rainy, "active", true)
        compare(part(view, "chip:storm").active, false)

        verify(Panel.savedScenes.save("wet dusk", "\u{1F319}"))
        verify(Panel.savedScenes.save("plain", ""))
        verify(Panel.savedScenes.save("calm", ""))
        compare(chipsInOrder(view), presetOrder, "a scene that is not a favourite stays off the bar")
        Panel.savedScenes.toggleFavorite(scene(2, "SceneId"))
        Panel.savedScenes.toggleFavorite(scene(0, "SceneId"))
        compare(chipsInOrder(view), ["saved:wet dusk", "saved:calm"].concat(presetOrder))
        const calm = part(view, "chip:" + scene(2, "SceneId"))
        compare([calm.emoji, calm.symbol, part(view, "chip:" + scene(0, "SceneId")).emoji], ["", "star.fill", "\u{1F319}"])

        Panel.settings.rainEnabled = false
        Panel.settings.dropsPerSecond = 3
        const dusk = chip(view, scene(0, "SceneId"))
        tryCompare(dusk, "active", false)
        tryCompare(part(view, "chip:rainy-night"), "active", false)
        mouseClick(dusk)
        compare(Panel.settings.rainEnabled, true)
        compare(Panel.settings.dropsPerSecond, 22)
        tryCompare(dusk, "active", true)
    }

    // The right arrow moves three chips at a time and never past the last; the left one goes back.
    function test_sceneArrowsStepByThree() {
        const view = openPanel()
        const bar = part(view, "sceneBar")
        const strip = part(view, "scenesScroll")
        const forward = part(bar, "forwardArrow")
        verify(!forward.visible, "no arrows until the pointer is over the bar")
        const steps = []
        for (let i = 0; i < 8 && !strip.atEnd; ++i) {
            mouseMove(bar, bar.width / 2, bar.height / 2)
            tryVerify(() => forward.visible && forward.parent.opacity === 1, 1000, "the right arrow shows on hover")
            mouseClick(forward)
            steps.push(bar.sceneIndex)
            const shown = part(view, "chip:" + presetOrder[bar.sceneIndex])
            const target = strip.clamped(shown.mapToItem(strip.contentItem, 0, 0).x - 12)
            tryVerify(() => Math.abs(strip.contentX - target) < 1, 2000, "the bar scrolls to the chip")
        }
        verify(steps.length >= 2, "several steps: " + steps)
        steps.forEach((step, i) => compare(step, Math.min(3 * (i + 1), 12)))
        tryVerify(() => !forward.visible, 1000, "no right arrow at the end")
        bar.step(true)
        compare(bar.sceneIndex, 12)
        tryVerify(() => part(bar, "backArrow").visible, 1000, "the left arrow shows once scrolled")
        mouseClick(part(bar, "backArrow"))
        compare(bar.sceneIndex, 9)
    }
}
