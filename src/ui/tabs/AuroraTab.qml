import QtQuick
import QtQuick.Layouts
import Tavik.Ui

EffectTab {
    id: tab

    flagKey: "auroraEnabled"

    Card {
        objectName: "card:1"
        ToggleRow {
            objectName: "row:auroraEnabled"
            title: "aurora"
            subtitle: "slow, shimmering northern-lights curtains — lovely over a night sky."
            key: "auroraEnabled"
        }
    }

    Card {
        objectName: "card:2"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:auroraIntensity"
            title: "intensity"
            subtitle: "how bright and bold it glows."
            key: "auroraIntensity"
            stepSize: 1
        }
        SliderRow {
            objectName: "row:auroraSpeed"
            title: "drift speed"
            subtitle: "how fast the curtains sway."
            key: "auroraSpeed"
            stepSize: 1
        }
    }

    Card {
        objectName: "card:3"
        dimmed: !tab.effectOn
        ColorRow {
            objectName: "row:auroraColorHex"
            title: "aurora color"
            subtitle: "the shade of the lights."
            key: "auroraColorHex"
        }
        ResetButton {
            objectName: "reset"
            Layout.alignment: Qt.AlignRight
            onClicked: Panel.settings.auroraColorHex = "#5BF0C0"
        }
    }
}
