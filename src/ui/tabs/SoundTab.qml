import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Tavik.Ui

// Sound. Power savings mode mutes the mix whatever these say, so then the whole tab greys out
// under a line that tells why. Otherwise every row stays usable, the channel toggles included
// while the sound is off, so a mix can be set up before it is heard.
EffectTab {
    id: tab
    readonly property bool muted: Panel.settings.lowPowerMode === true
    // Minutes the sleep timer offers; 0 is off.
    readonly property var sleepChoices: [0, 15, 30, 45, 60, 90]

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

    Card {
        objectName: "card:4"
        dimmed: tab.muted
        dimmedOpacity: 0.45

        // The countdown's end is set by the soundscape when the timer starts; the row counts
        // down to it on its own, once a second while it shows.
        Item {
            id: sleepRow
            objectName: "row:sleepTimer"
            readonly property string key: "sleepTimer"
            readonly property real chosen: Number(Panel.settings.sleepTimer) || 0
            readonly property real endsAt: Number(Panel.settings.sleepTimerEndsAt) || 0
            readonly property bool counting: chosen > 0 && endsAt > 0
            property real now: Date.now()

            function remainingText() {
                const seconds = Math.max(0, Math.ceil((endsAt - now) / 1000))
                if (seconds === 0)
                    return "fading out now, then the sound switches off."
                const minutes = Math.floor(seconds / 60)
                const rest = seconds % 60
                return minutes + ":" + (rest < 10 ? "0" : "") + rest
                       + " left, then the sound fades out and switches off."
            }

            Layout.fillWidth: true
            implicitWidth: sleepColumn.implicitWidth
            implicitHeight: sleepColumn.implicitHeight

            Timer {
                interval: 1000
                repeat: true
                running: sleepRow.counting && sleepRow.visible
                triggeredOnStart: true
                onTriggered: sleepRow.now = Date.now()
            }

            ColumnLayout {
                id: sleepColumn
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: parent.top
                spacing: 8

                RowLabel {
                    objectName: "sleepLabel"
                    Layout.fillWidth: true
                    title: "sleep timer"
                    subtitle: sleepRow.counting ? sleepRow.remainingText()
                                                : "minutes until the sound fades out over 30 s and switches off."
                }

                RowLayout {
                    Layout.fillWidth: true
                    spacing: 6

                    Repeater {
                        model: tab.sleepChoices
                        delegate: Button {
                            id: choice
                            required property int modelData
                            readonly property bool active: sleepRow.chosen === modelData

                            objectName: "sleep:" + modelData
                            Layout.fillWidth: true
                            focusPolicy: Qt.TabFocus
                            height: 26
                            implicitHeight: 26
                            padding: 0
                            onClicked: Panel.settings.sleepTimer = modelData

                            contentItem: Text {
                                text: choice.modelData === 0 ? "Off" : String(choice.modelData)
                                horizontalAlignment: Text.AlignHCenter
                                verticalAlignment: Text.AlignVCenter
                                color: choice.active ? Theme.controlAccent
                                       : choice.hovered ? Theme.textPrimary : Theme.textSecondary
                                font: Theme.font(11, Font.Medium)
                            }
                            background: Rectangle {
                                radius: height / 2
                                color: choice.active ? Theme.accentFill : choice.down ? Theme.pressFill
                                       : choice.hovered ? Theme.hoverFill : Theme.chipFill
                                border.width: 1
                                border.color: choice.active ? Theme.accentStroke
                                              : choice.visualFocus ? Theme.controlAccent : "transparent"
                            }
                        }
                    }
                }
            }
        }

        ToggleRow {
            objectName: "row:pauseForOtherAudio"
            title: "pause while other audio plays"
            subtitle: "fades out while music or a video plays elsewhere, and back in after."
            key: "pauseForOtherAudio"
        }
    }
}
