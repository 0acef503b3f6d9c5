import QtQuick
import QtQuick.Layouts
import Tavik.Ui

// The small heading over a group of cards.
Text {
    Layout.fillWidth: true
    Layout.topMargin: 4
    Layout.leftMargin: 4
    color: Theme.textSecondary
    font: Theme.font(11, Font.DemiBold)
}
