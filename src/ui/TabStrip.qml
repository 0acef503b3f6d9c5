import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Tavik.Ui

// The bottom bar of tab pills. A pill is lit while its effect is on (the general and saved
// pills while they are selected); a right click on an effect's pill switches the effect.
Item {
    id: strip
    property string selectedTab: "general"
    readonly property bool tabHover: hover.hovered
    readonly property alias scroll: tabScroll
    signal selected(string tab)

    // Brings the selected pill into view when the page changes by other means than a click on it.
    function revealSelected() {
        for (let i = 0; i < pills.count; ++i) {
            const pill = pills.itemAt(i)
            if (!pill || pill.tab.id !== selectedTab)
                continue
            const left = pill.x + row.x - 12
            const right = pill.x + row.x + pill.width + 12
            if (left < tabScroll.contentX)
                tabScroll.scrollTo(left)
            else if (right > tabScroll.contentX + tabScroll.width)
                tabScroll.scrollTo(right - tabScroll.width)
            return
        }
    }
    onSelectedTabChanged: revealSelected()

    implicitHeight: 46

    HoverHandler { id: hover }

    SidewaysScrollView {
        id: tabScroll
        objectName: "tabScroll"
        anchors.fill: parent
        contentWidth: row.implicitWidth + 24
        contentHeight: height

        Row {
            id: row
            x: 12
            anchors.verticalCenter: parent.verticalCenter
            spacing: 6

            Repeater {
                id: pills
                model: Tabs.all

                delegate: Button {
                    id: pill
                    required property var modelData
                    readonly property var tab: modelData
                    readonly property bool isSelected: strip.selectedTab === tab.id
                    readonly property var effectOn: Tabs.effectEnabled(tab)
                    readonly property bool lit: effectOn === undefined ? isSelected : effectOn

                    objectName: "tab:" + tab.id
                    checkable: false
                    focusPolicy: Qt.TabFocus
                    height: 30
                    leftPadding: 10
                    rightPadding: 12
                    topPadding: 0
                    bottomPadding: 0
                    onClicked: strip.selected(tab.id)

                    contentItem: RowLayout {
                        spacing: 6
                        SymbolIcon {
                            name: pill.tab.icon
                            color: pill.lit ? Theme.controlAccent : Theme.textSecondary
                            Layout.preferredWidth: 13
                            Layout.preferredHeight: 13
                            Layout.alignment: Qt.AlignVCenter
                        }
                        Text {
                            text: Formats.capitalized(pill.tab.title)
                            color: pill.lit || pill.isSelected || pill.hovered ? Theme.textPrimary : Theme.textSecondary
                            font: Theme.font(12, pill.isSelected ? Font.DemiBold : Font.Medium)
                            Layout.alignment: Qt.AlignVCenter
                        }
                    }
                    background: Rectangle {
                        radius: height / 2
                        color: pill.isSelected ? Theme.accentFill : pill.down ? Theme.pressFill
                               : pill.hovered ? Theme.hoverFill : Theme.chipFill
                        border.width: 1
                        border.color: pill.isSelected ? Theme.accentStroke : pill.visualFocus ? Theme.controlAccent : "transparent"
                    }

                    PanelToolTip {
                        objectName: "tabTip"
                        visible: pill.hovered && text !== ""
                        text: pill.effectOn === undefined ? ""
                              : pill.effectOn ? "Right-click to turn off" : "Right-click to turn on"
                    }

                    RightClickCatcher {
                        onRightClicked: Tabs.toggleEffect(pill.tab)
                    }
                }
            }
        }
    }

    ScrollArrow {
        anchors.left: parent.left
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        forward: false
        opacity: strip.tabHover && !tabScroll.atStart ? 1 : 0
        onActivated: tabScroll.page(false)
    }

    ScrollArrow {
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        forward: true
        opacity: strip.tabHover && !tabScroll.atEnd ? 1 : 0
        onActivated: tabScroll.page(true)
    }
}
