import QtQuick
import QtTest
import Brindle.UI

Item {
    id: root
    width: 400
    height: 300

    Component { id: badgeComponent; VerdictBadge {} }
    Component { id: buttonComponent; ActionButton { text: "Go"; property int clicks: 0; onClicked: clicks++ } }
    Component { id: iconButtonComponent; IconButton { symbol: "xmark"; label: "Close"; property int clicks: 0; onClicked: clicks++ } }
    Component { id: rowComponent; ExpandableRow { title: "Earlier findings (1)"; Item { objectName: "body"; implicitHeight: 20 } } }

    TestCase {
        name: "SharedControls"
        when: windowShown

        function test_verdictBadge_data() {
            return [
                { tag: "supported", verdict: "supported", label: "Supported", symbol: "checkmark.circle.fill" },
                { tag: "contradicted", verdict: "contradicted", label: "Source disagrees", symbol: "exclamationmark.bubble.fill" },
                { tag: "context", verdict: "context", label: "Needs context", symbol: "text.bubble.fill" },
                { tag: "unresolved", verdict: "unresolved", label: "Unresolved", symbol: "questionmark.circle.fill" },
            ]
        }
        function test_verdictBadge(data) {
            const badge = createTemporaryObject(badgeComponent, root, { verdict: data.verdict })
            compare(badge.label, data.label)
            compare(Theme.verdictSymbol(data.verdict), data.symbol)
            verify(SymbolIcons.name(data.symbol) !== "", "the symbol has a theme icon")
        }

        function test_verdictColoursAreDistinct() {
            const colours = ["supported", "contradicted", "context", "unresolved"].map(v => String(Theme.verdictColor(v)))
            compare(new Set(colours).size, 4)
            compare(Theme.verdictColor("supported"), Theme.mint)
        }

        function test_disabledButtonsAreDimAndInert_data() {
            return [{ tag: "action button", component: buttonComponent },
                    { tag: "icon button", component: iconButtonComponent }]
        }
        function test_disabledButtonsAreDimAndInert(data) {
            const button = createTemporaryObject(data.component, root, { enabled: false })
            compare(button.opacity, 0.38)
            mouseClick(button)
            compare(button.clicks, 0)
            button.enabled = true
            mouseClick(button)
            compare(button.clicks, 1)
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
        }

        function test_emojiTextUsesTheColourFont() {
            const html = Theme.emojiText("\u261D\uFE0F umm... <b>")
            verify(html.indexOf("Noto Color Emoji") > 0)
            verify(html.indexOf("&lt;b&gt;") > 0, "other text is escaped")
        }
    }
}
