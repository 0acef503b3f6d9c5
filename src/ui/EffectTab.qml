import QtQuick
import QtQuick.Layouts
import Tavik.Ui

// The body of an effect's tab: a column of cards. `effectOn` follows the effect's own switch,
// which every card after the first reads to grey out while the effect is off.
ColumnLayout {
    property string flagKey
    readonly property bool effectOn: flagKey !== "" && Panel.settings[flagKey] === true

    spacing: 10
}
