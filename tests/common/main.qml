// A bare window for the test programs: Core loads it from beside them.
import QtQuick 2.15
import QtQuick.Window 2.15

Window {
    visible: true
    width: 100
    height: 100
    title: "Sabletide test"
}
