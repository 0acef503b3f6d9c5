import QtQuick
import QtQuick.Layouts
import Tavik.Ui

// A row's title over one line of explanation; both start with a capital on screen.
RowLayout {
    id: label
    property string title
    property string subtitle
    property string info
    property string icon

    spacing: 8

    SymbolIcon {
        visible: label.icon !== ""
        name: label.icon
        color: Theme.textSecondary
        Layout.preferredWidth: 14
        Layout.preferredHeight: 14
        Layout.alignment: Qt.AlignTop
        Layout.topMargin: 1
    }

    ColumnLayout {
        Layout.fillWidth: true
        spacing: 2

        Text {
            objectName: "rowTitle"
            Layout.fillWidth: true
            text: Formats.capitalized(label.title)
            color: Theme.textPrimary
            font: Theme.font(12, Font.Normal)
            wrapMode: Text.Wrap
        }

        Text {
            objectName: "rowSubtitle"
            Layout.fillWidth: true
            visible: text !== ""
            text: Formats.capitalized(label.subtitle !== "" ? label.subtitle : label.info)
            color: Theme.textSecondary
            font: Theme.font(10, Font.Normal)
            wrapMode: Text.Wrap
            lineHeight: 1.1
        }
    }
}
