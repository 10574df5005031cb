import QtQuick

QtObject {
    property var selectedFinding: null
}
