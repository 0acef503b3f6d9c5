import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Tavik.Ui

// The settings panel: header, scene bar, the selected tab's body and the tab bar. The same view
// is hosted in the popup at the tray icon and in the floating window.
Rectangle {
    id: root
    property string selectedTab: "general"
    readonly property var tab: Tabs.find(selectedTab)
    readonly property alias body: page.item

    color: Theme.panelBackground
    implicitWidth: 320
    implicitHeight: 540
    // Keys that no control takes end here: Escape puts the popup away.
    focus: true
    Keys.onEscapePressed: Panel.presenter.dismiss()

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        PanelHeader {
            objectName: "header"
            Layout.fillWidth: true
        }

        SceneBar {
            objectName: "sceneBar"
            Layout.fillWidth: true
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

            Item {
                width: scroll.availableWidth
                implicitHeight: page.implicitHeight + 24

                Loader {
                    id: page
                    objectName: "tabBody"
                    x: 12
                    y: 12
                    width: parent.width - 24
                    source: "tabs/" + root.tab.page + ".qml"
                    onLoaded: scroll.ScrollBar.vertical.position = 0
                }
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            color: Theme.divider
        }

        TabStrip {
            objectName: "tabStrip"
            Layout.fillWidth: true
            selectedTab: root.selectedTab
            onSelected: (tab) => root.selectedTab = tab
        }
    }
}
