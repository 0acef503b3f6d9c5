import QtQuick
import QtQuick.Layouts
import Tavik.Ui

// A labelled switch over one flag of the settings (`key`), or over `checked` when the owner
// decides what the switch means (then it listens to `toggled`). Like every row, an item around
// its layout, so the card's layout sizes the row and the row lays out its own parts.
Item {
    id: row
    property string title
    property string subtitle
    property string info
    property string icon
    property string key
    property bool checked: key !== "" && Panel.settings[key] === true
    property bool dimmed: false
    property real dimmedOpacity: 0.5
    property color accent: Theme.accentGeneral
    signal toggled(bool on)

    Layout.fillWidth: true
    implicitWidth: line.implicitWidth
    implicitHeight: line.implicitHeight
    enabled: !dimmed
    opacity: dimmed ? dimmedOpacity : 1

    RowLayout {
        id: line
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        spacing: 10

        RowLabel {
            Layout.fillWidth: true
            title: row.title
            subtitle: row.subtitle
            info: row.info
            icon: row.icon
        }

        PanelSwitch {
            objectName: "toggle"
            Layout.alignment: Qt.AlignVCenter
            on: row.checked
            accent: row.accent
            onFlipped: (on) => {
                if (row.key !== "")
                    Panel.settings[row.key] = on
                row.toggled(on)
            }
        }
    }
}
