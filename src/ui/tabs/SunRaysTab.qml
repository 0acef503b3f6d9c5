import QtQuick
import QtQuick.Layouts
import Tavik.Ui

EffectTab {
    id: tab

    flagKey: "sunRaysEnabled"

    Card {
        objectName: "card:1"
        ToggleRow {
            objectName: "row:sunRaysEnabled"
            title: "sun rays"
            subtitle: "soft, warm light shafts slanting across the sky."
            key: "sunRaysEnabled"
        }
    }

    Card {
        objectName: "card:2"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:sunIntensity"
            title: "intensity"
            subtitle: "how bright they glow."
            key: "sunIntensity"
            stepSize: 1
        }
        SliderRow {
            objectName: "row:sunAngle"
            title: "angle"
            subtitle: "which way they slant."
            key: "sunAngle"
            stepSize: 1
            format: Formats.degrees
        }
        SliderRow {
            objectName: "row:sunSpeed"
            title: "speed"
            subtitle: "how fast they shimmer."
            key: "sunSpeed"
            stepSize: 1
        }
    }

    Card {
        objectName: "card:3"
        dimmed: !tab.effectOn
        ColorRow {
            objectName: "row:sunColorHex"
            title: "ray color"
            subtitle: "their tint."
            key: "sunColorHex"
        }
        ResetButton {
            objectName: "reset"
            Layout.alignment: Qt.AlignRight
            onClicked: Panel.settings.sunColorHex = "#FFE6A8"
        }
    }
}
