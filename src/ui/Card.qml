import QtQuick
import QtQuick.Layouts
import Tavik.Ui

// A rounded block of rows. `dimmed` greys it out and makes it inert without touching what it shows.
Rectangle {
    id: card
    default property alias content: column.data
    property alias spacing: column.spacing
    property bool dimmed: false
    property real dimmedOpacity: 0.5

    Layout.fillWidth: true
    implicitHeight: column.implicitHeight + 2 * column.anchors.margins
    radius: 12
    color: Theme.cardBackground
    border.color: Theme.cardStroke
    border.width: 1
    enabled: !dimmed
    opacity: dimmed ? dimmedOpacity : 1

    ColumnLayout {
        id: column
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.margins: 12
        spacing: 12
    }
}
