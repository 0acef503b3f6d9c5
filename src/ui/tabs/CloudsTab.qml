import QtQuick
import QtQuick.Layouts
import Tavik.Ui

// Clouds. Floating them behind the windows only means something while the rest of the scene
// floats above them, so that card exists only then.
EffectTab {
    id: tab

    flagKey: "cloudsEnabled"

    Card {
        objectName: "card:1"
        ToggleRow {
            objectName: "row:cloudsEnabled"
            title: "clouds"
            subtitle: "slow, soft clouds drifting on the wind."
            key: "cloudsEnabled"
        }
    }

    Card {
        objectName: "card:2"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:cloudCount"
            title: "coverage"
            subtitle: "how much sky they fill."
            key: "cloudCount"
            stepSize: 1
        }
    }

    Card {
        objectName: "card:3"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:cloudOpacity"
            title: "opacity"
            subtitle: "how solid vs. see-through they look."
            key: "cloudOpacity"
            stepSize: 0.01
            format: Formats.percent
        }
    }

    Card {
        objectName: "card:4"
        dimmed: !tab.effectOn
        SliderRow {
            objectName: "row:cloudSpeed"
            title: "drift speed"
            subtitle: "how fast they drift by."
            key: "cloudSpeed"
            stepSize: 1
        }
    }

    Card {
        objectName: "card:5"
        dimmed: !tab.effectOn
        ColorRow {
            objectName: "row:cloudColorHex"
            title: "cloud color"
            subtitle: "their tint."
            key: "cloudColorHex"
        }
        ResetButton {
            objectName: "reset"
            Layout.alignment: Qt.AlignRight
            onClicked: Panel.settings.cloudColorHex = "#DCE6F2"
        }
    }

    Card {
        objectName: "card:6"
        visible: Panel.settings.floatsAboveWindows === true && Panel.desktopLevelNote === ""
        dimmed: !tab.effectOn
        ToggleRow {
            objectName: "row:cloudFloatBehind"
            title: "float behind windows"
            subtitle: "render clouds behind your windows while the rest of the scene stays in front."
            key: "cloudFloatBehind"
        }
    }
}
