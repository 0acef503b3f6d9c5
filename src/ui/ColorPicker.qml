import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Templates as T
import QtQuick.Layouts
import Tavik.Ui

// A compact colour picker in the middle of the panel: brightness and saturation in a square,
// hue in a strip, and the hex code for typing or pasting. `picked` reports every change.
Popup {
    id: picker
    property string title
    property real hue: 0
    property real saturation: 0
    property real brightness: 1
    readonly property color current: Qt.hsva(hue, saturation, brightness, 1)
    signal picked(color color)

    function openWith(color) {
        hue = color.hsvHue >= 0 ? color.hsvHue : 0
        saturation = color.hsvSaturation
        brightness = color.hsvValue
        hexField.text = Panel.hexOf(color)
        open()
    }

    function choose(h, s, v) {
        hue = Math.min(Math.max(h, 0), 1)
        saturation = Math.min(Math.max(s, 0), 1)
        brightness = Math.min(Math.max(v, 0), 1)
        hexField.text = Panel.hexOf(current)
        picked(current)
    }

    parent: T.Overlay.overlay
    x: Math.round((parent.width - width) / 2)
    y: Math.round((parent.height - height) / 2)
    width: 248
    modal: true
    focus: true
    padding: 14
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside

    T.Overlay.modal: Rectangle { color: Qt.rgba(0, 0, 0, 0.45) }

    background: Rectangle {
        radius: 14
        color: Theme.cardBackground
        border.color: Qt.rgba(1, 1, 1, 0.12)
    }

    contentItem: ColumnLayout {
        spacing: 12

        Text {
            text: Formats.capitalized(picker.title)
            color: Theme.textPrimary
            font: Theme.font(12, Font.DemiBold)
        }

        Rectangle {
            id: square
            objectName: "saturationBrightness"
            Layout.fillWidth: true
            Layout.preferredHeight: 132
            radius: 8
            color: Qt.hsva(picker.hue, 1, 1, 1)

            Rectangle {
                anchors.fill: parent
                radius: 8
                gradient: Gradient {
                    orientation: Gradient.Horizontal
                    GradientStop { position: 0; color: "#FFFFFFFF" }
                    GradientStop { position: 1; color: "#00FFFFFF" }
                }
            }
            Rectangle {
                anchors.fill: parent
                radius: 8
                gradient: Gradient {
                    GradientStop { position: 0; color: "#00000000" }
                    GradientStop { position: 1; color: "#FF000000" }
                }
            }
            Rectangle {
                width: 14
                height: 14
                radius: 7
                x: picker.saturation * parent.width - width / 2
                y: (1 - picker.brightness) * parent.height - height / 2
                color: picker.current
                border.color: "#FFFFFF"
                border.width: 2
            }
            MouseArea {
                anchors.fill: parent
                preventStealing: true
                function pick(mouse) {
                    picker.choose(picker.hue, mouse.x / width, 1 - mouse.y / height)
                }
                onPressed: (mouse) => pick(mouse)
                onPositionChanged: (mouse) => pick(mouse)
            }
        }

        Rectangle {
            id: hueStrip
            objectName: "hueStrip"
            Layout.fillWidth: true
            Layout.preferredHeight: 12
            radius: 6
            gradient: Gradient {
                orientation: Gradient.Horizontal
                GradientStop { position: 0 / 6; color: "#FF0000" }
                GradientStop { position: 1 / 6; color: "#FFFF00" }
                GradientStop { position: 2 / 6; color: "#00FF00" }
                GradientStop { position: 3 / 6; color: "#00FFFF" }
                GradientStop { position: 4 / 6; color: "#0000FF" }
                GradientStop { position: 5 / 6; color: "#FF00FF" }
                GradientStop { position: 6 / 6; color: "#FF0000" }
            }
            Rectangle {
                width: 14
                height: 14
                radius: 7
                x: picker.hue * parent.width - width / 2
                y: -1
                color: Qt.hsva(picker.hue, 1, 1, 1)
                border.color: "#FFFFFF"
                border.width: 2
            }
            MouseArea {
                anchors.fill: parent
                anchors.margins: -4
                preventStealing: true
                function pick(mouse) {
                    picker.choose((mouse.x - 4) / hueStrip.width, picker.saturation, picker.brightness)
                }
                onPressed: (mouse) => pick(mouse)
                onPositionChanged: (mouse) => pick(mouse)
            }
        }

        RowLayout {
            spacing: 8

            Rectangle {
                Layout.preferredWidth: 26
                Layout.preferredHeight: 26
                radius: 6
                color: picker.current
                border.color: Qt.rgba(1, 1, 1, 0.2)
            }

            TextField {
                id: hexField
                objectName: "hexField"
                Layout.fillWidth: true
                color: Theme.textPrimary
                font: Theme.font(12, Font.Medium)
                selectByMouse: true
                maximumLength: 7
                validator: RegularExpressionValidator { regularExpression: /#?[0-9A-Fa-f]{0,6}/ }
                background: Rectangle {
                    radius: 6
                    color: Theme.fieldBackground
                    border.color: hexField.activeFocus ? Theme.controlAccent : Theme.cardStroke
                }
                // A whole code is taken as soon as it is typed; a partial one waits.
                onTextEdited: {
                    const digits = text.replace("#", "")
                    if (digits.length === 6) {
                        const color = Panel.colorOf(digits)
                        picker.hue = color.hsvHue >= 0 ? color.hsvHue : picker.hue
                        picker.saturation = color.hsvSaturation
                        picker.brightness = color.hsvValue
                        picker.picked(color)
                    }
                }
                onAccepted: picker.close()
            }

            ActionButton {
                objectName: "pickerDone"
                title: "Done"
                fillColor: "#2D5563"
                textColor: "#BFE8E2"
                onClicked: picker.close()
            }
        }
    }
}
