import QtQuick

// Lies over a control and reports a right click; every other press and the hover go to the
// control underneath.
MouseArea {
    signal rightClicked()

    anchors.fill: parent
    acceptedButtons: Qt.RightButton
    hoverEnabled: false
    onClicked: rightClicked()
}
