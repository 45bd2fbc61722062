// Sabletide's window: converts audio files into WAV files of one format and one
// exact size. The program loads this file from beside its executable.
import QtQuick 2.15
import QtQuick.Controls 2.15
import Qt.labs.settings 1.1
import "Words.js" as Words

ApplicationWindow {
    id: window
    objectName: "window"
    visible: true
    title: view.titleState !== "" ? "Sabletide \u2014 " + view.titleState : "Sabletide"
    width: 960
    height: 640
    minimumWidth: 640
    minimumHeight: 480

    ConverterView {
        id: view
        anchors.fill: parent
        focus: true
        onStarted: window.remember()
        onCloseApproved: window.close()
    }

    // The window's own memory of the last-used form, stored under the
    // organization and application names that start-up sets. Read and written
    // by hand: bound properties would be stored only half a second after a
    // change or when the window is destroyed, which the program never does,
    // and a restored editable box would be reset by its own start-up.
    Settings {
        id: settings
        category: "window"
    }

    function remember() {
        var values = view.rememberedValues();
        for (var key in values)
            settings.setValue(key, values[key]);
        settings.setValue("width", window.width);
        settings.setValue("height", window.height);
        settings.sync();
    }

    Component.onCompleted: {
        view.restore(function (key) { return settings.value(key); });
        var w = parseInt(settings.value("width"), 10);
        var h = parseInt(settings.value("height"), 10);
        if (w >= minimumWidth && h >= minimumHeight) {
            window.width = w;
            window.height = h;
        }
        // Files and folders named on the command line ("Open with Sabletide").
        var given = _data.startInputs || [];
        if (given.length > 0)
            view.addUrls(given.map(Words.pathToUrl));
    }

    onClosing: {
        // A running conversion is stopped only when the person says so.
        if (!view.mayClose()) {
            close.accepted = false;
            return;
        }
        remember();
    }
}
