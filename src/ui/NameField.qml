import QtQuick
import QtQuick.Controls.Basic
import Tavik.Ui

// A plain text field for a scene's name.
TextField {
    id: field
    implicitHeight: 32
    placeholderText: "scene name"
    placeholderTextColor: Theme.faded(Theme.textSecondary, 0.7)
    color: Theme.textPrimary
    font: Theme.font(12, Font.Normal)
    padding: 8
    selectByMouse: true
    background: Rectangle {
        radius: 8
        color: Theme.fieldBackground
        border.color: field.activeFocus ? Theme.controlAccent : Theme.cardStroke
    }
}
