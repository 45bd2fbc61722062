// What fills and empties the list of files. Where the window is too narrow
// for all four buttons in its language, Remove and Clear list go under "⋯",
// and where even the two add buttons' words do not fit, they say only what
// they add.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15

RowLayout {
    id: buttonRow

    property bool locked: false
    property bool canRemove: false
    property bool canClear: false

    // The width the buttons have, which the pane gives; not the row's own,
    // which the buttons' words may hold wider than the pane.
    property real room: width

    signal addFilesClicked()
    signal addFolderClicked()
    signal removeClicked()
    signal clearClicked()

    // The add buttons' widths with their whole words.
    readonly property real addFilesWidth: Math.max(addFiles.implicitBackgroundWidth, Math.ceil(addFilesWords.advanceWidth + addFiles.leftPadding + addFiles.rightPadding))
    readonly property real addFolderWidth: Math.max(addFolder.implicitBackgroundWidth, Math.ceil(addFolderWords.advanceWidth + addFolder.leftPadding + addFolder.rightPadding))
    TextMetrics { id: addFilesWords; font: addFiles.font; text: qsTr("Add files…") }
    TextMetrics { id: addFolderWords; font: addFolder.font; text: qsTr("Add folder…") }
    // The four buttons and the room after them: four spacings in all.
    readonly property bool roomy: room >= addFilesWidth + addFolderWidth
                                  + removeButton.implicitWidth + clearButton.implicitWidth + 4 * spacing
    // Not even the two add buttons whole: they say only what they add.
    readonly property bool tight: room < addFilesWidth + addFolderWidth + moreButton.implicitWidth + 3 * spacing
    Button {
        id: addFiles
        objectName: "addFilesButton"
        // Narrower than their words only where no window is that small.
        Layout.fillWidth: true
        // Whole pixels: a width rounded down would cut the last letter.
        Layout.maximumWidth: Math.ceil(implicitWidth)
        Layout.minimumWidth: 60
        text: buttonRow.tight ? qsTr("Files…", "adds files") : qsTr("Add files…")
        enabled: !buttonRow.locked
        Accessible.name: qsTr("Add audio files")
        ToolTip.visible: buttonRow.tight && hovered
        ToolTip.delay: 600
        ToolTip.text: qsTr("Add audio files")
        onClicked: buttonRow.addFilesClicked()
    }
    Button {
        id: addFolder
        objectName: "addFolderButton"
        Layout.fillWidth: true
        Layout.maximumWidth: Math.ceil(implicitWidth)
        Layout.minimumWidth: 60
        text: buttonRow.tight ? qsTr("Folder…", "adds a folder") : qsTr("Add folder…")
        enabled: !buttonRow.locked
        Accessible.name: qsTr("Add the audio files of a folder")
        ToolTip.visible: buttonRow.tight && hovered
        ToolTip.delay: 600
        ToolTip.text: qsTr("Add the audio files of a folder")
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
        id: moreButton
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
