import QtQuick
import QtQuick.Layouts
import Tavik.Ui

EffectTab {
    id: tab

    flagKey: "moonRaysEnabled"

    Card {
        objectName: "card:1"
        ToggleRow {
            objectName: "row:moonRaysEnabled"
            title: "moon rays"
            subtitle: "soft, cool light shafts slanting across the sky."
            key: "moonRaysEnabled"
        }
    }

    Card {
        objectName: "card:2"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:moonIntensity"
            title: "intensity"
            subtitle: "how bright they glow."
            key: "moonIntensity"
            stepSize: 1
        }
        SliderRow {
            objectName: "row:moonAngle"
            title: "angle"
            subtitle: "which way they slant."
            key: "moonAngle"
            stepSize: 1
            format: Formats.degrees
        }
        SliderRow {
            objectName: "row:moonSpeed"
            title: "speed"
            subtitle: "how fast they shimmer."
            key: "moonSpeed"
            stepSize: 1
        }
    }

    Card {
        objectName: "card:3"
        dimmed: !tab.effectOn
        ColorRow {
            objectName: "row:moonColorHex"
            title: "ray color"
            subtitle: "their tint."
            key: "moonColorHex"
        }
        ResetButton {
            objectName: "reset"
            Layout.alignment: Qt.AlignRight
            onClicked: Panel.settings.moonColorHex = "#C9D8FF"
        }
    }
}
