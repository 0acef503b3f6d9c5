import QtQuick
import QtQuick.Layouts
import Tavik.Ui

// Rain. While the rain ebbs and flows on its own it drives the five shape sliders, so those
// grey out too; the live dock splash costs CPU that power savings mode will not spend.
EffectTab {
    id: tab
    readonly property bool manual: Panel.settings.rainDynamic !== true

    flagKey: "rainEnabled"

    Card {
        objectName: "card:1"
        ToggleRow {
            objectName: "row:rainEnabled"
            title: "rain"
            subtitle: "soft rain that splashes on your dock and the screen edge."
            key: "rainEnabled"
        }
    }

    Card {
        objectName: "card:2"
        dimmed: !tab.effectOn
        ToggleRow {
            objectName: "row:rainDynamic"
            title: "dynamic"
            subtitle: "let the rain ebb and flow on its own — density, size, speed & sound follow."
            key: "rainDynamic"
        }
    }

    Card {
        objectName: "card:3"
        dimmed: !tab.effectOn
        ToggleRow {
            objectName: "row:realtimeDockSplash"
            title: "realtime dock splash"
            subtitle: "this option consumes a little more cpu, but it's definitely worth it."
            key: "realtimeDockSplash"
            dimmed: Panel.settings.lowPowerMode === true
            dimmedOpacity: 0.45
        }
    }

    Card {
        objectName: "card:4"
        dimmed: !tab.effectOn
        ToggleRow {
            objectName: "row:bottomScreenSplash"
            title: "bottom screen splash"
            subtitle: "splashes ripple along the bottom of the screen."
            key: "bottomScreenSplash"
        }
        ToggleRow {
            objectName: "row:ignoreDockScreen"
            title: "ignore dock screen"
            subtitle: "skip splashes on the display with your dock."
            icon: "menubar.dock.rectangle"
            key: "ignoreDockScreen"
        }
    }

    Card {
        objectName: "card:5"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:dropsPerSecond"
            title: "raindrops per second"
            subtitle: "how heavy the rain falls."
            key: "dropsPerSecond"
            stepSize: 1
            dimmed: !tab.manual
        }
    }

    Card {
        objectName: "card:6"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:dropSpeed"
            title: "raindrops speed"
            subtitle: "how fast they fall."
            key: "dropSpeed"
            stepSize: 1
            dimmed: !tab.manual
        }
    }

    Card {
        objectName: "card:7"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:dropWidth"
            title: "raindrops width"
            subtitle: "how thick each drop is."
            key: "dropWidth"
            stepSize: 1
            dimmed: !tab.manual
        }
        SliderRow {
            objectName: "row:dropHeight"
            title: "raindrops height"
            subtitle: "how long each drop is."
            key: "dropHeight"
            stepSize: 1
            dimmed: !tab.manual
        }
    }

    Card {
        objectName: "card:8"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:rainAngle"
            title: "rain angle"
            subtitle: "how far the wind slants it."
            key: "rainAngle"
            stepSize: 1
            dimmed: !tab.manual
        }
    }

    Card {
        objectName: "card:9"
        dimmed: !tab.effectOn
        ColorRow {
            objectName: "row:dropColorHex"
            title: "raindrops color"
            subtitle: "their tint."
            key: "dropColorHex"
        }
        ResetButton {
            objectName: "reset"
            Layout.alignment: Qt.AlignRight
            onClicked: Panel.settings.dropColorHex = "#5FD8F5"
        }
    }

    Card {
        objectName: "card:10"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:dropOpacity"
            title: "raindrops opacity"
            subtitle: "how solid vs. see-through they look."
            key: "dropOpacity"
            stepSize: 0.01
            format: Formats.percent
        }
    }
}
