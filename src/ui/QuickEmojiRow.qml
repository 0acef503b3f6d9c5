import QtQuick
import QtQuick.Controls.Basic
import Tavik.Ui

// One-click emojis for a scene; the one equal to `value` is ringed in the accent colour.
Flickable {
    id: row
    property string value
    signal chosen(string emoji)

    readonly property var quickEmojis: [
        "\u{1F327}\uFE0F", "\u2600\uFE0F", "\u{1F319}", "\u{1F342}", "\u{1F338}", "\u26C8\uFE0F",
        "\u2744\uFE0F", "\u{1F30C}", "\u2728", "\u{1F30A}", "\u{1F525}", "\u{1F32B}\uFE0F"
    ]

    implicitHeight: 34
    contentWidth: emojis.implicitWidth
    contentHeight: height
    flickableDirection: Flickable.HorizontalFlick
    boundsBehavior: Flickable.StopAtBounds
    clip: true

    Row {
        id: emojis
        anchors.verticalCenter: parent.verticalCenter
        spacing: 6

        Repeater {
            model: row.quickEmojis
            delegate: Button {
                id: choice
                required property string modelData
                objectName: "quickEmoji"
                width: 26
                height: 26
                padding: 0
                focusPolicy: Qt.TabFocus
                contentItem: Text {
                    text: choice.modelData
                    font.family: Theme.emojiFamily
                    font.pixelSize: 15
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                }
                background: Rectangle {
                    radius: 13
                    color: row.value === choice.modelData ? Theme.faded(Theme.controlAccent, 0.22)
                                                          : Qt.rgba(1, 1, 1, choice.hovered ? 0.1 : 0.05)
                    border.width: choice.visualFocus ? 1 : 0
                    border.color: Theme.controlAccent
                }
                onClicked: row.chosen(choice.modelData)
            }
        }
    }
}
