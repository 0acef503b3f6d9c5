import QtQuick
import QtTest
import Tavik.Ui

// What the panel's QML tests share: a fresh store per test, a window tall enough for the longest
// tab, and the ways a user reaches a part.
TestCase {
    id: testCase
    when: windowShown
    visible: true
    width: 320
    height: 1400

    function init() {
        testSupport.resetStore()
    }

    // A part of the panel by type name, by default at a tab's width.
    function open(type, size) {
        const item = createTemporaryQmlObject("import Tavik.Ui; " + type + " { " + (size || "width: 296") + " }",
                                              testCase)
        verify(item, type + " loads")
        waitForRendering(item)
        return item
    }

    function part(item, name) {
        const found = findChild(item, name)
        verify(found, name + " exists")
        return found
    }

    function click(item) {
        waitForItemPolished(item.parent)
        mouseClick(item)
    }

    // Clicks the switch of a row: `item` itself, or the row of setting `key` inside it.
    function flip(item, key) {
        click(part(key ? part(item, "row:" + key) : item, "toggle"))
    }

    function verifyLive(item, live, dimmedOpacity, what) {
        compare(item.enabled, live, what + " enabled")
        compare(item.opacity, live ? 1 : dimmedOpacity, what + " opacity")
    }

    // Every plain setting by name, to tell whether anything else changed.
    function settingsSnapshot() {
        const values = {}
        for (const key in Panel.settings) {
            if (["boolean", "number", "string"].includes(typeof Panel.settings[key]))
                values[key] = Panel.settings[key]
        }
        return JSON.stringify(values)
    }

    // A role of the saved scene in list row `row`: "SceneId", "Name" or "Icon".
    function scene(row, role) {
        const scenes = Panel.savedScenes
        return scenes.data(scenes.index(row, 0), SavedScenesModel[role + "Role"])
    }
}
