// Asked before a request whose outputs take more than the engine's limit for
// a request made without a second thought (a size typed in the wrong unit
// fills a disk): convert all the same, or send nothing. Enter cancels.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15

Dialog {
    id: prompt
    objectName: "largePrompt"
    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(480, parent ? parent.width - 40 : 480)
    modal: true
    closePolicy: Popup.CloseOnEscape
    title: qsTr("The files will be very large")

    property string text

    signal goOn()

    onOpened: cancelButton.forceActiveFocus()

    contentItem: ColumnLayout {
        spacing: 12
        Label {
            objectName: "largePromptText"
            Layout.fillWidth: true
            wrapMode: Text.Wrap
            text: prompt.text + " " + qsTr("Convert all the same?")
        }
        RowLayout {
            Layout.alignment: Qt.AlignRight
            Button {
                objectName: "convertLargeButton"
                text: qsTr("Convert")
                onClicked: { prompt.close(); prompt.goOn(); }
            }
            Button {
                id: cancelButton
                objectName: "cancelLargeButton"
                text: qsTr("Cancel")
                highlighted: true
                onClicked: prompt.close()
                Keys.onReturnPressed: prompt.close()
                Keys.onEnterPressed: prompt.close()
            }
        }
    }
}
