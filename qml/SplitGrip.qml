// The handle between the list and the slot: a short bar that lights up
// under the pointer and while it is dragged.
import QtQuick 2.15
import QtQuick.Controls 2.15

Item {
    id: grip
    implicitHeight: 11
    readonly property Theme theme: Theme {}
    Rectangle {
        anchors.centerIn: parent
        width: 48
        height: 3
        radius: 1.5
        color: grip.SplitHandle.pressed || grip.SplitHandle.hovered ? grip.theme.palette.highlight
                                                                    : grip.theme.palette.mid
    }
}
