// A window document that calls the bridge while it is still being loaded,
// before the controller listens, and counts what it hears afterwards.
import QtQuick 2.15
import QtQuick.Window 2.15

Window {
    id: window
    visible: true
    width: 100
    height: 100
    title: "load-time call"

    property bool called: false
    property int waits: 0
    property int readies: 0
    property int failures: 0

    Connections {
        target: _data
        function onSgWait(wait) { window.waits++ }
        function onSgResampReady(fileName) { window.readies++ }
        function onSgResampFailed(fileName, reason) { window.failures++ }
    }

    Component.onCompleted: {
        _data.doConvert("$DoConvert,48000,1,16,0,/nonexistent/,_x,/nonexistent/load.wav")
        window.called = true
    }
}
