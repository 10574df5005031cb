import QtQuick
import QtQuick.Controls.impl
import Brindle.UI

// A symbol drawn from the desktop's icon theme, tinted like text.
IconImage {
    property string symbol
    property real size: 14

    name: SymbolIcons.name(symbol)
    sourceSize: Qt.size(size, size)
    width: size
    height: size
    color: Theme.primaryText
    visible: symbol !== ""
}
