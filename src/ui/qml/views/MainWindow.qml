import QtQuick
import QtQuick.Controls
import Brindle.UI

// The main window. Closing it hides it while the process stays in the tray; without a tray,
// closing it quits. main.cpp decides whether it opens shown (not at a login start).
ApplicationWindow {
    id: window

    title: "Brindle..."
    width: 480
    height: 740
    minimumWidth: 440
    minimumHeight: 540
    visible: false
    // Floats above ordinary windows, like a panel.
    flags: Qt.Window | Qt.WindowStaysOnTopHint
    color: Theme.windowBackground

    palette.window: Theme.windowBackground
    palette.windowText: Theme.primaryText
    palette.base: Qt.rgba(0.11, 0.12, 0.135, 1)
    palette.alternateBase: Theme.surface
    palette.text: Theme.primaryText
    palette.button: Qt.rgba(0.15, 0.16, 0.175, 1)
    palette.buttonText: Theme.primaryText
    palette.brightText: "white"
    palette.highlight: Theme.mint
    palette.highlightedText: "black"
    palette.light: Qt.rgba(0.22, 0.23, 0.25, 1)
    palette.midlight: Qt.rgba(0.18, 0.19, 0.21, 1)
    palette.mid: Qt.rgba(0.3, 0.31, 0.33, 1)
    palette.dark: Theme.mint
    palette.shadow: "black"
    palette.placeholderText: Theme.tertiaryText
    palette.toolTipBase: Qt.rgba(0.16, 0.17, 0.19, 1)
    palette.toolTipText: Theme.primaryText

    MainView {
        id: mainView
        anchors.fill: parent
        session: Session
        presentation: AppPresentation
        settings: Settings
        loginStart: LoginStart
        recording: Recording
    }

    Shortcut {
        sequence: "Ctrl+Shift+B"
        context: Qt.ApplicationShortcut
        onActivated: AppPresentation.hidePanel()
    }
    Shortcut {
        sequence: "Ctrl+Q"
        context: Qt.ApplicationShortcut
        onActivated: AppPresentation.quit()
    }

    onClosing: {
        mainView.resetViewState()
        AppPresentation.mainWindowClosed()
    }
    Component.onCompleted: AppPresentation.registerMainWindow(window)
}
