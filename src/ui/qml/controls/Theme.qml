pragma Singleton
import QtQuick

// The palette and the verdict table every view shares. Drawn for the dark scheme, mint as accent.
QtObject {
    readonly property color windowBackground: Qt.rgba(0.067, 0.075, 0.086, 1)
    readonly property color surface: Qt.rgba(0.094, 0.106, 0.118, 1)
    readonly property color faintFill: Qt.rgba(1, 1, 1, 0.045)
    readonly property color hairline: Qt.rgba(1, 1, 1, 0.085)

    readonly property color mint: "#66d4cf"
    readonly property color orange: "#ff9f0a"
    readonly property color yellow: "#ffd60a"
    readonly property color danger: Qt.rgba(0.93, 0.33, 0.33, 1)

    readonly property color primaryText: Qt.rgba(1, 1, 1, 0.92)
    readonly property color secondaryText: Qt.rgba(0.92, 0.92, 0.96, 0.6)
    readonly property color tertiaryText: Qt.rgba(0.92, 0.92, 0.96, 0.32)

    readonly property string emojiFamily: "Noto Color Emoji"

    // Rich text that draws emoji with the colour emoji font; other fonts would pick a plain
    // glyph for characters such as the pointing finger.
    function emojiText(text) {
        let out = ""
        let run = ""
        const flush = () => {
            if (run !== "")
                out += "<span style=\"font-family:'" + emojiFamily + "'\">" + run + "</span>"
            run = ""
        }
        for (const ch of String(text)) {
            const cp = ch.codePointAt(0)
            if (cp >= 0x1F000 || (cp >= 0x2600 && cp <= 0x27BF) || cp === 0xFE0F || cp === 0x200D) {
                run += ch
                continue
            }
            flush()
            out += ch === "&" ? "&amp;" : ch === "<" ? "&lt;" : ch === ">" ? "&gt;" : ch
        }
        flush()
        return out
    }

    // font.pixelSize takes whole pixels only: a half-pixel size is given in points at the
    // screen's logical density (dots per millimetre, as Screen.logicalPixelDensity reports it).
    function pointsForPixels(pixels, dotsPerMillimetre) {
        return pixels * 72 / ((dotsPerMillimetre > 0 ? dotsPerMillimetre : 96 / 25.4) * 25.4)
    }

    readonly property string monospaceFamily: "monospace"

    function withAlpha(c, alpha) {
        return Qt.rgba(c.r, c.g, c.b, alpha)
    }

    function verdictColor(verdict) {
        switch (verdict) {
        case "supported": return mint
        case "contradicted": return orange
        case "context": return yellow
        }
        return secondaryText
    }

    function verdictLabel(verdict) {
        switch (verdict) {
        case "supported": return "Supported"
        case "contradicted": return "Source disagrees"
        case "context": return "Needs context"
        }
        return "Unresolved"
    }

    function verdictSymbol(verdict) {
        switch (verdict) {
        case "supported": return "checkmark.circle.fill"
        case "contradicted": return "exclamationmark.bubble.fill"
        case "context": return "text.bubble.fill"
        }
        return "questionmark.circle.fill"
    }
}
