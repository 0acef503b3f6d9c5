import QtQuick
import QtQuick.Controls.Basic
import Tavik.Ui

// The panel's tooltip: shows after a short rest of the pointer over its owner.
ToolTip {
    id: tip
    delay: 600
    timeout: 6000
    padding: 6
    contentItem: Text {
        text: tip.text
        color: Theme.textPrimary
        font: Theme.font(11, Font.Normal)
    }
    background: Rectangle {
        color: Theme.cardBackground
        border.color: Qt.rgba(1, 1, 1, 0.14)
        radius: 6
    }
}
