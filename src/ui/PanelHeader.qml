import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Tavik.Ui

// Mark and name, the pop-out button and the master switch.
Item {
    id: header
    required property var settings
    required property var presenter

    implicitHeight: 52

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 16
        anchors.rightMargin: 12
        spacing: 8

        BrandMark {
            objectName: "brandMark"
            Layout.preferredWidth: 22
            Layout.preferredHeight: 22
            color: Theme.textPrimary
            windy: header.settings.enabled
        }

        Text {
            text: "Tavik"
            color: Theme.textPrimary
            font.family: Theme.fontFamily
            font.pixelSize: 16
            font.weight: Font.DemiBold
            font.letterSpacing: 0.3
        }

        Item { Layout.fillWidth: true }

        ToolButton {
            id: popOut
            objectName: "popOutButton"
            Layout.preferredWidth: 30
            Layout.preferredHeight: 30
            focusPolicy: Qt.NoFocus
            padding: 7
            contentItem: SymbolIcon {
                objectName: "popOutIcon"
                implicitWidth: 16
                implicitHeight: 16
                name: header.presenter.windowMode ? "arrow.down.right.and.arrow.up.left" : "macwindow"
                color: popOut.hovered ? Theme.textPrimary : Theme.textSecondary
            }
            background: Rectangle {
                radius: 7
                color: popOut.down ? Qt.rgba(1, 1, 1, 0.14) : popOut.hovered ? Theme.hoverFill : "transparent"
            }
            ToolTip {
                id: popOutTip
                objectName: "popOutTip"
                visible: popOut.hovered
                delay: 600
                text: header.presenter.windowMode ? "dock back to the menu bar" : "pop out into a window"
                contentItem: Text {
                    text: popOutTip.text
                    color: Theme.textPrimary
                    font.family: Theme.fontFamily
                    font.pixelSize: 11
                }
                background: Rectangle {
                    color: Theme.cardBackground
                    border.color: Theme.cardStroke
                    radius: 6
                }
            }
            onClicked: header.presenter.toggleMode()
        }

        Switch {
            id: master
            objectName: "enabledSwitch"
            focusPolicy: Qt.NoFocus
            padding: 0
            implicitWidth: indicator.implicitWidth
            implicitHeight: indicator.implicitHeight
            checked: header.settings.enabled
            onToggled: header.settings.enabled = checked
            indicator: Rectangle {
                implicitWidth: 38
                implicitHeight: 22
                x: master.leftPadding
                y: (master.height - height) / 2
                radius: height / 2
                color: master.checked ? Theme.controlAccent : Theme.switchTrackOff
                Behavior on color { ColorAnimation { duration: 120 } }

                Rectangle {
                    width: 18
                    height: 18
                    radius: 9
                    y: 2
                    x: master.checked ? parent.width - width - 2 : 2
                    color: "#FFFFFF"
                    Behavior on x { NumberAnimation { duration: 120; easing.type: Easing.OutCubic } }
                }
            }
            contentItem: Item {}
        }
    }
}
