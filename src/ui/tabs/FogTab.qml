import QtQuick
import QtQuick.Layouts
import Tavik.Ui

// Fog: each slider in a card of its own, the colour with its reset in the last one.
EffectTab {
    id: tab

    flagKey: "fogEnabled"

    Card {
        objectName: "card:1"
        ToggleRow {
            objectName: "row:fogEnabled"
            title: "fog"
            subtitle: "low, slow mist drifting on the wind."
            key: "fogEnabled"
        }
    }

    Card {
        objectName: "card:2"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:fogDensity"
            title: "density"
            subtitle: "how thick the mist is."
            key: "fogDensity"
            stepSize: 1
        }
    }

    Card {
        objectName: "card:3"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:fogOpacity"
            title: "opacity"
            subtitle: "how solid vs. see-through it looks."
            key: "fogOpacity"
            stepSize: 0.01
            format: Formats.percent
        }
    }

    Card {
        objectName: "card:4"
        dimmed: !tab.effectOn
        ColorRow {
            objectName: "row:fogColorHex"
            title: "fog color"
            subtitle: "its tint."
            key: "fogColorHex"
        }
        ResetButton {
            objectName: "reset"
            Layout.alignment: Qt.AlignRight
            onClicked: Panel.settings.fogColorHex = "#C8D2DC"
        }
    }
}
