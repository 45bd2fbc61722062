// Takes files and folders dropped on the window, and shows where they go
// while they are dragged over it.
import QtQuick 2.15
import QtQuick.Controls 2.15

DropArea {
    id: zone

    property bool locked: false
    readonly property Theme theme: Theme {}

    signal urlsDropped(var urls)

    onEntered: drag.accepted = drag.hasUrls && !locked
    onDropped: {
        if (!drop.hasUrls || locked)
            return;
        drop.acceptProposedAction();
        zone.urlsDropped(drop.urls);
    }
    Rectangle {
        anchors.fill: parent
        visible: zone.containsDrag
        color: zone.theme.dropZone
        border.color: zone.theme.palette.highlight
        border.width: 3
    }
    Label {
        anchors.centerIn: parent
        visible: zone.containsDrag
        text: qsTr("Drop to add the files")
        font.pixelSize: Qt.application.font.pixelSize + 8
        font.bold: true
    }
}
