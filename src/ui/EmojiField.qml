import QtQuick
import QtQuick.Controls.Basic
import Tavik.Ui

// A one-emoji field: typing a new emoji replaces the one already there.
TextField {
    id: field
    implicitWidth: 40
    implicitHeight: 32
    horizontalAlignment: TextInput.AlignHCenter
    placeholderText: "\u{1F642}"
    placeholderTextColor: Qt.rgba(1, 1, 1, 0.35)
    color: Theme.textPrimary
    font.family: Theme.emojiFamily
    font.pixelSize: 16
    padding: 4
    selectByMouse: true
    // Cuts the text down as an edit would: assigning `text` here would drop the binding that
    // the owner puts on it, and the field would stop showing a quick pick or clearing on save.
    onTextChanged: {
        const last = Panel.lastCharacter(text)
        if (last !== text)
            remove(0, text.length - last.length)
    }
    background: Rectangle {
        radius: 8
        color: Theme.fieldBackground
        border.color: field.activeFocus ? Theme.controlAccent : Theme.cardStroke
    }
}
