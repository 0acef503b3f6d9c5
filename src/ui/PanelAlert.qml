import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Templates as T
import QtQuick.Layouts
import Tavik.Ui

// A small modal message in the middle of the panel, with one or two buttons. `destructive`
// paints the confirming button maroon.
Popup {
    id: alert
    property string title
    property string message
    property string confirmText: "ok"
    property string cancelText
    property bool destructive: false
    signal confirmed()
    signal cancelled()

    parent: T.Overlay.overlay
    x: Math.round((parent.width - width) / 2)
    y: Math.round((parent.height - height) / 2)
    width: Math.min(264, parent.width - 32)
    modal: true
    focus: true
    padding: 16
    closePolicy: Popup.CloseOnEscape
    onClosed: if (!accepting) cancelled()

    property bool accepting: false
    onAboutToShow: accepting = false

    T.Overlay.modal: Rectangle { color: Qt.rgba(0, 0, 0, 0.5) }

    background: Rectangle {
        radius: 14
        color: Theme.cardBackground
        border.color: Qt.rgba(1, 1, 1, 0.12)
    }

    contentItem: ColumnLayout {
        spacing: 10

        Text {
            objectName: "alertTitle"
            Layout.fillWidth: true
            text: alert.title
            color: Theme.textPrimary
            font: Theme.font(13, Font.DemiBold)
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
        }

        Text {
            objectName: "alertMessage"
            Layout.fillWidth: true
            visible: text !== ""
            text: alert.message
            color: Theme.textSecondary
            font: Theme.font(11, Font.Normal)
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
            lineHeight: 1.15
        }

        RowLayout {
            Layout.fillWidth: true
            Layout.topMargin: 4
            spacing: 8

            ActionButton {
                objectName: "alertCancel"
                visible: alert.cancelText !== ""
                Layout.fillWidth: true
                title: alert.cancelText
                fillColor: Qt.rgba(1, 1, 1, 0.08)
                textColor: Theme.textPrimary
                onClicked: alert.close()
            }

            ActionButton {
                objectName: "alertConfirm"
                Layout.fillWidth: true
                title: alert.confirmText
                fillColor: alert.destructive ? Theme.maroon : Theme.actionBlue
                textColor: alert.destructive ? Theme.maroonText : "#FFFFFF"
                onClicked: {
                    alert.accepting = true
                    alert.close()
                    alert.confirmed()
                }
            }
        }
    }
}
