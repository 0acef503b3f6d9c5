import QtQuick
import QtTest
import Tavik.Ui

// The Saved scenes tab, typed into and clicked as a user would.
PanelTestCase {
    name: "SavedScenesTab"

    // Types at the end of a field; an emoji arrives whole, as an input method commits it.
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

    function rowOf(tab, index) {
        const name = "scene:" + scene(index, "SceneId")
        tryVerify(() => findChild(tab, name) !== null, 1000, name + " exists")
        return findChild(tab, name)
    }

    function editing(row) {
        return findChild(row.item, "editName") !== null
    }

    // The rows top to bottom, as emoji and name.
    function shownRows(tab) {
        const rows = []
        for (let i = 0; i < Panel.savedScenes.count; ++i) {
            const row = rowOf(tab, i)
            rows.push({ y: row.mapToItem(tab, 0, 0).y, text: part(row, "sceneIcon").text + " " + part(row, "sceneName").text })
        }
        return rows.sort((a, b) => a.y - b.y).map(entry => entry.text)
    }

    // A blank name saves nothing; the emoji field holds one emoji; a save adds a row at the end
    // and clears both fields.
    function test_savingAddsARowAtTheEnd() {
        const tab = open("SavedScenesTab")
        const hint = part(tab, "emptyHint")
        const name = part(tab, "newName")
        const icon = part(tab, "newIcon")
        verify(hint.visible, "an empty list shows the hint")
        type(name, "   ")
        verify(!part(tab, "saveButton").enabled)
        keyClick(Qt.Key_Return)
        compare(Panel.savedScenes.count, 0)
        compare(name.text, "")

        type(name, "dusk")
        keyClick(Qt.Key_Return)
        verify(!hint.visible)
        compare(name.text, "")

        type(icon, "\u{1F319}")
        type(icon, "\u2744\uFE0F")
        compare([icon.text, tab.newIcon], ["\u2744\uFE0F", "\u2744\uFE0F"])
        click(part(part(tab, "newQuickEmojis"), "quickEmoji"))
        compare([icon.text, tab.newIcon], ["\u{1F327}\uFE0F", "\u{1F327}\uFE0F"])
        type(name, "  night walk ")
        click(part(tab, "saveButton"))
        compare(shownRows(tab), ["\u{1F516} dusk", "\u{1F327}\uFE0F night walk"])
        compare([name.text, icon.text], ["", ""])

        Panel.settings.rainEnabled = false
        Panel.settings.dropsPerSecond = 3
        click(part(rowOf(tab, 0), "applyScene"))
        compare(Panel.settings.rainEnabled, true)
        compare(Panel.settings.dropsPerSecond, 10)
    }

    function test_editing() {
        verify(Panel.savedScenes.save("dusk", "\u{1F319}"))
        verify(Panel.savedScenes.save("dawn", ""))
        const tab = open("SavedScenesTab")

        // A blank name changes nothing and closes the editor.
        click(part(rowOf(tab, 0), "editButton"))
        const editName = part(rowOf(tab, 0), "editName")
        compare([editName.text, part(rowOf(tab, 0), "editIcon").text], ["dusk", "\u{1F319}"])
        click(editName)
        keyClick(Qt.Key_A, Qt.ControlModifier)
        keyClick(Qt.Key_Backspace)
        type(editName, "  ")
        click(part(rowOf(tab, 0), "confirmEdit"))
        verify(!editing(rowOf(tab, 0)), "edit mode closed")

        // Cancel keeps the scene as it was.
        click(part(rowOf(tab, 0), "editButton"))
        type(part(rowOf(tab, 0), "editName"), " late")
        click(part(rowOf(tab, 0), "cancelEdit"))
        verify(!editing(rowOf(tab, 0)))
        compare(shownRows(tab), ["\u{1F319} dusk", "\u{1F516} dawn"])

        // Return confirms; a quick emoji replaces the icon.
        click(part(rowOf(tab, 1), "editButton"))
        type(part(rowOf(tab, 1), "editName"), " light")
        click(part(part(rowOf(tab, 1), "editQuickEmojis"), "quickEmoji"))
        keyClick(Qt.Key_Return)
        compare(shownRows(tab), ["\u{1F319} dusk", "\u{1F327}\uFE0F dawn light"])

        // Editing another row leaves the first unsaved.
        click(part(rowOf(tab, 0), "editButton"))
        type(part(rowOf(tab, 0), "editName"), "!")
        click(part(rowOf(tab, 1), "editButton"))
        verify(!editing(rowOf(tab, 0)) && editing(rowOf(tab, 1)))
        compare(scene(0, "Name"), "dusk")
    }

    // At most three stars, but unstarring always; a row goes with its scene, deleted here or, while
    // it is edited, by the panel's other view.
    function test_starringAndDeleting() {
        for (const name of ["a", "b", "c", "d"])
            verify(Panel.savedScenes.save(name, ""))
        const tab = open("SavedScenesTab")
        const stars = [0, 1, 2, 3].map(i => part(rowOf(tab, i), "favoriteButton"))
        stars.forEach(click)
        compare(Panel.savedScenes.favoriteCount, 3)
        compare(stars.map(star => star.enabled), [true, true, true, false], "no fourth, but unstarring always")
        click(stars[1])
        verify(stars[3].enabled)
        click(stars[3])
        compare(Panel.savedScenes.favoriteCount, 3)

        const first = scene(0, "SceneId")
        click(part(rowOf(tab, 0), "editButton"))
        Panel.savedScenes.remove(first)
        tryVerify(() => findChild(tab, "scene:" + first) === null, 1000, "its row goes")
        verify(!editing(rowOf(tab, 0)), "the next row is not in edit mode")
        for (let i = 0; i < 3; ++i)
            click(part(rowOf(tab, 0), "deleteButton"))
        compare(Panel.savedScenes.count, 0)
        verify(part(tab, "emptyHint").visible)
    }
}
