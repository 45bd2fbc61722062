// Asked before a run whose output folder does not exist yet: make it and go
// on, or send nothing. Enter makes it.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15

Dialog {
    id: prompt
    objectName: "folderPrompt"
    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(480, parent ? parent.width - 40 : 480)
    modal: true
    closePolicy: Popup.CloseOnEscape
    title: qsTr("The output folder does not exist")

    property string folder

    signal makeChosen()

    function make() {
        close();
        makeChosen();
    }

    onOpened: makeButton.forceActiveFocus()

    contentItem: ColumnLayout {
        spacing: 12
        Label {
            objectName: "folderPromptText"
            Layout.fillWidth: true
            wrapMode: Text.Wrap
            text: qsTr("%1 is not there yet. Make it and convert into it?").arg(prompt.folder)
        }
        RowLayout {
            Layout.alignment: Qt.AlignRight
            Button {
                id: makeButton
                objectName: "makeFolderButton"
                text: qsTr("Make the folder and convert")
                highlighted: true
                onClicked: prompt.make()
                Keys.onReturnPressed: prompt.make()
                Keys.onEnterPressed: prompt.make()
            }
            Button {
                objectName: "cancelFolderButton"
                text: qsTr("Cancel")
                flat: true
                onClicked: prompt.close()
                Keys.onReturnPressed: prompt.close()
                Keys.onEnterPressed: prompt.close()
            }
        }
    }
}
