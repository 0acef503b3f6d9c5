import QtQuick
import QtQuick.Layouts
import Tavik.Ui

// Wind: every row stands in a card of its own. While the wind moves on its own the three
// sliders have no say, so they grey out as well.
EffectTab {
    id: tab
    readonly property bool manual: Panel.settings.windDynamic !== true

    flagKey: "windEnabled"

    Card {
        objectName: "card:1"
        ToggleRow {
            objectName: "row:windEnabled"
            title: "wind"
            subtitle: "wind sways the rain, carries the leaves and petals, and ruffles the fireflies."
            key: "windEnabled"
        }
    }

    Card {
        objectName: "card:2"
        dimmed: !tab.effectOn
        ToggleRow {
            objectName: "row:windDynamic"
            title: "dynamic"
            subtitle: "let the wind ebb, swell and shift on its own — all wind elements follow."
            key: "windDynamic"
        }
    }

    Card {
        objectName: "card:3"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:windStrength"
            title: "strength"
            subtitle: "how hard the breeze blows."
            key: "windStrength"
            stepSize: 1
            dimmed: !tab.manual
        }
    }

    Card {
        objectName: "card:4"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:windGustiness"
            title: "gustiness"
            subtitle: "how punchy the gusts feel."
            key: "windGustiness"
            stepSize: 1
            dimmed: !tab.manual
        }
    }

    Card {
        objectName: "card:5"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:windDirection"
            title: "direction"
            subtitle: "which way it blows."
            key: "windDirection"
            stepSize: 1
            format: Formats.degrees
            dimmed: !tab.manual
        }
    }
}
