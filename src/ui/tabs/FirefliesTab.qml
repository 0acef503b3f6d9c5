import QtQuick
import QtQuick.Layouts
import Tavik.Ui

// Fireflies. Their flight speed has a card and a reset of its own: it is the one number here
// people tend to push too far and want back.
EffectTab {
    id: tab

    flagKey: "firefliesEnabled"

    Card {
        objectName: "card:1"
        ToggleRow {
            objectName: "row:firefliesEnabled"
            title: "fireflies"
            subtitle: "soft pulsing glow that wanders the lower screen."
            key: "firefliesEnabled"
        }
    }

    Card {
        objectName: "card:2"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:fireflyCount"
            title: "firefly count"
            subtitle: "they take their time to show up."
            key: "fireflyCount"
            stepSize: 1
        }
        SliderRow {
            objectName: "row:fireflySize"
            title: "size"
            subtitle: "how big each glow appears."
            key: "fireflySize"
            stepSize: 1
        }
        SliderRow {
            objectName: "row:flightHeight"
            title: "flight height"
            subtitle: "how high up they wander."
            key: "flightHeight"
            stepSize: 0.01
            format: Formats.percent
        }
    }

    Card {
        objectName: "card:3"
        dimmed: !tab.effectOn
        ColorRow {
            objectName: "row:glowColorHex"
            title: "glow color"
            subtitle: "the hue of their glow."
            key: "glowColorHex"
        }
        ResetButton {
            objectName: "reset"
            Layout.alignment: Qt.AlignRight
            onClicked: Panel.settings.glowColorHex = "#C8F560"
        }
    }

    Card {
        objectName: "card:4"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:flightSpeed"
            title: "flight speed"
            subtitle: "how fast they drift around."
            key: "flightSpeed"
            stepSize: 1
        }
        ResetButton {
            objectName: "reset"
            Layout.alignment: Qt.AlignRight
            onClicked: Panel.settings.flightSpeed = 45
        }
    }
}
