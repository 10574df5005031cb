import QtQuick
import QtTest
import Brindle.UI

Item {
    id: root
    width: 400
    height: 300

    Component { id: badgeComponent; VerdictBadge {} }
    Component { id: rowComponent; ExpandableRow { title: "Earlier findings (1)"; Item { objectName: "body"; implicitHeight: 20 } } }

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
        }

        function test_emojiTextUsesTheColourFont() {
            const html = Theme.emojiText("\u261D\uFE0F umm... <b>")
            verify(html.indexOf("Noto Color Emoji") > 0)
            verify(html.indexOf("&lt;b&gt;") > 0, "other text is escaped")
        }
    }
}
