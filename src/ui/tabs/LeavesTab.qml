import QtQuick
import QtQuick.Layouts
import Tavik.Ui

EffectTab {
    id: tab

    flagKey: "leavesEnabled"

    Card {
        objectName: "card:1"
        ToggleRow {
            objectName: "row:leavesEnabled"
            title: "leaves"
            subtitle: "drifting, tumbling foliage on the breeze."
            key: "leavesEnabled"
        }
    }

    Card {
        objectName: "card:2"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:leafCount"
            title: "leaf count"
            subtitle: "how many there are."
            key: "leafCount"
            stepSize: 1
        }
        SliderRow {
            objectName: "row:leafFallSpeed"
            title: "fall speed"
            subtitle: "how fast they fall."
            key: "leafFallSpeed"
            stepSize: 1
        }
        SliderRow {
            objectName: "row:leafTumble"
            title: "tumble"
            subtitle: "how much they spin and flutter."
            key: "leafTumble"
            stepSize: 1
        }
    }

    Card {
        objectName: "card:3"
        dimmed: !tab.effectOn
        ColorRow {
            objectName: "row:leafColorHex"
            title: "leaf color"
            subtitle: "their tint."
            key: "leafColorHex"
        }
        ResetButton {
            objectName: "reset"
            Layout.alignment: Qt.AlignRight
            onClicked: Panel.settings.leafColorHex = "#D98A3D"
        }
    }
}
