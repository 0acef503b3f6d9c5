import QtQuick
import QtTest
import Tavik.Ui

// The effect tabs and the sound tab, every effect switched on unless a test says otherwise.
PanelTestCase {
    name: "EffectTabs"

    // Each effect tab: its switch, how many cards it has, and the settings with a reset, by card.
    readonly property var effectTabs: [
        { tag: "wind", tab: "WindTab", flag: "windEnabled", cards: 5 },
        { tag: "rain", tab: "RainTab", flag: "rainEnabled", cards: 10, resets: { 9: "dropColorHex" } },
        { tag: "snow", tab: "SnowTab", flag: "snowEnabled", cards: 7, resets: { 7: "snowColorHex" } },
        { tag: "thunderstorm", tab: "ThunderstormTab", flag: "thunderEnabled", cards: 5, resets: { 5: "thunderColorHex" } },
        { tag: "clouds", tab: "CloudsTab", flag: "cloudsEnabled", cards: 6, resets: { 5: "cloudColorHex" } },
        { tag: "fog", tab: "FogTab", flag: "fogEnabled", cards: 4, resets: { 4: "fogColorHex" } },
        { tag: "stars", tab: "StarsTab", flag: "starsEnabled", cards: 3, resets: { 3: "starColorHex" } },
        { tag: "sun", tab: "SunRaysTab", flag: "sunRaysEnabled", cards: 3, resets: { 3: "sunColorHex" } },
        { tag: "moon", tab: "MoonRaysTab", flag: "moonRaysEnabled", cards: 3, resets: { 3: "moonColorHex" } },
        { tag: "aurora", tab: "AuroraTab", flag: "auroraEnabled", cards: 3, resets: { 3: "auroraColorHex" } },
        { tag: "leaves", tab: "LeavesTab", flag: "leavesEnabled", cards: 3, resets: { 3: "leafColorHex" } },
        { tag: "petals", tab: "PetalsTab", flag: "petalsEnabled", cards: 3, resets: { 3: "petalColorHex" } },
        { tag: "fireflies", tab: "FirefliesTab", flag: "firefliesEnabled", cards: 4, resets: { 3: "glowColorHex", 4: "flightSpeed" } },
        { tag: "dust", tab: "DustTab", flag: "dustEnabled", cards: 3, resets: { 3: "dustColorHex" } }
    ]

    function init() {
        testSupport.resetStore()
        for (const entry of effectTabs)
            Panel.settings[entry.flag] = true
        Panel.settings.soundEnabled = true
    }

    // The settings a tab shows, in order; each row is named after the setting it edits.
    function rowKeys(item, keys = []) {
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

    function verifySliderRanges(tab, keys) {
        for (const key of keys.filter(key => findChild(part(tab, "row:" + key), "slider"))) {
            const slider = part(part(tab, "row:" + key), "slider")
            verify(Panel.minimumOf(key) < Panel.maximumOf(key), key + " has a range")
            compare([slider.from, slider.to], [Panel.minimumOf(key), Panel.maximumOf(key)], key)
        }
    }

    function verifyCards(tab, from, to, live, dimmedOpacity) {
        for (let i = from; i <= to; ++i)
            verifyLive(part(tab, "card:" + i), live, dimmedOpacity, "card " + i)
    }

    // The switch comes first and dims the other cards; sliders span the accepted range; each reset
    // restores its own setting only.
    function test_effectTab_data() {
        return effectTabs
    }

    function test_effectTab(data) {
        const tab = open(data.tab)
        verify(findChild(tab, "card:" + data.cards), "the last card")
        compare(findChild(tab, "card:" + (data.cards + 1)), null, "no card beyond the last")
        const keys = rowKeys(tab)
        compare(keys[0], data.flag, "the effect's own switch comes first")
        verifySliderRanges(tab, keys)
        const switchedOff = JSON.parse(settingsSnapshot())
        switchedOff[data.flag] = false

        flip(tab, data.flag)
        compare(settingsSnapshot(), JSON.stringify(switchedOff), "the switch turns off its effect and nothing else")
        verifyCards(tab, 1, 1, true, 0.5)
        verifyCards(tab, 2, data.cards, false, 0.5)
        flip(tab, data.flag)
        compare(Panel.settings[data.flag], true)
        verifyCards(tab, 2, data.cards, true, 0.5)

        const fresh = JSON.parse(settingsSnapshot())
        for (const [card, key] of Object.entries(data.resets || {})) {
            for (const other of keys) {
                const value = Panel.settings[other]
                if (typeof value === "string")
                    Panel.settings[other] = "#0A0B0C"
                else if (typeof value === "number")
                    Panel.settings[other] = value === Panel.minimumOf(other) ? Panel.maximumOf(other) : Panel.minimumOf(other)
            }
            const expected = JSON.parse(settingsSnapshot())
            verify(expected[key] !== fresh[key])
            expected[key] = fresh[key]
            verify(findChild(part(tab, "card:" + card), "row:" + key), "the reset sits with its row")
            click(part(part(tab, "card:" + card), "reset"))
            compare(settingsSnapshot(), JSON.stringify(expected), key)
        }
    }

    function test_dynamicTakesOverItsSliders_data() {
        return [
            { tag: "wind", tab: "WindTab", dynamic: "windDynamic", driven: ["windStrength", "windGustiness", "windDirection"] },
            { tag: "rain", tab: "RainTab", dynamic: "rainDynamic",
              driven: ["dropsPerSecond", "dropSpeed", "dropWidth", "dropHeight", "rainAngle"] },
            { tag: "snow", tab: "SnowTab", dynamic: "snowDynamic", driven: ["snowDensity", "snowFallSpeed"] }
        ]
    }

    function test_dynamicTakesOverItsSliders(data) {
        Panel.settings[data.dynamic] = false
        const tab = open(data.tab)
        for (const on of [false, true, false]) {
            if (Panel.settings[data.dynamic] !== on)
                flip(tab, data.dynamic)
            compare(Panel.settings[data.dynamic], on)
            for (const key of rowKeys(tab))
                verifyLive(part(tab, "row:" + key), !on || !data.driven.includes(key), 0.5, key)
        }
    }

    // Power saving, switched in the General tab, rests the frame rate (keeping its value), the dock
    // splash and the sound tab, which says why above its cards.
    function test_powerSavingRestsWhatItPauses() {
        Panel.settings.soundEnabled = false
        const rain = open("RainTab")
        const sound = open("SoundTab")
        const general = open("GeneralTab")
        const fps = Panel.settings.maxFPS
        verifySliderRanges(sound, rowKeys(sound))
        const muted = part(sound, "muted")
        verify(!muted.visible)
        verifyCards(sound, 1, 4, true, 0.45)
        for (const on of [true, false]) {
            flip(general, "lowPowerMode")
            compare(Panel.settings.lowPowerMode, on)
            verifyLive(part(general, "row:maxFPS"), !on, 0.45, "frame rate")
            verifyLive(part(rain, "row:realtimeDockSplash"), !on, 0.45, "dock splash")
            verifyLive(part(rain, "row:bottomScreenSplash"), true, 0.5, "bottom splash")
            verifyCards(sound, 1, 4, !on, 0.45)
            compare(muted.visible, on)
        }
        compare(Panel.settings.maxFPS, fps)
        Panel.settings.lowPowerMode = true
        verify(waitForItemPolished(sound))
        verify(muted.y + muted.height <= part(sound, "card:1").y, "the line stands above the cards")
    }

    // A key press moves a slider one step, never past its ends, and its pill shows the unit.
    function test_slidersMoveInStepsAndShowTheirUnit_data() {
        return [
            { tag: "dropOpacity", tab: "RainTab", start: 0.22, step: 1, value: 0.23, after: "23%" },
            { tag: "dropsPerSecond", tab: "RainTab", start: 1, step: -1, value: 1, after: "1" },
            { tag: "rainAngle", tab: "RainTab", start: -20, step: -1, value: -21, after: "-21" },
            { tag: "windDirection", tab: "WindTab", start: 45, step: 1, value: 45, after: "45°" },
            { tag: "soundVolume", tab: "SoundTab", start: 20, step: 1, value: 21, after: "21%" }
        ]
    }

    function test_slidersMoveInStepsAndShowTheirUnit(data) {
        Panel.settings[data.tag] = data.start
        const row = part(open(data.tab), "row:" + data.tag)
        const pill = part(row, "valueText")
        part(row, "slider").forceActiveFocus()
        keyClick(data.step > 0 ? Qt.Key_Right : Qt.Key_Left)
        fuzzyCompare(Number(Panel.settings[data.tag]), data.value, 1e-9)
        compare(pill.text, data.after)
    }

    // One sleep-timer choice is marked and stored; while it runs, the row counts down.
    function test_sleepTimerRowChoosesAndCountsDown() {
        Panel.settings.sleepTimer = 0
        Panel.settings.sleepTimerEndsAt = 0
        const row = part(open("SoundTab"), "row:sleepTimer")
        const subtitle = part(part(row, "sleepLabel"), "rowSubtitle")
        const idle = subtitle.text

        mouseClick(part(row, "sleep:30"))
        compare(Panel.settings.sleepTimer, 30)
        compare(Number(testSupport.storedValue("sound.sleepTimer")), 30)
        verify(part(row, "sleep:30").active && !part(row, "sleep:0").active)
        compare(subtitle.text, idle, "no countdown before the soundscape has started it")

        Panel.settings.sleepTimerEndsAt = Date.now() + 90500
        tryVerify(() => subtitle.text.startsWith("1:30 left") || subtitle.text.startsWith("1:31 left"),
                  1000, subtitle.text)
        tryVerify(() => subtitle.text.startsWith("1:29 left"), 3000, subtitle.text)
    }

    // The picker opens on the stored colour; a typed code and a click in the square are stored as
    // #RRGGBB, and a partial code waits.
    function test_colourPickerWritesTheSettingAsItIsUsed() {
        Panel.settings.dropColorHex = "#5FD8F5"
        const row = part(open("RainTab"), "row:dropColorHex")
        mouseClick(part(row, "colorWell"))
        const picker = part(row, "colorPicker")
        tryCompare(picker, "opened", true)
        const hex = part(picker.contentItem, "hexField")
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
        compare(String(testSupport.storedValue("rain.dropColor")).toUpperCase(), "#112233")

        const square = part(picker.contentItem, "saturationBrightness")
        mouseClick(square, square.width - 1, 1)
        const picked = Panel.colorOf(Panel.settings.dropColorHex)
        verify(picked.hsvSaturation > 0.95 && picked.hsvValue > 0.95, "a vivid colour: " + Panel.settings.dropColorHex)
        compare(hex.text, Panel.settings.dropColorHex)
        keyClick(Qt.Key_Escape)
        tryCompare(picker, "opened", false)
    }
}
