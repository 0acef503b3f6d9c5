import QtQuick
import QtQuick.Controls.Basic
import Tavik.Ui

// A round arrow at one end of a sideways strip, over a fade into the panel's background.
Item {
    id: arrow
    property bool forward: true
    property color fade: Theme.panelBackground
    signal activated()

    width: 34
    visible: opacity > 0
    opacity: 0
    Behavior on opacity { NumberAnimation { duration: 140 } }

    Rectangle {
        anchors.fill: parent
        gradient: Gradient {
            orientation: Gradient.Horizontal
            GradientStop { position: 0; color: arrow.forward ? "transparent" : arrow.fade }
            GradientStop { position: 0.55; color: arrow.fade }
            GradientStop { position: 1; color: arrow.forward ? arrow.fade : "transparent" }
        }
    }

    Button {
        id: button
        objectName: arrow.forward ? "forwardArrow" : "backArrow"
        anchors.verticalCenter: parent.verticalCenter
        x: arrow.forward ? parent.width - width - 4 : 4
        width: 22
        height: 22
        focusPolicy: Qt.NoFocus
        padding: 5
        contentItem: SymbolIcon {
            name: arrow.forward ? "chevron.right" : "chevron.left"
            color: button.hovered ? Theme.textPrimary : Theme.textSecondary
        }
        background: Rectangle {
            radius: 11
            color: button.down ? Theme.pressFill : Qt.rgba(1, 1, 1, button.hovered ? 0.12 : 0.08)
            border.color: Theme.cardStroke
        }
        onClicked: arrow.activated()
    }
}
