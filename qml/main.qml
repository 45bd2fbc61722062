// Sabletide's window: converts audio files into WAV files of one format and one
// exact size. The program loads this file from beside its executable.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Window 2.15
import Qt.labs.settings 1.1
import "Words.js" as Words
import "WindowFit.js" as WindowFit

ApplicationWindow {
    id: window
    objectName: "window"
    visible: true
    title: view.titleState !== "" ? qsTr("Sabletide \u2014 %1").arg(view.titleState) : "Sabletide"
    width: 960
    height: 640
    minimumWidth: 720
    minimumHeight: 540

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

    // The place and size the window has when it is neither maximised nor
    // minimised: what a maximised window goes back to, and what is remembered.
    property rect normalGeometry: Qt.rect(x, y, width, height)
    function noteGeometry() {
        if (visibility === Window.Windowed)
            normalGeometry = Qt.rect(x, y, width, height);
    }
    onXChanged: noteGeometry()
    onYChanged: noteGeometry()
    onWidthChanged: noteGeometry()
    onHeightChanged: noteGeometry()

    function remember() {
        var values = view.rememberedValues();
        for (var key in values)
            settings.setValue(key, values[key]);
        settings.setValue("x", normalGeometry.x);
        settings.setValue("y", normalGeometry.y);
        settings.setValue("width", normalGeometry.width);
        settings.setValue("height", normalGeometry.height);
        settings.setValue("maximized", visibility === Window.Maximized);
        settings.sync();
    }

    // The free area of each screen, the window's own first.
    function screenAreas() {
        var areas = [];
        var screens = Qt.application.screens;
        for (var i = 0; i < screens.length; ++i) {
            var s = screens[i];
            var area = { x: s.virtualX, y: s.virtualY, width: Math.min(s.width, s.desktopAvailableWidth),
                         height: Math.min(s.height, s.desktopAvailableHeight) };
            if (s.name === Screen.name)
                areas.unshift(area);
            else
                areas.push(area);
        }
        return areas;
    }

    // Puts the window where it was, fitted to the screens there are now.
    function restoreGeometry() {
        // Never stored: the size the window is declared with, which a small
        // screen may not hold either.
        var w = parseInt(settings.value("width"), 10);
        var h = parseInt(settings.value("height"), 10);
        var saved = { x: parseInt(settings.value("x"), 10), y: parseInt(settings.value("y"), 10),
                      width: isNaN(w) || isNaN(h) ? window.width : w,
                      height: isNaN(w) || isNaN(h) ? window.height : h,
                      maximized: String(settings.value("maximized")) === "true" };
        // Room for a title bar and borders: the window's own frame is not
        // known before it shows.
        var fitted = WindowFit.fit(saved, screenAreas(), { width: minimumWidth, height: minimumHeight },
                                   { left: 4, top: 32, right: 4, bottom: 4 });
        window.width = fitted.width;
        window.height = fitted.height;
        if (isFinite(saved.x) && isFinite(saved.y)) {
            window.x = fitted.x;
            window.y = fitted.y;
        }
        if (fitted.maximized)
            window.visibility = Window.Maximized;
    }

    Component.onCompleted: {
        view.restore(function (key) { return settings.value(key); });
        restoreGeometry();
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
