import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Window
import Tavik.Ui

// The user's own scenes: save the current one under a name and an emoji, apply, star up to
// three for the scene bar, rename, delete. Half-typed names and open edits are never stored.
ColumnLayout {
    id: tab
    property string newName: ""
    property string newIcon: ""
    property string editingID: ""
    property string editName: ""
    property string editIcon: ""
    readonly property var scenes: Panel.savedScenes
    readonly property real minimumListCap: 240

    function save() {
        scenes.save(newName, newIcon)
        newName = ""
        newIcon = ""
    }
    function startEditing(id, name, icon) {
        editingID = id
        editName = name
        editIcon = icon
    }
    function commitEdit(id) {
        scenes.update(id, editName, editIcon)
        editingID = ""
    }

    spacing: 10

    Card {
        objectName: "card:save"
        spacing: 10

        RowLabel {
            Layout.fillWidth: true
            title: "Save current scene"
            subtitle: "name it, pick an emoji, and star up to 3 to show them in the top scene bar."
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 8

            EmojiField {
                objectName: "newIcon"
                text: tab.newIcon
                onTextChanged: tab.newIcon = text
            }
            NameField {
                objectName: "newName"
                Layout.fillWidth: true
                text: tab.newName
                onTextChanged: tab.newName = text
                onAccepted: tab.save()
            }
            ActionButton {
                objectName: "saveButton"
                title: "Save"
                fillColor: "#2D5563"
                textColor: "#BFE8E2"
                leftPadding: 14
                rightPadding: 14
                topPadding: 8
                bottomPadding: 8
                enabled: tab.newName.trim() !== ""
                opacity: enabled ? 1 : 0.5
                onClicked: tab.save()
            }
        }

        QuickEmojiRow {
            objectName: "newQuickEmojis"
            Layout.fillWidth: true
            value: tab.newIcon
            onChosen: (emoji) => tab.newIcon = emoji
        }
    }

    Card {
        objectName: "card:list"
        spacing: 4

        Text {
            objectName: "emptyHint"
            Layout.fillWidth: true
            visible: tab.scenes.count === 0
            text: "No saved scenes yet \u2014 set up a look above and save it."
            color: Theme.textSecondary
            font: Theme.font(11, Font.Normal)
            wrapMode: Text.Wrap
        }

        // Only the rows in sight are made, so thousands of scenes open as fast as a few. A short
        // list shows whole; a long one scrolls inside a window-high frame.
        ListView {
            objectName: "sceneList"
            Layout.fillWidth: true
            Layout.preferredHeight: Math.min(contentHeight, Math.max(tab.minimumListCap, tab.Window.height))
            visible: count > 0
            interactive: contentHeight > height
            clip: interactive
            boundsBehavior: Flickable.StopAtBounds
            spacing: 4
            model: tab.scenes
            delegate: Loader {
                id: holder
                required property var model
                readonly property bool editing: tab.editingID === model.sceneId
                objectName: "scene:" + model.sceneId
                width: ListView.view.width
                sourceComponent: editing ? editRow : normalRow

                Component {
                    id: normalRow
                    RowLayout {
                        spacing: 2

                        Button {
                            id: applyButton
                            objectName: "applyScene"
                            Layout.fillWidth: true
                            focusPolicy: Qt.TabFocus
                            padding: 4
                            onClicked: tab.scenes.apply(holder.model.sceneId)
                            contentItem: RowLayout {
                                spacing: 10
                                Text {
                                    objectName: "sceneIcon"
                                    text: holder.model.icon !== "" ? holder.model.icon : "\u{1F516}"
                                    font.family: Theme.emojiFamily
                                    font.pixelSize: 17
                                }
                                ColumnLayout {
                                    spacing: 1
                                    Layout.fillWidth: true
                                    Text {
                                        objectName: "sceneName"
                                        Layout.fillWidth: true
                                        text: holder.model.name
                                        color: holder.model.active ? Theme.controlAccent : Theme.textPrimary
                                        font: Theme.font(12, Font.DemiBold)
                                        elide: Text.ElideRight
                                    }
                                    Text {
                                        text: "tap to apply"
                                        color: Theme.textSecondary
                                        font: Theme.font(10, Font.Normal)
                                    }
                                }
                            }
                            background: Rectangle {
                                radius: 8
                                color: applyButton.down ? Theme.pressFill : applyButton.hovered ? Theme.hoverFill : "transparent"
                                border.width: applyButton.visualFocus ? 1 : 0
                                border.color: Theme.controlAccent
                            }
                        }
                        IconButton {
                            objectName: "favoriteButton"
                            symbol: holder.model.favorite ? "star.fill" : "star"
                            tint: holder.model.favorite ? Theme.controlAccent : Theme.textSecondary
                            tip: holder.model.favorite ? "remove from the top scene bar"
                                                       : "favorite \u2014 show in the top scene bar (max 3)"
                            enabled: holder.model.favorite || tab.scenes.canAddFavorite
                            onClicked: tab.scenes.toggleFavorite(holder.model.sceneId)
                        }
                        IconButton {
                            objectName: "editButton"
                            symbol: "pencil"
                            tip: "rename / change emoji"
                            onClicked: tab.startEditing(holder.model.sceneId, holder.model.name, holder.model.icon)
                        }
                        IconButton {
                            objectName: "deleteButton"
                            symbol: "trash"
                            tint: Theme.maroonText
                            tip: "delete"
                            onClicked: tab.scenes.remove(holder.model.sceneId)
                        }
                    }
                }

                Component {
                    id: editRow
                    ColumnLayout {
                        spacing: 6
                        RowLayout {
                            Layout.fillWidth: true
                            spacing: 8
                            EmojiField {
                                objectName: "editIcon"
                                text: tab.editIcon
                                onTextChanged: tab.editIcon = text
                            }
                            NameField {
                                objectName: "editName"
                                Layout.fillWidth: true
                                text: tab.editName
                                onTextChanged: tab.editName = text
                                onAccepted: tab.commitEdit(holder.model.sceneId)
                                Component.onCompleted: forceActiveFocus()
                            }
                            IconButton {
                                objectName: "confirmEdit"
                                symbol: "checkmark"
                                tint: Theme.controlAccent
                                onClicked: tab.commitEdit(holder.model.sceneId)
                            }
                            IconButton {
                                objectName: "cancelEdit"
                                symbol: "xmark"
                                onClicked: tab.editingID = ""
                            }
                        }
                        QuickEmojiRow {
                            objectName: "editQuickEmojis"
                            Layout.fillWidth: true
                            value: tab.editIcon
                            onChosen: (emoji) => tab.editIcon = emoji
                        }
                    }
                }
            }
        }
    }
}
