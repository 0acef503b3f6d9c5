import QtQuick

// A strip that scrolls sideways: dragged with the mouse, turned by the wheel (a vertical wheel
// moves it sideways), paged by its arrows. `atStart` and `atEnd` tell the arrows when to show.
Flickable {
    id: view
    readonly property real maxX: Math.max(contentWidth - width, 0)
    readonly property bool atStart: contentX <= 1
    readonly property bool atEnd: contentX >= maxX - 1
    // A wheel moves the strip ten points per line it scrolls (three lines a notch on most
    // desktops); a touchpad moves it by its own pixels.
    readonly property real lineDistance: 10

    function clamped(x) { return Math.min(Math.max(x, 0), maxX) }
    function scrollTo(x) {
        slide.stop()
        slide.to = clamped(x)
        slide.start()
    }
    function page(forward) { scrollTo(contentX + (forward ? 0.8 : -0.8) * width) }

    flickableDirection: Flickable.HorizontalFlick
    boundsBehavior: Flickable.StopAtBounds
    maximumFlickVelocity: 1800
    clip: true

    NumberAnimation {
        id: slide
        target: view
        property: "contentX"
        duration: 260
        easing.type: Easing.OutCubic
    }

    MouseArea {
        parent: view
        anchors.fill: parent
        z: 10
        acceptedButtons: Qt.NoButton
        onWheel: (wheel) => {
            const sideways = wheel.angleDelta.x === 0 && wheel.angleDelta.y !== 0
            if (view.contentWidth <= view.width || !sideways) {
                wheel.accepted = false
                return
            }
            slide.stop()
            const delta = wheel.pixelDelta.y !== 0 ? wheel.pixelDelta.y
                                                    : wheel.angleDelta.y / 120 * Qt.styleHints.wheelScrollLines * view.lineDistance
            view.contentX = view.clamped(view.contentX - delta)
        }
    }
}
