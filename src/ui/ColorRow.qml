import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Tavik.Ui

// A labelled colour well over one of the settings' colour strings (`key`, "#RRGGBB"). A click
// opens the picker; every change is written at once, so the scene follows the drag.
Item {
    id: row
    property string title
    property string subtitle
    property string key
    readonly property color color: Panel.colorOf(Panel.settings[key])

    Layout.fillWidth: true
    implicitWidth: line.implicitWidth
    implicitHeight: line.implicitHeight

    RowLayout {
        id: line
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        spacing: 10

        RowLabel {
            Layout.fillWidth: true
            title: row.title
            subtitle: row.subtitle
        }

        Button {
            id: well
            objectName: "colorWell"
            implicitWidth: 44
            implicitHeight: 26
            focusPolicy: Qt.TabFocus
            padding: 3
            Accessible.name: row.title
            contentItem: Rectangle {
                radius: 5
                color: row.color
                border.color: Qt.rgba(0, 0, 0, 0.25)
            }
            background: Rectangle {
                radius: 8
                color: well.hovered ? Theme.pressFill : Theme.fieldBackground
                border.color: well.visualFocus ? Theme.controlAccent : Theme.cardStroke
            }
            onClicked: picker.openWith(row.color)
        }

        ColorPicker {
            id: picker
            objectName: "colorPicker"
            title: row.title
            onPicked: (color) => Panel.settings[row.key] = Panel.hexOf(color)
        }
    }
}
