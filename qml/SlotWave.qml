// The selected input's waveform with its slot over it and a time ruler under
// it, shown whole or zoomed to the slot. It takes the keyboard focus for the
// start marker: Left and Right move it by one frame, with Shift by 10 ms.
import QtQuick 2.15
import QtQuick.Controls 2.15
import Sabletide.Preview 1.0
import "Words.js" as Words

Item {
    id: box
    objectName: "waveformBox"

    // Shows the selected input's slot (SlotPreview or a stand-in).
    property QtObject preview
    property bool zoomToSlot: false
    property bool keysEnabled: true
    readonly property alias waveform: waveform
    readonly property Theme theme: Theme {}
    readonly property int rulerHeight: Math.ceil(rulerMetrics.height) + 5

    // The start marker moves by `frames` output frames, or by `ms`.
    signal stepFrames(int frames)
    signal stepMs(int ms)
    signal startDragged(real frame)
    signal zoomAsked(bool toSlot)

    Accessible.role: Accessible.Graphic
    Accessible.name: qsTr("Waveform of the selected file's output")
    Accessible.description: qsTr("Left and Right move the start by one frame, with Shift by 10 ms; Plus zooms to the slot, Minus shows the whole sound")
    Keys.onLeftPressed: if (keysEnabled) event.modifiers & Qt.ShiftModifier ? stepMs(-10) : stepFrames(-1)
    Keys.onRightPressed: if (keysEnabled) event.modifiers & Qt.ShiftModifier ? stepMs(10) : stepFrames(1)
    Keys.onPressed: {
        if (event.key === Qt.Key_Plus || event.key === Qt.Key_Equal) {
            zoomAsked(true);
            event.accepted = true;
        } else if (event.key === Qt.Key_Minus) {
            zoomAsked(false);
            event.accepted = true;
        }
    }

    // "1.5", "10:00.5": a tick's time, as finely as the step needs.
    function tickLabel(seconds, step) {
        var decimals = step < 1 ? Math.ceil(-Math.log(step) / Math.LN10 - 1e-9) : 0;
        if (waveform.viewTo / Math.max(waveform.rate, 1) < 60)
            return Words.number(seconds, decimals);
        var minutes = Math.floor((seconds + 1e-9) / 60);
        var rest = Words.number(seconds - minutes * 60, decimals);
        return minutes + ":" + (seconds - minutes * 60 < 9.9995 ? "0" : "") + rest;
    }

    Rectangle {
        id: ground
        anchors.fill: waveform
        color: box.theme.palette.base
        border.color: box.theme.palette.mid
    }
    WaveformItem {
        id: waveform
        objectName: "waveform"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: ruler.top
        overview: box.preview.overview
        totalFrames: box.preview.slot.totalFrames || 0
        startFrame: box.preview.slot.startFrame || 0
        cutFrame: box.preview.slot.cutFrame || 0
        fadeFrames: box.preview.slot.fadeFrames || 0
        padFrames: box.preview.slot.padFrames || 0
        rate: box.preview.slot.rate || 0
        zoomToSlot: box.zoomToSlot
        waveColor: box.theme.wave
        slotColor: box.theme.slotShade
        markerColor: box.theme.marker
        onStartFrameDragged: box.startDragged(frame)
    }
    Item {
        id: ruler
        objectName: "timeRuler"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: box.rulerHeight
        clip: true
        TextMetrics { id: rulerMetrics; font: rulerFont.font; text: "0:00" }
        Label { id: rulerFont; visible: false; font.pixelSize: Qt.application.font.pixelSize - 2 }
        Rectangle { width: parent.width; height: 1; color: box.theme.hint }
        Repeater {
            model: waveform.ticks
            Item {
                x: Math.round(modelData.x)
                Rectangle { width: 1; height: 4; color: box.theme.hint }
                Label {
                    x: 3
                    y: 2
                    text: box.tickLabel(modelData.seconds, waveform.tickStep)
                    font: rulerFont.font
                    color: box.theme.hint
                }
            }
        }
    }
    // The focus ring.
    Rectangle {
        anchors.fill: parent
        color: box.theme.clear
        border.color: box.theme.palette.highlight
        border.width: 2
        visible: box.activeFocus
    }
    ProgressBar {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: ruler.top
        visible: box.preview.overviewProgress >= 0
        value: Math.max(0, box.preview.overviewProgress)
    }
}
