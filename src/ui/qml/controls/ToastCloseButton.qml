import QtQuick

// The close button of the floating panels.
IconButton {
    symbol: "xmark"
    size: 30
}
