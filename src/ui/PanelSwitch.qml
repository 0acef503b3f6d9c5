import QtQuick
import QtQuick.Controls.Basic
import Tavik.Ui

// The panel's on/off switch. `on` is what it shows; a flip by the user is reported by `flipped`
// and the switch goes back to showing `on`, so the setting stays the single source of truth.
Switch {
    id: control
    property bool on: false
    property color accent: Theme.accentGeneral
    signal flipped(bool on)

    checked: on
    focusPolicy: Qt.TabFocus
    padding: 0
    implicitWidth: track.implicitWidth
    implicitHeight: track.implicitHeight
    onToggled: {
        const wanted = checked
        checked = Qt.binding(() => control.on)
        flipped(wanted)
    }

    indicator: Rectangle {
        id: track
        implicitWidth: 34
        implicitHeight: 20
        x: control.leftPadding
        y: (control.height - height) / 2
        radius: height / 2
        color: control.checked ? control.accent : Theme.switchTrackOff
        border.width: control.visualFocus ? 2 : 0
        border.color: Qt.lighter(control.accent, 1.4)
        Behavior on color { ColorAnimation { duration: 120 } }

        Rectangle {
            width: 16
            height: 16
            radius: 8
            y: 2
            x: control.checked ? parent.width - width - 2 : 2
            color: "#FFFFFF"
            Behavior on x { NumberAnimation { duration: 120; easing.type: Easing.OutCubic } }
        }
    }
    contentItem: Item {}
}
