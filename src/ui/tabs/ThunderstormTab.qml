import QtQuick
import QtQuick.Layouts
import Tavik.Ui

// Thunderstorm. While the storm builds and passes on its own it sets frequency and
// brightness itself, so those two sliders grey out as well.
EffectTab {
    id: tab
    readonly property bool manual: Panel.settings.thunderDynamic !== true

    flagKey: "thunderEnabled"

    Card {
        objectName: "card:1"
        ToggleRow {
            objectName: "row:thunderEnabled"
            title: "thunderstorm"
            subtitle: "off by default — soft, distant flashes that won't grab your focus."
            key: "thunderEnabled"
        }
    }

    Card {
        objectName: "card:2"
        dimmed: !tab.effectOn
        ToggleRow {
            objectName: "row:thunderDynamic"
            title: "dynamic"
            subtitle: "let the storm build and pass on its own — frequency & brightness follow."
            key: "thunderDynamic"
        }
    }

    Card {
        objectName: "card:3"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:thunderFrequency"
            title: "frequency"
            subtitle: "how often the lightning flashes."
            key: "thunderFrequency"
            stepSize: 1
            dimmed: !tab.manual
        }
    }

    Card {
        objectName: "card:4"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:thunderBrightness"
            title: "brightness"
            subtitle: "kept gentle on purpose — distant heat-lightning, not a strobe."
            key: "thunderBrightness"
            stepSize: 1
            dimmed: !tab.manual
        }
    }

    Card {
        objectName: "card:5"
        dimmed: !tab.effectOn
        ColorRow {
            objectName: "row:thunderColorHex"
            title: "flash color"
            subtitle: "the tint of each flash."
            key: "thunderColorHex"
        }
        ResetButton {
            objectName: "reset"
            Layout.alignment: Qt.AlignRight
            onClicked: Panel.settings.thunderColorHex = "#D8E2FF"
        }
    }
}
