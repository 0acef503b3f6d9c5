import QtQuick
import QtQuick.Layouts
import Tavik.Ui

// Snow. While the snowfall ebbs and flows on its own it sets density and fall speed itself,
// so those two sliders grey out as well.
EffectTab {
    id: tab
    readonly property bool manual: Panel.settings.snowDynamic !== true

    flagKey: "snowEnabled"

    Card {
        objectName: "card:1"
        ToggleRow {
            objectName: "row:snowEnabled"
            title: "snow"
            subtitle: "slow flakes that drift and swirl on the wind."
            key: "snowEnabled"
        }
    }

    Card {
        objectName: "card:2"
        dimmed: !tab.effectOn
        ToggleRow {
            objectName: "row:snowDynamic"
            title: "dynamic"
            subtitle: "let the snowfall ebb and flow on its own — density & fall speed follow."
            key: "snowDynamic"
        }
    }

    Card {
        objectName: "card:3"
        dimmed: !tab.effectOn
        ToggleRow {
            objectName: "row:snowflakesEnabled"
            title: "snowflakes"
            subtitle: "crystal snowflakes instead of soft dots — they also settle on the dock."
            key: "snowflakesEnabled"
        }
    }

    Card {
        objectName: "card:4"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:snowDensity"
            title: "density"
            subtitle: "how many flakes there are."
            key: "snowDensity"
            stepSize: 1
            dimmed: !tab.manual
        }
    }

    Card {
        objectName: "card:5"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:snowFallSpeed"
            title: "fall speed"
            subtitle: "how fast they fall."
            key: "snowFallSpeed"
            stepSize: 1
            dimmed: !tab.manual
        }
    }

    Card {
        objectName: "card:6"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:snowOpacity"
            title: "opacity"
            subtitle: "how solid vs. see-through they look."
            key: "snowOpacity"
            stepSize: 0.01
            format: Formats.percent
        }
    }

    Card {
        objectName: "card:7"
        dimmed: !tab.effectOn
        ColorRow {
            objectName: "row:snowColorHex"
            title: "snow color"
            subtitle: "their tint."
            key: "snowColorHex"
        }
        ResetButton {
            objectName: "reset"
            Layout.alignment: Qt.AlignRight
            onClicked: Panel.settings.snowColorHex = "#FFFFFF"
        }
    }
}
