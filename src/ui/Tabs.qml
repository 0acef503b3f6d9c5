pragma Singleton
import QtQuick
import Tavik.Ui

// The panel's tabs in bar order: what each is called, its symbol, the effect switch it stands
// for ("" for the two that are not effects) and the file of its body.
QtObject {
    readonly property var all: [
        { id: "general", title: "general", icon: "gearshape.fill", flag: "", page: "GeneralTab" },
        { id: "saved", title: "saved", icon: "bookmark.fill", flag: "", page: "SavedScenesTab" },
        { id: "clouds", title: "clouds", icon: "cloud.fill", flag: "cloudsEnabled", page: "CloudsTab" },
        { id: "stars", title: "stars", icon: "star.fill", flag: "starsEnabled", page: "StarsTab" },
        { id: "sun", title: "sun rays", icon: "sun.max.fill", flag: "sunRaysEnabled", page: "SunRaysTab" },
        { id: "moon", title: "moon rays", icon: "moon.fill", flag: "moonRaysEnabled", page: "MoonRaysTab" },
        { id: "rain", title: "rain", icon: "cloud.rain.fill", flag: "rainEnabled", page: "RainTab" },
        { id: "thunderstorm", title: "thunderstorm", icon: "cloud.bolt.fill", flag: "thunderEnabled", page: "ThunderstormTab" },
        { id: "snow", title: "snow", icon: "snowflake", flag: "snowEnabled", page: "SnowTab" },
        { id: "fog", title: "fog", icon: "cloud.fog.fill", flag: "fogEnabled", page: "FogTab" },
        { id: "wind", title: "wind", icon: "wind", flag: "windEnabled", page: "WindTab" },
        { id: "leaves", title: "leaves", icon: "leaf.fill", flag: "leavesEnabled", page: "LeavesTab" },
        { id: "petals", title: "petals", icon: "camera.macro", flag: "petalsEnabled", page: "PetalsTab" },
        { id: "fireflies", title: "fireflies", icon: "sparkles", flag: "firefliesEnabled", page: "FirefliesTab" },
        { id: "dust", title: "dust", icon: "circle.dotted", flag: "dustEnabled", page: "DustTab" },
        { id: "aurora", title: "aurora", icon: "moon.haze.fill", flag: "auroraEnabled", page: "AuroraTab" },
        { id: "sound", title: "sound", icon: "speaker.wave.2.fill", flag: "soundEnabled", page: "SoundTab" }
    ]

    function find(id) {
        for (let i = 0; i < all.length; ++i) {
            if (all[i].id === id)
                return all[i]
        }
        return all[0]
    }

    // The effect's switch, or undefined for the general and saved tabs.
    function effectEnabled(tab) {
        return tab.flag !== "" ? Panel.settings[tab.flag] === true : undefined
    }

    function toggleEffect(tab) {
        if (tab.flag !== "")
            Panel.settings[tab.flag] = !(Panel.settings[tab.flag] === true)
    }
}
