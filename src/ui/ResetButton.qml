import QtQuick
import QtQuick.Controls.Basic
import Tavik.Ui

// A small maroon capsule that puts something back as it came.
Button {
    id: control
    property string title: "reset"

    focusPolicy: Qt.TabFocus
    leftPadding: 12
    rightPadding: 12
    topPadding: 4
    bottomPadding: 4
    text: title

    contentItem: Text {
        text: control.text
        color: Theme.maroonText
        font: Theme.font(12, Font.Medium)
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }
    background: Rectangle {
        radius: height / 2
        color: control.down ? Qt.darker(Theme.maroon, 1.2) : control.hovered ? Qt.lighter(Theme.maroon, 1.15) : Theme.maroon
        border.width: control.visualFocus ? 1 : 0
        border.color: Theme.maroonText
    }
}
