import QtQuick
import QtQuick.Controls.Basic
import Tavik.Ui

// A plain symbol button, with an optional tooltip.
Button {
    id: control
    property string symbol
    property color tint: Theme.textSecondary
    property real symbolSize: 12
    property string tip

    implicitWidth: symbolSize + 12
    implicitHeight: symbolSize + 12
    padding: 6
    focusPolicy: Qt.TabFocus
    opacity: enabled ? 1 : 0.35
    Accessible.name: tip

    contentItem: SymbolIcon {
        name: control.symbol
        color: control.tint
    }
    background: Rectangle {
        radius: 6
        color: control.down ? Theme.pressFill : control.hovered ? Theme.hoverFill : "transparent"
        border.width: control.visualFocus ? 1 : 0
        border.color: Theme.controlAccent
    }

    PanelToolTip {
        visible: control.hovered && control.tip !== ""
        text: control.tip
    }
}
