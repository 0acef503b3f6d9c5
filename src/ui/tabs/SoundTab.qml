import QtQuick
import QtQuick.Layouts
import Tavik.Ui

// Sound. Power savings mode mutes the mix whatever these say, so then the whole tab greys out
// under a line that tells why. Otherwise every row stays usable, the channel toggles included
// while the sound is off, so a mix can be set up before it is heard.
EffectTab {
    id: tab
    readonly property bool muted: Panel.settings.lowPowerMode === true

    flagKey: "soundEnabled"

    Text {
        objectName: "muted"
        Layout.fillWidth: true
        visible: tab.muted
        text: "Muted while power savings mode is on."
        color: Theme.textSecondary
        font: Theme.font(11, Font.Medium)
        horizontalAlignment: Text.AlignLeft
        wrapMode: Text.Wrap
    }

    Card {
        objectName: "card:1"
        dimmed: tab.muted
        dimmedOpacity: 0.45
        ToggleRow {
            objectName: "row:soundEnabled"
            title: "ambient sound"
            subtitle: "synthesized rain, wind, thunder, birdsong & sea — off by default, scene-aware."
            key: "soundEnabled"
        }
    }

    Card {
        objectName: "card:2"
        dimmed: tab.muted
        dimmedOpacity: 0.45
        SliderRow {
            objectName: "row:soundVolume"
            title: "volume"
            subtitle: "how loud the whole mix is."
            key: "soundVolume"
            stepSize: 1
            format: Formats.integerPercent
        }
    }

    Card {
        objectName: "card:3"
        dimmed: tab.muted
        dimmedOpacity: 0.45
        ToggleRow {
            objectName: "row:rainSoundEnabled"
            title: "rain sound"
            subtitle: "soft patter of falling rain."
            key: "rainSoundEnabled"
        }
        ToggleRow {
            objectName: "row:windSoundEnabled"
            title: "wind sound"
            subtitle: "a gentle gusting breeze."
            key: "windSoundEnabled"
        }
        ToggleRow {
            objectName: "row:thunderSoundEnabled"
            title: "thunder sound"
            subtitle: "distant rolling thunder."
            key: "thunderSoundEnabled"
        }
        ToggleRow {
            objectName: "row:birdsongSoundEnabled"
            title: "daytime birdsong"
            subtitle: "cheerful birds during the day."
            key: "birdsongSoundEnabled"
        }
        ToggleRow {
            objectName: "row:seaSoundEnabled"
            title: "sea waves"
            subtitle: "rolling ocean waves that swell and recede."
            key: "seaSoundEnabled"
        }
    }
}
