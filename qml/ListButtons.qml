// What fills and empties the list of files. Where the window is too narrow
// for all four buttons in its language, Remove and Clear list go under "⋯".
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15

RowLayout {
    id: buttonRow

    property bool locked: false
    property bool canRemove: false
    property bool canClear: false

    signal addFilesClicked()
    signal addFolderClicked()
    signal removeClicked()
    signal clearClicked()

    readonly property bool roomy: width >= addFiles.implicitWidth + addFolder.implicitWidth
                                  + removeButton.implicitWidth + clearButton.implicitWidth + 3 * spacing
    Button {
        id: addFiles
        objectName: "addFilesButton"
        // Narrower than their words only where no window is that small.
        Layout.fillWidth: true
        // Whole pixels: a width rounded down would cut the last letter.
        Layout.maximumWidth: Math.ceil(implicitWidth)
        Layout.minimumWidth: 60
        text: qsTr("Add files…")
        enabled: !buttonRow.locked
        Accessible.name: qsTr("Add audio files")
        onClicked: buttonRow.addFilesClicked()
    }
    Button {
        id: addFolder
        objectName: "addFolderButton"
        Layout.fillWidth: true
        Layout.maximumWidth: Math.ceil(implicitWidth)
        Layout.minimumWidth: 60
        text: qsTr("Add folder…")
        enabled: !buttonRow.locked
        Accessible.name: qsTr("Add the audio files of a folder")
        onClicked: buttonRow.addFolderClicked()
    }
    Button {
        id: removeButton
        objectName: "removeButton"
        visible: buttonRow.roomy
        text: qsTr("Remove")
        enabled: buttonRow.canRemove
        Accessible.name: qsTr("Remove the selected file from the list")
        onClicked: buttonRow.removeClicked()
    }
    Button {
        id: clearButton
        objectName: "clearButton"
        visible: buttonRow.roomy
        text: qsTr("Clear list")
        enabled: buttonRow.canClear
        Accessible.name: qsTr("Remove all files from the list")
        onClicked: buttonRow.clearClicked()
    }
    Item { Layout.fillWidth: true }
    ToolButton {
        objectName: "moreButton"
        visible: !buttonRow.roomy
        text: "\u22ef"
        font.bold: true
        enabled: buttonRow.canRemove || buttonRow.canClear
        Accessible.name: qsTr("More list actions")
        ToolTip.visible: hovered
        ToolTip.delay: 600
        ToolTip.text: qsTr("Remove, Clear list")
        onClicked: moreMenu.open()
        Menu {
            id: moreMenu
            y: parent.height
            MenuItem {
                objectName: "removeItem"
                text: qsTr("Remove")
                enabled: buttonRow.canRemove
                onTriggered: buttonRow.removeClicked()
            }
            MenuItem {
                objectName: "clearItem"
                text: qsTr("Clear list")
                enabled: buttonRow.canClear
                onTriggered: buttonRow.clearClicked()
            }
        }
    }
}
