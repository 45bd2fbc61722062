// Asks before a window that is converting closes: stop the run and close, or
// keep converting. Outputs already finished stay either way.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15

Dialog {
    id: prompt
    objectName: "closePrompt"
    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(460, parent ? parent.width - 40 : 460)
    modal: true
    closePolicy: Popup.CloseOnEscape
    title: qsTr("Sabletide is still converting")

    signal stopAndClose()

    onOpened: keepButton.forceActiveFocus()

    contentItem: ColumnLayout {
        spacing: 10
        Label {
            Layout.fillWidth: true
            wrapMode: Text.Wrap
            text: qsTr("Closing stops the conversion. The files already converted stay; the one being "
                       + "converted and those after it are not written.")
        }
        RowLayout {
            Layout.alignment: Qt.AlignRight
            Button {
                objectName: "stopAndCloseButton"
                text: qsTr("Stop and close")
                onClicked: { prompt.close(); prompt.stopAndClose(); }
                Keys.onReturnPressed: clicked()
                Keys.onEnterPressed: clicked()
            }
            Button {
                id: keepButton
                objectName: "keepConvertingButton"
                text: qsTr("Keep converting")
                highlighted: true
                onClicked: prompt.close()
                Keys.onReturnPressed: clicked()
                Keys.onEnterPressed: clicked()
            }
        }
    }
}
