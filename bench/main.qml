// The window of the memory and stall probe: like the real one it keeps a busy
// indicator turning on the GUI thread while a conversion runs.
import QtQuick 2.15
import QtQuick.Controls 2.15

ApplicationWindow {
    id: window
    visible: true
    width: 320
    height: 120
    title: "Sabletide probe"

    property bool busy: false
    property int ready: 0

    Connections {
        target: _data
        function onSgWait(wait) { window.busy = wait }
        function onSgResampReady(fileName) { window.ready += 1 }
    }

    Row {
        anchors.centerIn: parent
        spacing: 12
        BusyIndicator { running: window.busy }
        Label { text: window.busy ? "converting" : "converted: " + window.ready }
    }
}
