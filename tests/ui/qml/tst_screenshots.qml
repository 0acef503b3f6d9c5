import QtQuick
import QtTest
import Tavik.Ui

// Every tab, and the looks settings and popups give it, goes to a PNG for review (screenshots/
// beside the test program); nothing may stick out past the panel's right edge.
PanelTestCase {
    name: "Screenshots"
    height: 2400

    readonly property var tabs: ["general", "saved", "clouds", "stars", "sun", "moon", "rain", "thunderstorm",
        "snow", "fog", "wind", "leaves", "petals", "fireflies", "dust", "aurora", "sound"]

    // Every visible item of `item` whose right edge lies past `limit`, unless something clips it.
    function overflow(item, root, limit, found) {
        for (const child of Array.from(item.children)) {
            if (!child.visible || child.opacity === 0 || child.width <= 0)
                continue
            const right = child.mapToItem(root, child.width, 0).x
            if (right > limit + 0.5 && !child.clip && !item.clip)
                found.push(child + " " + child.objectName + " right edge " + right)
            if (!child.clip)
                overflow(child, root, limit, found)
        }
        return found
    }

    // The whole tab at the popup's width: the view grows until the body needs no scrolling.
    function shoot(view, tab, file) {
        view.selectedTab = tab
        view.height = 540
        waitForRendering(view)
        view.height = 540 + Math.max(0, Math.ceil(part(view, "tabBody").height + 24 - part(view, "bodyScroll").height))
        waitForRendering(view)
        grabImage(view).save("screenshots/" + file + ".png")
    }

    function test_everyTabFitsThePanelAndIsSavedForReview() {
        Panel.weather.publish("Bergen", "8°C", "Rain")
        Panel.settings.liveWeatherEnabled = true
        Panel.settings.autoPowerSavingEnabled = true
        verify(Panel.savedScenes.save("Rainy desk", "\u{1F327}\uFE0F"))
        verify(Panel.savedScenes.save("Quiet evening with a very long name that must not push anything out", ""))
        // Starred, both lead the scene bar: one with its emoji, one with the star in its place.
        Panel.savedScenes.toggleFavorite(scene(0, "SceneId"))
        Panel.savedScenes.toggleFavorite(scene(1, "SceneId"))
        testSupport.setDisplays([{ id: "DEL-U2720Q-7JX1", name: "DELL U2720Q" }, { id: "eDP-1", name: "Built-in display" }])
        const view = open("SettingsRootView", "width: 320; height: 540")
        tabs.forEach((tab, index) => {
            view.selectedTab = tab
            tryVerify(() => view.body !== null, 2000, tab + " loads")
            waitForRendering(view)
            compare(overflow(view, view, view.width, []), [], tab)
            shoot(view, tab, String(index + 1).padStart(2, "0") + "-" + tab)
        })
        Panel.settings.rainEnabled = false
        Panel.settings.lowPowerMode = true
        shoot(view, "rain", "18-rain-off")
        shoot(view, "sound", "19-sound-power-saving")
        shoot(view, "general", "20-general-power-saving")

        // The two kinds of popup, which centre in the window: the view moves to its middle.
        for (const [tab, name, file] of [["rain", "colorPicker", "21-color-picker"], ["general", "resetAlert", "22-reset-alert"]]) {
            view.selectedTab = tab
            view.height = 540
            view.y = (view.Window.height - view.height) / 2
            const popup = part(view, name)
            popup.openWith ? popup.openWith(Panel.colorOf("#5FD8F5")) : popup.open()
            tryCompare(popup, "opened", true)
            waitForRendering(view)
            grabImage(view).save("screenshots/" + file + ".png")
            popup.close()
            tryCompare(popup, "visible", false)
        }
        view.y = 0

        // A desktop without a compositor: the General tab says why nothing shows.
        const notice = part(view, "overlayNotice")
        verify(!notice.visible)
        testSupport.setNeedsCompositor(true)
        shoot(view, "general", "23-general-needs-compositor")
        verify(notice.visible)
    }
}
