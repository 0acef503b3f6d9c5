import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Tavik.Ui

// The strip of scene chips: favourite saved scenes, then the presets. A chip lights up while
// the settings show its scene; a click applies it.
Item {
    id: bar
    readonly property bool sceneHover: hover.hovered
    property int sceneIndex: 0
    readonly property alias scroll: scenesScroll

    // Moves three chips along and brings that chip into view.
    function step(forward) {
        const count = chips.count
        if (count === 0)
            return
        sceneIndex = forward ? Math.min(sceneIndex + 3, count - 1) : Math.max(sceneIndex - 3, 0)
        const chip = chips.itemAt(sceneIndex)
        if (chip)
            scenesScroll.scrollTo(chip.x)
    }

    // Each time the panel comes up, the scene on screen is in view: the first lit chip, if it
    // lies beyond the visible part of the strip.
    function revealActive() {
        for (let i = 0; i < chips.count; ++i) {
            const chip = chips.itemAt(i)
            if (!chip || !chip.active)
                continue
            const right = chip.x + row.x + chip.width + 12
            if (right > scenesScroll.width)
                scenesScroll.contentX = scenesScroll.clamped(chip.x + row.x - 12)
            else
                scenesScroll.contentX = 0
            sceneIndex = i
            return
        }
    }

    implicitHeight: 46

    Connections {
        target: bar.Window.window
        function onVisibleChanged() {
            if (bar.Window.window.visible)
                bar.revealActive()
        }
    }

    HoverHandler { id: hover }

    SidewaysScrollView {
        id: scenesScroll
        objectName: "scenesScroll"
        anchors.fill: parent
        contentWidth: row.implicitWidth + 24
        contentHeight: height

        Row {
            id: row
            x: 12
            anchors.verticalCenter: parent.verticalCenter
            spacing: 6

            Repeater {
                id: chips
                model: Panel.sceneBar

                delegate: Button {
                    id: chip
                    required property int index
                    required property string chipId
                    required property string label
                    required property string symbol
                    required property string emoji
                    required property bool saved
                    required property bool active
                    readonly property color tint: active ? Theme.controlAccent : Theme.textSecondary

                    objectName: "chip:" + chipId
                    focusPolicy: Qt.TabFocus
                    height: 28
                    leftPadding: 10
                    rightPadding: 12
                    topPadding: 0
                    bottomPadding: 0
                    onClicked: Panel.sceneBar.activate(index)

                    contentItem: RowLayout {
                        spacing: 6
                        Text {
                            visible: chip.emoji !== ""
                            text: chip.emoji
                            font.family: Theme.emojiFamily
                            font.pixelSize: 13
                            Layout.alignment: Qt.AlignVCenter
                        }
                        SymbolIcon {
                            visible: chip.emoji === ""
                            name: chip.symbol
                            color: chip.tint
                            Layout.preferredWidth: chip.saved ? 9 : 13
                            Layout.preferredHeight: chip.saved ? 9 : 13
                            Layout.alignment: Qt.AlignVCenter
                        }
                        Text {
                            // A long saved name is cut short rather than filling the strip.
                            Layout.maximumWidth: 132
                            elide: Text.ElideRight
                            text: chip.label
                            color: chip.active ? Theme.controlAccent : chip.hovered ? Theme.textPrimary : Theme.textSecondary
                            font: Theme.font(11, Font.Medium)
                            Layout.alignment: Qt.AlignVCenter
                        }
                    }
                    background: Rectangle {
                        radius: height / 2
                        color: chip.active ? Theme.accentFill : chip.down ? Theme.pressFill
                               : chip.hovered ? Theme.hoverFill : Theme.chipFill
                        border.width: 1
                        border.color: chip.active ? Theme.accentStroke : chip.visualFocus ? Theme.controlAccent : "transparent"
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
        opacity: bar.sceneHover && !scenesScroll.atStart ? 1 : 0
        onActivated: bar.step(false)
    }

    ScrollArrow {
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        forward: true
        opacity: bar.sceneHover && !scenesScroll.atEnd ? 1 : 0
        onActivated: bar.step(true)
    }
}
