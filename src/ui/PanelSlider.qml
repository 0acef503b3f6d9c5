import QtQuick
import QtQuick.Controls.Basic
import Tavik.Ui

// The panel's slider: a thin track, the part up to the handle in the accent colour.
Slider {
    id: control
    property color accent: Theme.controlAccent

    focusPolicy: Qt.TabFocus
    padding: 0
    implicitHeight: 18
    snapMode: Slider.SnapAlways

    background: Rectangle {
        x: control.leftPadding + control.handle.width / 2
        y: (control.height - height) / 2
        width: control.availableWidth - control.handle.width
        height: 4
        radius: 2
        color: Theme.sliderTrack

        Rectangle {
            width: control.visualPosition * parent.width
            height: parent.height
            radius: 2
            color: control.accent
        }
    }

    handle: Rectangle {
        x: control.leftPadding + control.visualPosition * (control.availableWidth - width)
        y: (control.height - height) / 2
        width: 16
        height: 16
        radius: 8
        color: control.pressed ? "#DDE6EC" : "#FFFFFF"
        border.width: control.visualFocus ? 2 : 0
        border.color: control.accent
    }
}
