// Where a remembered window opens again: on a screen there is now, within its
// free area below a title bar, whatever size and place it was left at.
import QtQuick 2.15
import QtTest 1.2
import "../../qml/WindowFit.js" as WindowFit

TestCase {
    name: "WindowFit"

    readonly property var laptop: ({ x: 0, y: 0, width: 1600, height: 1000 })
    readonly property var monitor: ({ x: 1600, y: 0, width: 1920, height: 1080 })
    readonly property var minimum: ({ width: 640, height: 480 })
    readonly property var titleBar: ({ left: 0, top: 32, right: 0, bottom: 0 })

    function test_fit_data() {
        return [
            { tag: "larger than the screen", screens: [laptop],
              saved: { x: 100, y: 50, width: 3160, height: 1920 },
              fitted: { x: 0, y: 32, width: 1600, height: 968, maximized: false } },
            { tag: "maximised", screens: [laptop],
              saved: { x: 0, y: 0, width: 3160, height: 1920, maximized: true },
              fitted: { x: 0, y: 32, width: 1600, height: 968, maximized: true } },
            { tag: "fits already", screens: [laptop],
              saved: { x: 200, y: 150, width: 960, height: 640 },
              fitted: { x: 200, y: 150, width: 960, height: 640, maximized: false } },
            { tag: "over the bottom right edge", screens: [laptop],
              saved: { x: 1200, y: 700, width: 960, height: 640 },
              fitted: { x: 640, y: 360, width: 960, height: 640, maximized: false } },
            { tag: "on a screen that is gone", screens: [laptop],
              saved: { x: 2000, y: 100, width: 960, height: 640 },
              fitted: { x: 320, y: 196, width: 960, height: 640, maximized: false } },
            { tag: "on the second screen", screens: [laptop, monitor],
              saved: { x: 2000, y: 100, width: 1000, height: 700 },
              fitted: { x: 2000, y: 100, width: 1000, height: 700, maximized: false } },
            { tag: "place never stored, below the minimum", screens: [laptop],
              saved: { x: NaN, y: NaN, width: 300, height: 200 },
              fitted: { x: 480, y: 276, width: 640, height: 480, maximized: false } }
        ];
    }

    function test_fit(data) {
        compare(WindowFit.fit(data.saved, data.screens, minimum, titleBar), data.fitted);
    }
}
