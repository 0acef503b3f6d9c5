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
    readonly property color divider: Qt.rgba(1, 1, 1, 0.08)
    readonly property color hoverFill: Qt.rgba(1, 1, 1, 0.08)
    readonly property color switchTrackOff: "#33414E"

    readonly property string fontFamily: "DejaVu Sans"
}
