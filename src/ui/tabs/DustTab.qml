import QtQuick
import QtQuick.Layouts
import Tavik.Ui

EffectTab {
    id: tab

    flagKey: "dustEnabled"

    Card {
        objectName: "card:1"
        ToggleRow {
            objectName: "row:dustEnabled"
            title: "dust"
            subtitle: "tiny motes drifting in the light."
            key: "dustEnabled"
        }
    }

    Card {
        objectName: "card:2"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:dustDensity"
            title: "density"
            subtitle: "how many motes there are."
            key: "dustDensity"
            stepSize: 1
        }
    }

    Card {
        objectName: "card:3"
        dimmed: !tab.effectOn
        ColorRow {
            objectName: "row:dustColorHex"
            title: "dust color"
            subtitle: "their tint."
            key: "dustColorHex"
        }
        ResetButton {
            objectName: "reset"
            Layout.alignment: Qt.AlignRight
            onClicked: Panel.settings.dustColorHex = "#FFF1D0"
        }
    }
}
