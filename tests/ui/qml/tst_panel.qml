import QtQuick
import QtTest
import Tavik.Ui

// The panel frame: the tab bar at the bottom and the scene bar at the top, driven with the
// mouse as a user would.
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

    // The header's switch is the master switch, both ways; the pop-out button asks the host and
    // shows what it will do next.
    function test_headerSwitchAndPopOutButton() {
        const view = openPanel()
        const master = part(view, "enabledSwitch")
        click(master)
        verify(!Panel.settings.enabled && !master.checked)
        Panel.settings.enabled = true
        verify(master.checked && part(view, "brandMark").windy)

        const button = part(view, "popOutButton")
        const looks = () => [part(button, "popOutTip").text, part(view, "popOutIcon").name]
        compare(looks(), ["pop out into a window", "macwindow"])
        click(button)
        verify(Panel.presenter.windowMode)
        compare(looks(), ["dock back to the menu bar", "arrow.down.right.and.arrow.up.left"])
        click(button)
        verify(!Panel.presenter.windowMode)
    }

    // A right click flips an effect's pill and nothing else (on general and saved, nothing at
    // all) and selects nothing; a left click selects the tab, changes no setting and shows its
    // page. General and saved are lit while selected, and only then.
    function test_tabPills_data() {
        return [
            { tag: "rain", flag: "rainEnabled", page: "row:rainEnabled" },
            { tag: "clouds", flag: "cloudsEnabled", page: "row:cloudsEnabled" },
            { tag: "sound", flag: "soundEnabled", page: "row:soundEnabled" },
            { tag: "aurora", flag: "auroraEnabled", page: "row:auroraEnabled" },
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

    // A chip applies its scene and is lit while the scene shows; starred saved scenes lead the
    // bar in list order, not in the order of starring.
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
        // A favourite shows its emoji, or a star in its place.
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

    // The right arrow moves three chips at a time, shows until the end and never goes past
    // the last chip.
    function test_sceneArrowsStepByThree() {
        const view = openPanel()
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
