import QtQuick
import QtQuick.Layouts
import Tavik.Ui

// A labelled slider over one number of the settings (`key`), its value in a pill. The slider
// offers the range the program accepts for the setting (unless `from` and `to` are given),
// shows the stored value held to that range and moves in steps of `stepSize`.
// The row is an item around its layout, not a layout itself: a layout placed straight in the
// card's layout could keep a stale height from an early pass and draw its slider far below.
Item {
    id: row
    property string title
    property string subtitle
    property string key
    property real from: Panel.minimumOf(key)
    property real to: Panel.maximumOf(key)
    property real stepSize: 1
    property var format: Formats.integer
    property bool dimmed: false
    property real dimmedOpacity: 0.5
    readonly property real value: slider.value
    readonly property real stored: {
        const number = Number(Panel.settings[key])
        return isFinite(number) ? number : from
    }

    Layout.fillWidth: true
    implicitWidth: column.implicitWidth
    implicitHeight: column.implicitHeight
    enabled: !dimmed
    opacity: dimmed ? dimmedOpacity : 1

    ColumnLayout {
        id: column
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        spacing: 8

        RowLayout {
            Layout.fillWidth: true
            spacing: 10

            RowLabel {
                Layout.fillWidth: true
                title: row.title
                subtitle: row.subtitle
            }

            ValuePill {
                objectName: "valuePill"
                Layout.alignment: Qt.AlignTop
                text: row.format(slider.value)
            }
        }

        PanelSlider {
            id: slider
            objectName: "slider"
            Layout.fillWidth: true
            from: row.from
            to: row.to
            stepSize: row.stepSize
            value: row.stored
            onMoved: {
                const wanted = value
                value = Qt.binding(() => row.stored)
                Panel.settings[row.key] = wanted
            }
        }
    }
}
