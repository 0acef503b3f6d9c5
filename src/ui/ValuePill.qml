import QtQuick
import Tavik.Ui

// A slider's value in a small capsule.
Rectangle {
    property alias text: label.text

    implicitWidth: label.implicitWidth + 16
    implicitHeight: label.implicitHeight + 6
    radius: height / 2
    color: Qt.rgba(1, 1, 1, 0.08)

    Text {
        id: label
        objectName: "valueText"
        anchors.centerIn: parent
        color: Theme.textPrimary
        font: Theme.font(11, Font.Medium)
    }
}
