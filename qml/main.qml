// Sabletide's window: converts audio files into WAV files of one format and one
// exact size. The program loads this file from beside its executable.
import QtQuick 2.15
import QtQuick.Controls 2.15
import Qt.labs.settings 1.1

ApplicationWindow {
    id: window
    objectName: "window"
    visible: true
    title: "Sabletide"
    width: 960
    height: 640
    minimumWidth: 640
    minimumHeight: 480

    ConverterView {
        id: view
        anchors.fill: parent
        focus: true
    }

    // The window's own memory of the last-used values, stored under the
    // organization and application names that start-up sets.
    Settings {
        id: settings
        category: "window"
        property alias rate: view.rateText
        property alias channels: view.channelsText
        property alias bitsIndex: view.bitsIndex
        property alias durationMode: view.durationMode
        property alias size: view.sizeText
        property alias sizeUnit: view.sizeUnit
        property alias duration: view.durationText
        property alias folder: view.folderText
        property alias suffix: view.suffixText
        property alias width: window.width
        property alias height: window.height
    }

    // Settings writes a moment after each change; a quick close must not lose it.
    onClosing: settings.sync()
}
