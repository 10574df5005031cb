import QtQuick
import QtTest
import Brindle.UI

Item {
    id: root
    width: 400
    height: 300

    Component { id: badgeComponent; VerdictBadge {} }
    Component { id: rowComponent; ExpandableRow { title: "Earlier findings (1)"; Item { objectName: "body"; implicitHeight: 20 } } }
    Component { id: toastComponent; CorrectionToast {} }
    Component { id: promptComponent; CallPrompt { detail: "Listens to Slack only." } }
    Component { id: findingComponent; FindingView {} }
    TextMetrics { id: metrics }

    TestCase {
        name: "SharedControls"
        when: windowShown

        // Each verdict has its own label and colour and an icon the theme can draw.
        function test_verdictsAreToldApart() {
            const verdicts = ["supported", "contradicted", "context", "unresolved"]
            const labels = verdicts.map(v => createTemporaryObject(badgeComponent, root, { verdict: v }).label)
            compare(new Set(labels).size, 4)
            compare(new Set(verdicts.map(v => String(Theme.verdictColor(v)))).size, 4)
            for (const v of verdicts)
                verify(SymbolIcons.name(Theme.verdictSymbol(v)) !== "", v)
        }

        function test_expandableRowWithoutSymbolToggles() {
            const row = createTemporaryObject(rowComponent, root)
            const header = findChild(row, "expandableHeader")
            compare(header.Accessible.description, "Collapsed")
            verify(!findChild(row, "body").visible)
            mouseClick(header)
            verify(row.expanded)
            compare(header.Accessible.description, "Expanded")
            verify(findChild(row, "body").visible)
            // The content opens with the chevron rather than appearing at once.
            const content = findChild(row, "expandableContent")
            verify(content.opacity < 1)
            tryCompare(content, "height", 20)
            compare(content.opacity, 1)
        }

        // Half-pixel sizes cannot go through font.pixelSize; the elapsed time has digits of one
        // width (checked on the letters, as most fonts already give digits one width).
        function test_textDetails() {
            const finding = { id: "1", quote: "q", verdict: "contradicted", explanation: "e",
                              eyebrow: "umm...", isDemo: false, elapsedText: "1.0s", timeText: "12:00",
                              sourceCountText: "No sources", sources: [] }
            const pixels = font => font.pointSize > 0 ? font.pointSize * root.Screen.logicalPixelDensity * 25.4 / 72
                                                      : font.pixelSize
            const toast = createTemporaryObject(toastComponent, root, { finding: finding })
            fuzzyCompare(pixels(findChild(toast, "toastExplanation").font), 12.5, 0.01)
            const prompt = createTemporaryObject(promptComponent, root)
            fuzzyCompare(pixels(findChild(prompt, "promptMessage").font), 12.5, 0.01)
            const view = createTemporaryObject(findingComponent, root, { finding: finding })
            metrics.font = findChild(view, "elapsedTime").font
            metrics.text = "iiii"
            const narrow = metrics.advanceWidth
            metrics.text = "mmmm"
            compare(metrics.advanceWidth, narrow)
        }

        function test_emojiTextUsesTheColourFont() {
            const html = Theme.emojiText("\u261D\uFE0F umm... <b>")
            verify(html.indexOf("Noto Color Emoji") > 0)
            verify(html.indexOf("&lt;b&gt;") > 0, "other text is escaped")
        }
    }
}
