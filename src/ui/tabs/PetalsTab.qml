import QtQuick
import QtQuick.Layouts
import Tavik.Ui

EffectTab {
    id: tab

    flagKey: "petalsEnabled"

    Card {
        objectName: "card:1"
        ToggleRow {
            objectName: "row:petalsEnabled"
            title: "petals"
            subtitle: "pink blossom petals drifting on the breeze."
            key: "petalsEnabled"
        }
    }

    Card {
        objectName: "card:2"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:petalCount"
            title: "petal count"
            subtitle: "how many there are."
            key: "petalCount"
            stepSize: 1
        }
        SliderRow {
            objectName: "row:petalFallSpeed"
            title: "fall speed"
            subtitle: "how fast they fall."
            key: "petalFallSpeed"
            stepSize: 1
        }
        SliderRow {
            objectName: "row:petalTumble"
            title: "tumble"
            subtitle: "how much they spin and flutter."
            key: "petalTumble"
            stepSize: 1
        }
    }

    Card {
        objectName: "card:3"
        dimmed: !tab.effectOn
        ColorRow {
            objectName: "row:petalColorHex"
            title: "petal color"
            subtitle: "their tint."
            key: "petalColorHex"
        }
        ResetButton {
            objectName: "reset"
            Layout.alignment: Qt.AlignRight
            onClicked: Panel.settings.petalColorHex = "#F7B7CE"
        }
    }
}
