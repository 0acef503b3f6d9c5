import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Tavik.Ui

// The settings panel: header, divider, and a scrolling body that the tabs fill. The same view
// is hosted in the popup at the tray icon and in the floating window.
Rectangle {
    id: root
    required property var settings  // SettingsPropertyMap: every plain setting by name
    required property var presenter // PanelPresenter
    required property var weather   // WeatherService, or null

    // Items declared inside a SettingsRootView go into the scrolling body.
    default property alias content: body.data
    readonly property alias body: body

    color: Theme.panelBackground
    implicitWidth: 320
    implicitHeight: 540

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        PanelHeader {
            objectName: "header"
            Layout.fillWidth: true
            settings: root.settings
            presenter: root.presenter
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            color: Theme.divider
        }

        ScrollView {
            id: scroll
            objectName: "bodyScroll"
            Layout.fillWidth: true
            Layout.fillHeight: true
            contentWidth: availableWidth
            clip: true

            ColumnLayout {
                id: body
                width: scroll.availableWidth
                spacing: 10
            }
        }
    }
}
