import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15

ApplicationWindow {
    id: window
    visible: true
    width: 640
    height: 480
    title: "Sabletide"

    property bool busy: false

    Connections {
        target: _data
        function onSgWait(wait) { window.busy = wait }
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 12
        TextField {
            id: commandField
            Layout.fillWidth: true
            placeholderText: "$DoConvert,48000,1,16,0,/tmp/,_out,/path/to/input.wav"
        }
        RowLayout {
            Button {
                text: "Convert"
                enabled: !window.busy && commandField.text.length > 0
                onClicked: _data.doConvert(commandField.text)
            }
            BusyIndicator { running: window.busy }
        }
    }
}
