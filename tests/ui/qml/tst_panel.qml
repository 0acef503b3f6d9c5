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

    // The pop-out button asks the host and says what it will do next.
    function test_popOutButton() {
        const button = part(openPanel(), "popOutButton")
        click(button)
        verify(Panel.presenter.windowMode)
        compare(part(button, "popOutTip").text, "dock back to the menu bar")
        click(button)
        verify(!Panel.presenter.windowMode)
    }

    // A right click flips the pill's effect only (saved: nothing) and selects nothing; a left click
    // selects the tab and changes no setting. General and saved are lit while selected.
    function test_tabPills_data() {
        return [
            { tag: "rain", flag: "rainEnabled", page: "row:rainEnabled" },
            { tag: "saved", flag: "", page: "saveButton" }
        ]
    }

    function test_tabPills(data) {
        const view = openPanel()
        const target = reveal(part(view, "tabStrip").scroll, part(view, "tab:" + data.tag))
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
        compare(Panel.settings.dropsPerSecond, 22)
        tryCompare(rainy, "active", true)

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

    // On hover, the arrows move the bar three chips either way, never past the last.
    function test_sceneArrowsStepByThree() {
        const view = openPanel()
        const bar = part(view, "sceneBar")
        const forward = part(bar, "forwardArrow")
        verify(!forward.visible, "no arrows until the pointer is over the bar")
        mouseMove(bar, bar.width / 2, bar.height / 2)
        tryVerify(() => forward.parent.opacity === 1, 1000, "the right arrow shows on hover")
        mouseClick(forward)
        compare(bar.sceneIndex, 3)
        tryVerify(() => part(view, "scenesScroll").contentX > 0, 2000, "the bar scrolls along")
        for (let i = 0; i < 4; ++i)
            bar.step(true)
        compare(bar.sceneIndex, 12)
        tryVerify(() => !forward.visible, 2000, "no right arrow at the end")
        mouseClick(part(bar, "backArrow"))
        compare(bar.sceneIndex, 9)
    }
}
