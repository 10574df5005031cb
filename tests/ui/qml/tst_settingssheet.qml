import QtQuick
import QtQuick.Controls
import QtTest
import Brindle.UI

Item {
    id: root
    width: 480
    height: 740

    Component {
        id: sheetComponent
        SettingsSheet { settings: Settings }
    }

    TestCase {
        name: "SettingsSheet"
        when: windowShown

        property var sheet

        function init() {
            sheet = createTemporaryObject(sheetComponent, root)
            sheet.open()
            tryCompare(sheet, "opened", true)
        }

        function test_saveButtonFollowsTheController() {
            const button = findChild(sheet.contentItem, "saveButton")
            verify(button.enabled)
            sheet.controller.selkaModel = ""
            verify(!button.enabled)
        }

        function test_openRouterSectionFollowsTheProviders() {
            const section = findChild(sheet.contentItem, "openRouterSection")
            sheet.controller.researchProvider = 0
            sheet.controller.selkaProvider = 0
            verify(!section.visible)
            sheet.controller.openRouterKey = "kept"
            sheet.controller.researchProvider = 1
            verify(section.visible)
            sheet.controller.researchProvider = 0
            verify(!section.visible)
            compare(sheet.controller.openRouterKey, "kept")
            sheet.controller.selkaProvider = 1
            verify(section.visible)
        }

        function test_selkaFieldsDisabledWhileSelkaIsOff() {
            sheet.controller.selkaProvider = 0
            sheet.controller.useSelka = false
            verify(!findChild(sheet.contentItem, "selkaModelField").enabled)
            verify(!findChild(sheet.contentItem, "selkaProviderMenu").enabled)
            sheet.controller.useSelka = true
            verify(findChild(sheet.contentItem, "selkaModelField").enabled)
        }

        function test_failedSaveKeepsTheSheetOpenWithTheError() {
            sheet.controller.maxChecks = 15
            mouseClick(findChild(sheet.contentItem, "saveButton"))
            verify(sheet.opened)
            verify(findChild(sheet.contentItem, "saveError").visible)
            compare(Settings.maxChecksPerSession, 30)
        }

        function test_cancelDiscardsTheCopies() {
            sheet.controller.selkaModel = "changed"
            mouseClick(findChild(sheet.contentItem, "cancelButton"))
            tryCompare(sheet, "visible", false)
            compare(Settings.selkaModel, "selka-1.13")
        }
    }
}
