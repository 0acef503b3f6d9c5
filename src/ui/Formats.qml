pragma Singleton
import QtQuick

// How the panel writes numbers and labels.
QtObject {
    function capitalized(text) {
        if (!text)
            return ""
        return text.charAt(0).toUpperCase() + text.slice(1)
    }

    function rounded(value) {
        // Math.round(-0.4) is -0, which must not read "-0".
        return String(Math.round(value) + 0)
    }

    function integer(value) { return rounded(value) }
    // A fraction shown as a percentage: 0.22 reads "22%".
    function percent(value) { return rounded(value * 100) + "%" }
    // An amount that already counts in percent: 20 reads "20%".
    function integerPercent(value) { return rounded(value) + "%" }
    function degrees(value) { return rounded(value) + "\u00B0" }
}
