// Why the field above cannot be used as it is; hidden while there is nothing to say.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15

Label {
    Layout.fillWidth: true
    Layout.preferredWidth: 0
    visible: text !== ""
    wrapMode: Text.Wrap
    color: theme.fail
    readonly property Theme theme: Theme {}
    font.pixelSize: Qt.application.font.pixelSize - 1
    Accessible.role: Accessible.AlertMessage
}
