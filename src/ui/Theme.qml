pragma Singleton
import QtQuick

// The panel's colours and type, in one place.
QtObject {
    readonly property color panelBackground: "#121A22"
    readonly property color cardBackground: "#1B2632"
    readonly property color cardStroke: Qt.rgba(1, 1, 1, 0.08)
    readonly property color fieldBackground: Qt.rgba(1, 1, 1, 0.06)
    readonly property color textPrimary: "#EAF1F5"
    readonly property color textSecondary: "#93A4B2"
    readonly property color accentGeneral: "#2FD1B6"
    readonly property color controlAccent: "#2FD1B6"
    readonly property color actionBlue: "#2E86A8"
    readonly property color maroon: "#7A3838"
    readonly property color maroonText: "#E29A9A"

    // Our own additions, kept in the same quiet range.
    readonly property color divider: Qt.rgba(1, 1, 1, 0.08)
    readonly property color hoverFill: Qt.rgba(1, 1, 1, 0.08)
    readonly property color pressFill: Qt.rgba(1, 1, 1, 0.14)
    readonly property color chipFill: Qt.rgba(1, 1, 1, 0.06)
    readonly property color accentFill: faded(controlAccent, 0.16)
    readonly property color accentStroke: faded(controlAccent, 0.55)
    readonly property color switchTrackOff: "#33414E"
    readonly property color sliderTrack: Qt.rgba(1, 1, 1, 0.12)

    // A geometric sans built into the program; the desktop's sans when it was not available.
    readonly property string fontFamily: Qt.fontFamilies().indexOf("Manrope") >= 0 ? "Manrope" : "DejaVu Sans"

    // Colour emoji for scene icons; without it the desktop's fallback, which may draw some
    // symbols (a sun, a snowflake) as plain black glyphs.
    readonly property string emojiFamily: Qt.fontFamilies().indexOf("Noto Color Emoji") >= 0 ? "Noto Color Emoji" : fontFamily

    function faded(color, alpha) {
        return Qt.rgba(color.r, color.g, color.b, alpha)
    }

    // The face for a weight: the bold weights share the bold face, the light ones the
    // lightest face, and everything else not named reads as regular.
    function faceWeight(weight) {
        if (weight >= Font.Bold)
            return Font.Bold
        if (weight === Font.DemiBold)
            return Font.DemiBold
        if (weight === Font.Medium)
            return Font.Medium
        if (weight <= Font.Light)
            return Font.ExtraLight
        return Font.Normal
    }

    function font(size, weight) {
        return Qt.font({ family: fontFamily, pixelSize: size,
                         weight: faceWeight(weight === undefined ? Font.Normal : weight) })
    }
}
