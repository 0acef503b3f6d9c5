import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Tavik.Ui

// A filled rounded button with an optional symbol before its title.
Button {
    id: control
    property string title
    property string systemImage
    // The button's own `background` is its shape; these are its colours.
    property color fillColor: Theme.actionBlue
    property color textColor: "#FFFFFF"

    focusPolicy: Qt.TabFocus
    leftPadding: 12
    rightPadding: 12
    topPadding: 7
    bottomPadding: 7
    text: title

    contentItem: RowLayout {
        spacing: 6
        SymbolIcon {
            visible: control.systemImage !== ""
            name: control.systemImage
            color: control.textColor
            Layout.preferredWidth: 12
            Layout.preferredHeight: 12
        }
        Text {
            text: control.title
            color: control.textColor
            font: Theme.font(12, Font.DemiBold)
        }
    }
    background: Rectangle {
        radius: 8
        color: control.down ? Qt.darker(control.fillColor, 1.2) : control.hovered ? Qt.lighter(control.fillColor, 1.12) : control.fillColor
        border.width: control.visualFocus ? 1 : 0
        border.color: control.textColor
    }
}
