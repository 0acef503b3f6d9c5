import QtQuick
import QtTest
import Tavik.Ui

TestCase {
    id: testCase
    name: "EffectTabs"
    when: windowShown
    // A TestCase is hidden by default, and so would be the tabs made inside it: shown and tall
    // enough for the longest tab, every row can be clicked where it is.
    visible: true
    width: 320
    height: 1400

    Component { id: windTab; WindTab { width: 296 } }
    Component { id: rainTab; RainTab { width: 296 } }
    Component { id: snowTab; SnowTab { width: 296 } }
    Component { id: thunderTab; ThunderstormTab { width: 296 } }
    Component { id: cloudsTab; CloudsTab { width: 296 } }
    Component { id: fogTab; FogTab { width: 296 } }
    Component { id: starsTab; StarsTab { width: 296 } }
    Component { id: sunTab; SunRaysTab { width: 296 } }
    Component { id: moonTab; MoonRaysTab { width: 296 } }
    Component { id: auroraTab; AuroraTab { width: 296 } }
    Component { id: leavesTab; LeavesTab { width: 296 } }
    Component { id: petalsTab; PetalsTab { width: 296 } }
    Component { id: firefliesTab; FirefliesTab { width: 296 } }
    Component { id: dustTab; DustTab { width: 296 } }
    Component { id: soundTab; SoundTab { width: 296 } }

    function init() {
        testSupport.resetStore()
    }

    function open(component) {
        const tab = createTemporaryObject(component, testCase)
        verify(tab, "the tab loads")
        waitForRendering(tab)
        return tab
    }

    function part(item, name) {
        const found = findChild(item, name)
        verify(found, name + " exists")
        return found
    }

    // The settings a tab shows, in order; each row is named after the setting it edits.
    function rowKeys(item, keys) {
        keys = keys || []
        if (item.objectName.startsWith("row:")) {
            const key = item.objectName.slice(4)
            compare(item.key, key, "the row named " + key + " edits it")
            verify(Panel.settings[key] !== undefined, key + " is a setting")
            keys.push(key)
        }
        for (let i = 0; i < item.children.length; ++i)
            rowKeys(item.children[i], keys)
        return keys
    }

    function flip(tab, key) {
        mouseClick(part(part(tab, "row:" + key), "toggle"))
    }

    function verifyLive(item, live, dimmedOpacity, what) {
        compare(item.enabled, live, what + " enabled")
        compare(item.opacity, live ? 1 : dimmedOpacity, what + " opacity")
    }

    // The file holds text: compare colours as strings and numbers as numbers.
    function verifyStored(fileKey, expected) {
        const stored = testSupport.storedValue(fileKey)
        if (typeof expected === "number")
            fuzzyCompare(Number(stored), expected, 1e-9, fileKey)
        else
            compare(String(stored).toUpperCase(), expected.toUpperCase(), fileKey)
    }

    function test_effectSwitchDimsTheOtherCards_data() {
        return [
            { tag: "wind", tab: windTab, flag: "windEnabled", cards: 5 },
            { tag: "rain", tab: rainTab, flag: "rainEnabled", cards: 10 },
            { tag: "snow", tab: snowTab, flag: "snowEnabled", cards: 7 },
            { tag: "thunderstorm", tab: thunderTab, flag: "thunderEnabled", cards: 5 },
            { tag: "clouds", tab: cloudsTab, flag: "cloudsEnabled", cards: 6 },
            { tag: "fog", tab: fogTab, flag: "fogEnabled", cards: 4 },
            { tag: "stars", tab: starsTab, flag: "starsEnabled", cards: 3 },
            { tag: "sun", tab: sunTab, flag: "sunRaysEnabled", cards: 3 },
            { tag: "moon", tab: moonTab, flag: "moonRaysEnabled", cards: 3 },
            { tag: "aurora", tab: auroraTab, flag: "auroraEnabled", cards: 3 },
            { tag: "leaves", tab: leavesTab, flag: "leavesEnabled", cards: 3 },
            { tag: "petals", tab: petalsTab, flag: "petalsEnabled", cards: 3 },
            { tag: "fireflies", tab: firefliesTab, flag: "firefliesEnabled", cards: 4 },
            { tag: "dust", tab: dustTab, flag: "dustEnabled", cards: 3 }
        ]
    }

    function test_effectSwitchDimsTheOtherCards(data) {
        Panel.settings[data.flag] = true
        const tab = open(data.tab)
        verify(findChild(tab, "card:" + data.cards), "the last card")
        compare(findChild(tab, "card:" + (data.cards + 1)), null, "no card beyond the last")
        const keys = rowKeys(tab)
        compare(keys[0], data.flag, "the effect's own switch comes first")
        const before = keys.map(key => Panel.settings[key])

        flip(tab, data.flag)
        compare(Panel.settings[data.flag], false)
        verifyLive(part(tab, "card:1"), true, 0.5, "card 1")
        for (let i = 2; i <= data.cards; ++i)
            verifyLive(part(tab, "card:" + i), false, 0.5, "card " + i)
        for (let j = 1; j < keys.length; ++j)
            compare(Panel.settings[keys[j]], before[j], keys[j] + " is left as it was")

        flip(tab, data.flag)
        compare(Panel.settings[data.flag], true)
        for (let n = 2; n <= data.cards; ++n)
            verifyLive(part(tab, "card:" + n), true, 0.5, "card " + n)
    }

    function test_dynamicTakesOverItsSliders_data() {
        return [
            { tag: "wind", tab: windTab, flag: "windEnabled", dynamic: "windDynamic",
              driven: ["windStrength", "windGustiness", "windDirection"], free: ["windDynamic"] },
            { tag: "rain", tab: rainTab, flag: "rainEnabled", dynamic: "rainDynamic",
              driven: ["dropsPerSecond", "dropSpeed", "dropWidth", "dropHeight", "rainAngle"],
              free: ["realtimeDockSplash", "bottomScreenSplash", "dropColorHex", "dropOpacity"] },
            { tag: "snow", tab: snowTab, flag: "snowEnabled", dynamic: "snowDynamic",
              driven: ["snowDensity", "snowFallSpeed"], free: ["snowflakesEnabled", "snowOpacity"] },
            { tag: "thunderstorm", tab: thunderTab, flag: "thunderEnabled", dynamic: "thunderDynamic",
              driven: ["thunderFrequency", "thunderBrightness"], free: ["thunderColorHex"] }
        ]
    }

    function test_dynamicTakesOverItsSliders(data) {
        Panel.settings[data.flag] = true
        Panel.settings[data.dynamic] = false
        const tab = open(data.tab)
        const all = data.driven.concat(data.free)
        for (let i = 0; i < all.length; ++i)
            verifyLive(part(tab, "row:" + all[i]), true, 0.5, all[i])

        flip(tab, data.dynamic)
        compare(Panel.settings[data.dynamic], true)
        for (let d = 0; d < data.driven.length; ++d)
            verifyLive(part(tab, "row:" + data.driven[d]), false, 0.5, data.driven[d])
        for (let f = 0; f < data.free.length; ++f)
            verifyLive(part(tab, "row:" + data.free[f]), true, 0.5, data.free[f])

        flip(tab, data.dynamic)
        for (let j = 0; j < data.driven.length; ++j)
            verifyLive(part(tab, "row:" + data.driven[j]), true, 0.5, data.driven[j])
    }

    function test_rainDockSplashRestsInPowerSavings() {
        Panel.settings.rainEnabled = true
        const tab = open(rainTab)
        verifyLive(part(tab, "row:realtimeDockSplash"), true, 0.45, "dock splash")
        Panel.settings.lowPowerMode = true
        verifyLive(part(tab, "row:realtimeDockSplash"), false, 0.45, "dock splash")
        verifyLive(part(tab, "row:bottomScreenSplash"), true, 0.5, "bottom splash")
        Panel.settings.lowPowerMode = false
        verifyLive(part(tab, "row:realtimeDockSplash"), true, 0.45, "dock splash")
    }

    function test_cloudsFloatBehindOnlyWhileTheSceneFloatsAbove() {
        Panel.settings.cloudsEnabled = true
        Panel.settings.floatsAboveWindows = true
        const tab = open(cloudsTab)
        const card = part(tab, "card:6")
        verify(card.visible)
        verify(part(tab, "row:cloudFloatBehind").visible)
        const fullHeight = tab.implicitHeight

        Panel.settings.floatsAboveWindows = false
        verify(!card.visible)
        verify(waitForItemPolished(tab))
        // The layout closes the gap instead of leaving an empty slot.
        fuzzyCompare(tab.implicitHeight, fullHeight - card.height - tab.spacing, 0.5)

        Panel.settings.floatsAboveWindows = true
        verify(card.visible)
        // Nor in a session where nothing goes behind windows.
        testSupport.setWaylandSession(true)
        verify(!card.visible)
    }

    function test_resetWritesOnlyItsOwnValue_data() {
        return [
            { tag: "rain", tab: rainTab, flag: "rainEnabled", card: 9, key: "dropColorHex", file: "rain.dropColor",
              other: "dropsPerSecond", otherFile: "rain.dropsPerSecond" },
            { tag: "snow", tab: snowTab, flag: "snowEnabled", card: 7, key: "snowColorHex", file: "snow.color",
              other: "snowDensity", otherFile: "snow.density" },
            { tag: "thunderstorm", tab: thunderTab, flag: "thunderEnabled", card: 5, key: "thunderColorHex",
              file: "thunder.color", other: "thunderFrequency", otherFile: "thunder.frequency" },
            { tag: "clouds", tab: cloudsTab, flag: "cloudsEnabled", card: 5, key: "cloudColorHex", file: "clouds.color",
              other: "cloudSpeed", otherFile: "clouds.speed" },
            { tag: "fog", tab: fogTab, flag: "fogEnabled", card: 4, key: "fogColorHex", file: "fog.color",
              other: "fogDensity", otherFile: "fog.density" },
            { tag: "stars", tab: starsTab, flag: "starsEnabled", card: 3, key: "starColorHex", file: "stars.color",
              other: "starDensity", otherFile: "stars.density" },
            { tag: "sun", tab: sunTab, flag: "sunRaysEnabled", card: 3, key: "sunColorHex", file: "sun.color",
              other: "sunIntensity", otherFile: "sun.intensity" },
            { tag: "moon", tab: moonTab, flag: "moonRaysEnabled", card: 3, key: "moonColorHex", file: "moon.color",
              other: "moonIntensity", otherFile: "moon.intensity" },
            { tag: "aurora", tab: auroraTab, flag: "auroraEnabled", card: 3, key: "auroraColorHex",
              file: "aurora.color", other: "auroraIntensity", otherFile: "aurora.intensity" },
            { tag: "leaves", tab: leavesTab, flag: "leavesEnabled", card: 3, key: "leafColorHex", file: "leaves.color",
              other: "leafTumble", otherFile: "leaves.tumble" },
            { tag: "petals", tab: petalsTab, flag: "petalsEnabled", card: 3, key: "petalColorHex",
              file: "petals.color", other: "petalTumble", otherFile: "petals.tumble" },
            { tag: "dust", tab: dustTab, flag: "dustEnabled", card: 3, key: "dustColorHex", file: "dust.color",
              other: "dustDensity", otherFile: "dust.density" },
            { tag: "firefly glow", tab: firefliesTab, flag: "firefliesEnabled", card: 3, key: "glowColorHex",
              file: "fireflies.glowColor", other: "flightSpeed", otherFile: "fireflies.flightSpeed" },
            { tag: "firefly speed", tab: firefliesTab, flag: "firefliesEnabled", card: 4, key: "flightSpeed",
              file: "fireflies.flightSpeed", other: "glowColorHex", otherFile: "fireflies.glowColor", expected: 45 }
        ]
    }

    function test_resetWritesOnlyItsOwnValue(data) {
        // What the reset puts back is the value a fresh store starts with.
        const original = data.expected !== undefined ? data.expected : Panel.settings[data.key]
        const changed = value => typeof value === "number" ? 7 : "#0A0B0C"
        Panel.settings[data.flag] = true
        Panel.settings[data.key] = changed(original)
        Panel.settings[data.other] = changed(Panel.settings[data.other])
        const otherValue = Panel.settings[data.other]

        const tab = open(data.tab)
        const card = part(tab, "card:" + data.card)
        verify(findChild(card, "row:" + data.key), "the reset sits with its row")
        mouseClick(part(card, "reset"))

        compare(Panel.settings[data.key], original)
        verifyStored(data.file, original)
        compare(Panel.settings[data.other], otherValue)
        verifyStored(data.otherFile, otherValue)
    }

    function test_slidersMoveInStepsAndShowTheirUnit_data() {
        return [
            { tag: "rain opacity", tab: rainTab, flag: "rainEnabled", key: "dropOpacity", file: "rain.dropOpacity",
              start: 0.22, text: "22%", press: Qt.Key_Right, value: 0.23, after: "23%" },
            { tag: "rain per second at its floor", tab: rainTab, flag: "rainEnabled", key: "dropsPerSecond",
              file: "rain.dropsPerSecond", start: 1, text: "1", press: Qt.Key_Left, value: 1, after: "1" },
            { tag: "rain angle", tab: rainTab, flag: "rainEnabled", key: "rainAngle", file: "rain.angle",
              start: -20, text: "-20", press: Qt.Key_Left, value: -21, after: "-21" },
            { tag: "wind direction", tab: windTab, flag: "windEnabled", key: "windDirection", file: "wind.direction",
              start: 45, text: "45°", press: Qt.Key_Right, value: 45, after: "45°" },
            { tag: "sun angle", tab: sunTab, flag: "sunRaysEnabled", key: "sunAngle", file: "sun.angle",
              start: -25, text: "-25°", press: Qt.Key_Right, value: -24, after: "-24°" },
            { tag: "cloud coverage at its ceiling", tab: cloudsTab, flag: "cloudsEnabled", key: "cloudCount",
              file: "clouds.count", start: 20, text: "20", press: Qt.Key_Right, value: 20, after: "20" },
            { tag: "firefly count at its ceiling", tab: firefliesTab, flag: "firefliesEnabled", key: "fireflyCount",
              file: "fireflies.count", start: 30, text: "30", press: Qt.Key_Right, value: 30, after: "30" },
            { tag: "flight height", tab: firefliesTab, flag: "firefliesEnabled", key: "flightHeight",
              file: "fireflies.flightHeight", start: 0.47, text: "47%", press: Qt.Key_Left, value: 0.46, after: "46%" },
            { tag: "leaf count at its ceiling", tab: leavesTab, flag: "leavesEnabled", key: "leafCount",
              file: "leaves.count", start: 40, text: "40", press: Qt.Key_Right, value: 40, after: "40" },
            { tag: "volume", tab: soundTab, flag: "soundEnabled", key: "soundVolume", file: "sound.volume",
              start: 20, text: "20%", press: Qt.Key_Right, value: 21, after: "21%" }
        ]
    }

    function test_slidersMoveInStepsAndShowTheirUnit(data) {
        Panel.settings[data.flag] = true
        Panel.settings[data.key] = data.start
        const tab = open(data.tab)
        const row = part(tab, "row:" + data.key)
        const pill = part(row, "valueText")
        compare(pill.text, data.text)

        part(row, "slider").forceActiveFocus()
        keyClick(data.press)
        fuzzyCompare(Number(Panel.settings[data.key]), data.value, 1e-9)
        verifyStored(data.file, data.value)
        compare(pill.text, data.after)
    }

    function sliderRows(item, rows) {
        rows = rows || []
        if (item.objectName.startsWith("row:") && findChild(item, "slider"))
            rows.push(item)
        for (let i = 0; i < item.children.length; ++i)
            sliderRows(item.children[i], rows)
        return rows
    }

    // Every slider offers exactly the range the program accepts for its setting.
    function test_slidersOfferTheAcceptedRange() {
        let count = 0
        for (const component of [windTab, rainTab, snowTab, thunderTab, cloudsTab, fogTab, starsTab, sunTab,
                                 moonTab, auroraTab, leavesTab, petalsTab, firefliesTab, dustTab, soundTab]) {
            const tab = open(component)
            for (const row of sliderRows(tab)) {
                const slider = part(row, "slider")
                verify(Panel.minimumOf(row.key) < Panel.maximumOf(row.key), row.key + " has a range")
                compare(slider.from, Panel.minimumOf(row.key), row.key + " from")
                compare(slider.to, Panel.maximumOf(row.key), row.key + " to")
                ++count
            }
        }
        compare(count, 41, "every slider of the effect tabs")
    }

    function test_sliderDragLandsOnAWholeStep() {
        Panel.settings.rainEnabled = true
        Panel.settings.dropsPerSecond = 1
        const tab = open(rainTab)
        const slider = part(part(tab, "row:dropsPerSecond"), "slider")
        mouseDrag(slider, 8, slider.height / 2, slider.width * 0.37, 0)
        const value = Number(Panel.settings.dropsPerSecond)
        verify(value > 30 && value < 60, "the drag moved the value to " + value)
        compare(value, Math.round(value), "whole drops per second")
        compare(part(part(tab, "row:dropsPerSecond"), "valueText").text, String(value))
    }

    function test_soundTabFollowsPowerSavings() {
        Panel.settings.soundEnabled = false
        Panel.settings.lowPowerMode = false
        const tab = open(soundTab)
        const muted = part(tab, "muted")
        verify(!muted.visible)
        for (let i = 1; i <= 4; ++i)
            verifyLive(part(tab, "card:" + i), true, 0.45, "card " + i)

        // With the sound off, the mix can still be prepared.
        const sea = Panel.settings.seaSoundEnabled
        flip(tab, "seaSoundEnabled")
        compare(Panel.settings.seaSoundEnabled, !sea)

        Panel.settings.lowPowerMode = true
        verify(muted.visible)
        verify(waitForItemPolished(tab))
        verify(muted.y + muted.height <= part(tab, "card:1").y, "the line stands above the cards")
        for (let j = 1; j <= 4; ++j)
            verifyLive(part(tab, "card:" + j), false, 0.45, "card " + j)

        Panel.settings.lowPowerMode = false
        verify(!muted.visible)
        for (let k = 1; k <= 4; ++k)
            verifyLive(part(tab, "card:" + k), true, 0.45, "card " + k)
    }

    // One choice of the sleep timer is marked and stored; while it runs, the row counts down to
    // the end the soundscape set.
    function test_sleepTimerRowChoosesAndCountsDown() {
        Panel.settings.sleepTimer = 0
        Panel.settings.sleepTimerEndsAt = 0
        const tab = open(soundTab)
        const row = part(tab, "row:sleepTimer")
        const subtitle = part(part(row, "sleepLabel"), "rowSubtitle")
        const idle = subtitle.text
        compare(part(row, "sleep:0").active, true)

        mouseClick(part(row, "sleep:30"))
        compare(Panel.settings.sleepTimer, 30)
        verifyStored("sound.sleepTimer", 30)
        compare(part(row, "sleep:30").active, true)
        compare(part(row, "sleep:0").active, false)
        compare(subtitle.text, idle, "no countdown before the soundscape has started it")

        Panel.settings.sleepTimerEndsAt = Date.now() + 90500
        tryVerify(() => subtitle.text.startsWith("1:30 left") || subtitle.text.startsWith("1:31 left"),
                  1000, subtitle.text)
        tryVerify(() => subtitle.text.startsWith("1:29 left"), 3000, subtitle.text)

        mouseClick(part(row, "sleep:0"))
        compare(Panel.settings.sleepTimer, 0)
        verifyStored("sound.sleepTimer", 0)
        compare(subtitle.text, idle)
    }

    // The colour well opens the picker on the stored colour; a typed code and a click in the
    // square both land in the setting and the file as #RRGGBB, and a partial code waits.
    function test_colourPickerWritesTheSettingAsItIsUsed() {
        Panel.settings.rainEnabled = true
        Panel.settings.dropColorHex = "#5FD8F5"
        const tab = open(rainTab)
        const row = part(tab, "row:dropColorHex")
        mouseClick(part(row, "colorWell"))
        const picker = part(row, "colorPicker")
        tryCompare(picker, "opened", true)
        const hex = findChild(picker.contentItem, "hexField")
        verify(hex, "the hex field")
        compare(hex.text, "#5FD8F5")

        hex.selectAll()
        hex.forceActiveFocus()
        keyClick(Qt.Key_Backspace)
        for (const key of "1122")
            keyClick(key)
        compare(Panel.settings.dropColorHex, "#5FD8F5", "half a code changes nothing")
        keyClick("3")
        keyClick("3")
        compare(Panel.settings.dropColorHex, "#112233")
        verifyStored("rain.dropColor", "#112233")

        // Full saturation and brightness: the top right corner of the square.
        const square = findChild(picker.contentItem, "saturationBrightness")
        mouseClick(square, square.width - 1, 1)
        const picked = Panel.colorOf(Panel.settings.dropColorHex)
        verify(picked.hsvSaturation > 0.95 && picked.hsvValue > 0.95, "a vivid colour: " + Panel.settings.dropColorHex)
        compare(hex.text, Panel.settings.dropColorHex)
        keyClick(Qt.Key_Escape)
        tryCompare(picker, "opened", false)
    }
}
