import QtQuick
import QtQuick.Layouts
import Tavik.Ui

EffectTab {
    id: tab

    flagKey: "starsEnabled"

    Card {
        objectName: "card:1"
        ToggleRow {
            objectName: "row:starsEnabled"
            title: "stars"
            subtitle: "a faint night sky — looks best after dark."
            key: "starsEnabled"
        }
    }

    Card {
        objectName: "card:2"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:starDensity"
            title: "density"
            subtitle: "how many there are."
            key: "starDensity"
            stepSize: 1
        }
        SliderRow {
            objectName: "row:shootingStarFrequency"
            title: "shooting stars"
            subtitle: "how often one streaks past."
            key: "shootingStarFrequency"
            stepSize: 1
        }
    }

    Card {
        objectName: "card:3"
        dimmed: !tab.effectOn
        ColorRow {
            objectName: "row:starColorHex"
            title: "star color"
            subtitle: "their tint."
            key: "starColorHex"
        }
        ResetButton {
            objectName: "reset"
            Layout.alignment: Qt.AlignRight
            onClicked: Panel.settings.starColorHex = "#EAF2FF"
        }
    }
}
