import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Tavik.Ui

// Mark and name, the pop-out button and the master switch.
Item {
    id: header
    readonly property var presenter: Panel.presenter

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
            windy: Panel.settings.enabled === true
        }

        Text {
            text: "Tavik"
            color: Theme.textPrimary
            font: Theme.font(16, Font.DemiBold)
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
            PanelToolTip {
                objectName: "popOutTip"
                visible: popOut.hovered
                text: header.presenter.windowMode ? "dock back to the menu bar" : "pop out into a window"
            }
            onClicked: header.presenter.toggleMode()
        }

        PanelSwitch {
            objectName: "enabledSwitch"
            on: Panel.settings.enabled === true
            accent: Theme.accentGeneral
            onFlipped: (on) => Panel.settings.enabled = on
        }
    }
}
