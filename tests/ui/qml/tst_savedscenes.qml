import QtQuick
import QtTest
import Tavik.Ui

// The Saved scenes tab, typed into and clicked as a user would.
Item {
    id: root
    width: 320
    height: 700

    Component { id: savedTab; SavedScenesTab { width: 296 } }

    TestCase {
        name: "SavedScenesTab"
        when: windowShown

        function init() {
            testSupport.resetStore()
        }

        function open() {
            const tab = createTemporaryObject(savedTab, root)
            verify(tab, "the tab loads")
            waitForRendering(tab)
            return tab
        }

        function part(item, name) {
            const found = findChild(item, name)
            verify(found, name + " exists")
            return found
        }

        function click(item) {
            waitForItemPolished(item.parent)
            mouseClick(item)
        }

        // Types at the end of a field as the keyboard would; an emoji arrives whole, as an input
        // method commits it.
        function type(field, text) {
            click(field)
            keyClick(Qt.Key_End)
            for (const run of text.match(/[\x00-\x7f]|[^\x00-\x7f]+/g)) {
                if (run.charCodeAt(0) < 0x80)
                    keyClick(run)
                else
                    field.insert(field.cursorPosition, run)
            }
        }

        function clear(field) {
            click(field)
            keyClick(Qt.Key_A, Qt.ControlModifier)
            keyClick(Qt.Key_Backspace)
        }

        function sceneId(row) {
            const scenes = Panel.savedScenes
            return scenes.data(scenes.index(row, 0), SavedScenesModel.SceneIdRole)
        }

        function sceneName(row) {
            const scenes = Panel.savedScenes
            return scenes.data(scenes.index(row, 0), SavedScenesModel.NameRole)
        }

        function sceneIcon(row) {
            const scenes = Panel.savedScenes
            return scenes.data(scenes.index(row, 0), SavedScenesModel.IconRole)
        }

        function rowOf(tab, index) {
            return part(tab, "scene:" + sceneId(index))
        }

        // The rows shown, top to bottom, by name.
        function shownNames(tab) {
            const names = []
            for (let i = 0; i < Panel.savedScenes.count; ++i) {
                const row = rowOf(tab, i)
                names.push({ y: row.mapToItem(tab, 0, 0).y, name: part(row, "sceneName").text })
            }
            names.sort((a, b) => a.y - b.y)
            return names.map(entry => entry.name)
        }

        function editing(row) {
            // The row's current body; a body just swapped out may linger until deleted.
            return findChild(row.item, "editName") !== null
        }

        function textsIn(item, found) {
            found = found || []
            if (item.text !== undefined && item.visible)
                found.push(item.text)
            for (let i = 0; i < item.children.length; ++i)
                textsIn(item.children[i], found)
            return found
        }

        function test_savingAddsARowAtTheEnd() {
            const tab = open()
            const hint = part(tab, "emptyHint")
            const name = part(tab, "newName")
            const icon = part(tab, "newIcon")
            verify(hint.visible, "an empty list shows the hint")
            verify(!part(tab, "saveButton").enabled)

            type(name, "dusk")
            keyClick(Qt.Key_Return)
            compare(Panel.savedScenes.count, 1)
            verify(!hint.visible)
            compare(name.text, "")

            type(icon, "\u{1F319}")
            type(name, "  night walk ")
            verify(part(tab, "saveButton").enabled)
            click(part(tab, "saveButton"))
            compare(Panel.savedScenes.count, 2)
            compare(shownNames(tab), ["dusk", "night walk"])
            compare(sceneIcon(1), "\u{1F319}")
            compare(name.text, "", "the name field is cleared")
            compare(icon.text, "", "the emoji field is cleared")

            // Without an emoji the row shows a bookmark instead.
            verify(textsIn(rowOf(tab, 0)).indexOf("\u{1F516}") >= 0, "bookmark for a scene without emoji")
            verify(textsIn(rowOf(tab, 1)).indexOf("\u{1F319}") >= 0)

            // A click on the row brings its scene back.
            Panel.settings.rainEnabled = false
            Panel.settings.dropsPerSecond = 3
            click(part(rowOf(tab, 0), "applyScene"))
            compare(Panel.settings.rainEnabled, true)
            compare(Panel.settings.dropsPerSecond, 10)
        }

        function test_blankNameSavesNothing() {
            const tab = open()
            const icon = part(tab, "newIcon")
            const name = part(tab, "newName")
            click(part(part(tab, "newQuickEmojis"), "quickEmoji"))
            compare(icon.text, "\u{1F327}\uFE0F")
            type(name, "   ")
            verify(!part(tab, "saveButton").enabled)
            compare(part(tab, "saveButton").opacity, 0.5)
            keyClick(Qt.Key_Return)
            compare(Panel.savedScenes.count, 0)
            compare(name.text, "")
            compare(icon.text, "")
            verify(part(tab, "emptyHint").visible)
        }

        // The field holds one emoji: a second one replaces the first, and the field still
        // follows the tab afterwards (a quick pick, a save).
        function test_emojiFieldKeepsTheLastEmoji() {
            const tab = open()
            const icon = part(tab, "newIcon")
            type(icon, "\u{1F319}")
            type(icon, "\u2744\uFE0F")
            compare(icon.text, "\u2744\uFE0F")
            compare(tab.newIcon, "\u2744\uFE0F")

            const quick = part(tab, "newQuickEmojis")
            click(findChild(quick, "quickEmoji"))
            compare(icon.text, "\u{1F327}\uFE0F", "a quick pick replaces the typed emoji")

            type(part(tab, "newName"), "frost")
            keyClick(Qt.Key_Return)
            compare(sceneIcon(0), "\u{1F327}\uFE0F")
            compare(icon.text, "", "saving clears the emoji field")
        }

        function test_atMostThreeFavourites() {
            for (const name of ["a", "b", "c", "d"])
                verify(Panel.savedScenes.save(name, ""))
            const tab = open()
            const stars = [0, 1, 2, 3].map(i => part(rowOf(tab, i), "favoriteButton"))
            for (let i = 0; i < 3; ++i)
                click(stars[i])
            compare(Panel.savedScenes.favoriteCount, 3)
            verify(stars[0].enabled && stars[1].enabled && stars[2].enabled, "a favourite can always be unstarred")
            verify(!stars[3].enabled, "no fourth favourite")
            click(stars[3])
            compare(Panel.savedScenes.favoriteCount, 3)

            click(stars[1])
            compare(Panel.savedScenes.favoriteCount, 2)
            verify(stars[3].enabled)
            click(stars[3])
            compare(Panel.savedScenes.favoriteCount, 3)
        }

        function test_editing() {
            verify(Panel.savedScenes.save("dusk", "\u{1F319}"))
            verify(Panel.savedScenes.save("dawn", ""))
            const tab = open()

            // A blank name changes nothing and closes the editor.
            click(part(rowOf(tab, 0), "editButton"))
            const editName = part(rowOf(tab, 0), "editName")
            compare(editName.text, "dusk")
            compare(part(rowOf(tab, 0), "editIcon").text, "\u{1F319}")
            clear(editName)
            type(editName, "  ")
            click(part(rowOf(tab, 0), "confirmEdit"))
            compare(sceneName(0), "dusk")
            compare(sceneIcon(0), "\u{1F319}")
            verify(!editing(rowOf(tab, 0)), "edit mode closed")

            // Cancel keeps the scene as it was.
            click(part(rowOf(tab, 0), "editButton"))
            type(part(rowOf(tab, 0), "editName"), " late")
            click(part(rowOf(tab, 0), "cancelEdit"))
            compare(sceneName(0), "dusk")
            verify(!editing(rowOf(tab, 0)))

            // Return confirms; a quick emoji replaces the icon.
            click(part(rowOf(tab, 1), "editButton"))
            type(part(rowOf(tab, 1), "editName"), " light")
            click(findChild(part(rowOf(tab, 1), "editQuickEmojis"), "quickEmoji"))
            keyClick(Qt.Key_Return)
            compare(sceneName(1), "dawn light")
            compare(sceneIcon(1), "\u{1F327}\uFE0F")
            compare(shownNames(tab), ["dusk", "dawn light"])

            // Editing another row leaves the first unsaved.
            click(part(rowOf(tab, 0), "editButton"))
            type(part(rowOf(tab, 0), "editName"), "!")
            click(part(rowOf(tab, 1), "editButton"))
            verify(!editing(rowOf(tab, 0)))
            compare(sceneName(0), "dusk")
            verify(editing(rowOf(tab, 1)))
        }

        function test_deletingTheEditedScene() {
            verify(Panel.savedScenes.save("dusk", ""))
            verify(Panel.savedScenes.save("dawn", ""))
            const tab = open()
            const dusk = sceneId(0)
            click(part(rowOf(tab, 0), "editButton"))
            // Another view of the panel (the popup and the window) deletes it meanwhile.
            Panel.savedScenes.remove(dusk)
            compare(Panel.savedScenes.count, 1)
            compare(findChild(tab, "scene:" + dusk), null, "its row goes at once")
            compare(shownNames(tab), ["dawn"])
            verify(!editing(rowOf(tab, 0)), "the other row is not in edit mode")

            click(part(rowOf(tab, 0), "deleteButton"))
            compare(Panel.savedScenes.count, 0)
            verify(part(tab, "emptyHint").visible)
        }
    }
}
