import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Tavik.Ui

// What is not one effect's: live weather, where and how the scene shows, frame rate and power,
// and upkeep.
ColumnLayout {
    id: tab
    property bool showResetConfirm: false
    onShowResetConfirmChanged: if (showResetConfirm) resetAlert.open()
    readonly property var settings: Panel.settings

    spacing: 10

    SectionHeader { text: "Live weather" }
    Card {
        objectName: "card:liveWeather"
        ToggleRow {
            objectName: "row:liveWeatherEnabled"
            title: "match live weather"
            subtitle: "auto-pick a scene from your local weather (uses your device location \u2014 opt-in)."
            key: "liveWeatherEnabled"
        }
        ToggleRow {
            objectName: "row:liveWeatherDetailed"
            title: "follow it closely"
            subtitle: "rain, snow, wind, clouds, fog and the sun follow the measured weather, not just the scene."
            key: "liveWeatherDetailed"
            dimmed: tab.settings.liveWeatherEnabled !== true
        }
        RowLayout {
            objectName: "weatherLine"
            Layout.fillWidth: true
            visible: tab.settings.liveWeatherEnabled === true && Panel.weatherLine !== ""
            spacing: 6
            SymbolIcon {
                name: "location.fill"
                color: Theme.controlAccent
                Layout.preferredWidth: 9
                Layout.preferredHeight: 9
            }
            Text {
                objectName: "weatherText"
                Layout.fillWidth: true
                text: Panel.weatherLine
                color: Theme.textPrimary
                font: Theme.font(11, Font.Medium)
                elide: Text.ElideRight
            }
            Button {
                id: refresh
                objectName: "refreshWeather"
                focusPolicy: Qt.TabFocus
                padding: 4
                contentItem: Text {
                    text: "Refresh"
                    color: refresh.hovered ? Theme.textPrimary : Theme.controlAccent
                    font: Theme.font(10, Font.Medium)
                }
                background: Rectangle {
                    radius: 5
                    color: refresh.down ? Theme.pressFill : refresh.hovered ? Theme.hoverFill : "transparent"
                }
                onClicked: Panel.refreshWeather()
            }
        }
    }

    SectionHeader { text: "Display" }
    Card {
        objectName: "card:display"
        RowLayout {
            objectName: "overlayNotice"
            Layout.fillWidth: true
            visible: Panel.overlayNotice !== ""
            spacing: 6
            SymbolIcon {
                name: "display"
                color: Theme.maroonText
                Layout.preferredWidth: 11
                Layout.preferredHeight: 11
                Layout.alignment: Qt.AlignTop
                Layout.topMargin: 2
            }
            Text {
                objectName: "overlayNoticeText"
                Layout.fillWidth: true
                text: Panel.overlayNotice
                wrapMode: Text.WordWrap
                color: Theme.maroonText
                font: Theme.font(11, Font.Medium)
            }
        }
        ToggleRow {
            objectName: "row:hoverDockEffect"
            title: "hover dock effect"
            subtitle: "splash reacts to your cursor as it sweeps over the dock."
            key: "hoverDockEffect"
        }
        Text {
            Layout.fillWidth: true
            visible: monitors.count > 0
            text: "Monitors"
            color: Theme.textSecondary
            font: Theme.font(11, Font.Medium)
        }
        Repeater {
            id: monitors
            model: Panel.displays
            delegate: ToggleRow {
                required property var model
                objectName: "monitor:" + model.displayId
                title: model.name
                subtitle: "show the scene on this screen."
                icon: "display"
                checked: model.enabled
                onToggled: (on) => Panel.displays.setEnabled(model.displayId, on)
            }
        }
        ToggleRow {
            objectName: "row:floatsAboveWindows"
            title: "floats above windows"
            subtitle: Panel.desktopLevelNote !== "" ? Panel.desktopLevelNote : "keep the scene on top of other apps."
            key: "floatsAboveWindows"
            // Where the scene cannot go below windows the switch shows what happens and stays put.
            checked: Panel.desktopLevelNote !== "" || tab.settings.floatsAboveWindows === true
            dimmed: Panel.desktopLevelNote !== ""
        }
        ToggleRow {
            objectName: "row:dockSettleEnabled"
            title: "settle on dock"
            subtitle: "leaves, petals & snow occasionally land on the Dock, rest, then fade."
            key: "dockSettleEnabled"
        }
    }

    SectionHeader { text: "Performance & power" }
    Card {
        objectName: "card:power"
        SliderRow {
            objectName: "row:maxFPS"
            title: "max FPS"
            subtitle: "how smooth vs. battery-friendly it runs."
            key: "maxFPS"
            // Offers the usual frame rates; a wider cap stays possible from the command line.
            from: 15
            to: 120
            stepSize: 1
            dimmed: tab.settings.lowPowerMode === true
            dimmedOpacity: 0.45
        }
        ToggleRow {
            objectName: "row:lowPowerMode"
            title: "power savings mode"
            subtitle: "saves battery \u2014 mutes sound, caps the frame rate to 30, thins the scene, and turns off the realtime dock splash."
            key: "lowPowerMode"
        }
        ToggleRow {
            objectName: "row:autoPowerSavingEnabled"
            title: "automatically on low battery"
            subtitle: "turn power savings on by itself once the charge drops to the threshold below."
            key: "autoPowerSavingEnabled"
        }
        Loader {
            objectName: "thresholdHolder"
            Layout.fillWidth: true
            active: tab.settings.autoPowerSavingEnabled === true
            visible: active
            sourceComponent: SliderRow {
                objectName: "row:autoPowerSavingThreshold"
                title: "battery threshold"
                subtitle: "turn on at or below this charge."
                key: "autoPowerSavingThreshold"
                stepSize: 1
                format: Formats.integerPercent
            }
        }
        ToggleRow {
            objectName: "row:pauseWhenFullscreen"
            title: "pause for fullscreen apps"
            subtitle: "hide the scene and stop drawing while a fullscreen app or game is in front."
            key: "pauseWhenFullscreen"
        }
    }

    SectionHeader { text: "Maintenance" }
    Card {
        objectName: "card:maintenance"
        // The entry may have been removed by hand while the panel was away.
        readonly property bool panelActive: Window.active
        onPanelActiveChanged: if (panelActive) Panel.program.refresh()
        Component.onCompleted: Panel.program.refresh()
        ToggleRow {
            objectName: "row:startAtLogin"
            title: "start at login"
            subtitle: Panel.program.startAtLoginProblem !== "" ? Panel.program.startAtLoginProblem
                                                                : "start Tavik in the background when you log in."
            checked: Panel.program.startsAtLogin
            onToggled: (on) => Panel.program.setStartsAtLogin(on)
        }
        // Updates arrive through the system's package manager; the row says so rather than
        // pretend to check.
        RowLabel {
            objectName: "updateRow"
            Layout.fillWidth: true
            icon: "arrow.triangle.2.circlepath"
            title: "version " + Panel.version
            subtitle: "updates come with your system's software updates."
        }
        RowLayout {
            Layout.fillWidth: true
            spacing: 10
            RowLabel {
                Layout.fillWidth: true
                title: "reset all to defaults"
                subtitle: "restore every scene element and sound to its factory setting."
            }
            ResetButton {
                objectName: "resetAll"
                title: "reset to default"
                Layout.alignment: Qt.AlignVCenter
                onClicked: tab.showResetConfirm = true
            }
        }
        RowLayout {
            Layout.fillWidth: true
            spacing: 10
            RowLabel {
                Layout.fillWidth: true
                title: "quit"
                subtitle: "take the scene off the screen, fade out the sound and close Tavik."
            }
            ResetButton {
                objectName: "quit"
                title: "Quit Tavik"
                Layout.alignment: Qt.AlignVCenter
                onClicked: Panel.program.quit()
            }
        }
    }

    Text {
        objectName: "versionFooter"
        Layout.fillWidth: true
        Layout.topMargin: 2
        horizontalAlignment: Text.AlignHCenter
        textFormat: Text.StyledText
        // "Tavik v" and the version, its first letter set apart from the rest.
        text: "<font color=\"" + Theme.controlAccent + "\"><b>T</b></font>avik v" + Panel.version
        color: Theme.textSecondary
        font: Theme.font(10, Font.Normal)
    }

    PanelAlert {
        id: resetAlert
        objectName: "resetAlert"
        title: "Reset everything to defaults?"
        message: "This restores every scene element and sound to its factory setting. Your saved scenes are kept as they are."
        confirmText: "Reset to defaults"
        cancelText: "Cancel"
        destructive: true
        onConfirmed: Panel.resetAllToDefaults()
        onClosed: tab.showResetConfirm = false
    }
}
