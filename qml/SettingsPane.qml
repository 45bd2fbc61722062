// The form, in the order a person fills it: the format, the size, what the
// slot asks beyond the cut, the sound (which folds away), and where the files
// go. It fits a 960×640 window; on a smaller screen it scrolls and keeps the
// field that has the focus in sight. While a run goes
// the whole form stands still: the run converts what it was started with.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import QtQuick.Window 2.15
import Qt.labs.settings 1.1

ScrollView {
    id: pane
    objectName: "settingsScroll"
    clip: true
    contentWidth: availableWidth
    // On a small screen, show that there is more below.
    ScrollBar.vertical.policy: contentHeight > availableHeight ? ScrollBar.AlwaysOn : ScrollBar.AlwaysOff

    // The window's form (Form).
    property QtObject form
    property bool locked: false
    property string firstInput
    property int jobs: 0
    property alias bitsIndex: formatGroup.bitsIndex
    readonly property alias jobChoices: outputGroup.jobChoices
    // The width at which no label or field is cut, in the window's language.
    readonly property real neededWidth: settingsColumn.implicitWidth + 14
    readonly property bool popupOpen: formatGroup.popupOpen || sizeGroup.popupOpen || soundGroup.popupOpen || outputGroup.popupOpen

    signal presetChosen(var preset)
    signal chooseFolderClicked()
    signal jobsChosen(int jobs)

    ColumnLayout {
        id: settingsColumn
        objectName: "settingsColumn"
        // Room for the scroll bar, which shows only when needed.
        width: pane.availableWidth - 14
        spacing: 4
        enabled: !pane.locked

        FormatGroup {
            id: formatGroup
            Layout.fillWidth: true
            form: pane.form
            locked: pane.locked
            onPresetChosen: pane.presetChosen(preset)
        }
        SizeGroup {
            id: sizeGroup
            Layout.fillWidth: true
            form: pane.form
        }
        SlotOptionsForm {
            Layout.fillWidth: true
            Layout.topMargin: 2
            form: pane.form
        }
        SoundGroup {
            id: soundGroup
            Layout.fillWidth: true
            form: pane.form
            open: String(sections.value("soundOpen", true)) !== "false"
            onOpenToggled: {
                sections.setValue("soundOpen", open);
                sections.sync();
                soundGroup.open = open;
            }
        }
        OutputGroup {
            id: outputGroup
            Layout.fillWidth: true
            form: pane.form
            firstInput: pane.firstInput
            jobs: pane.jobs
            onChooseFolderClicked: pane.chooseFolderClicked()
            onJobsChosen: pane.jobsChosen(jobs)
        }
    }

    // Keyboard users must see the field they tab into, also at the smallest size.
    function revealFocus() {
        var item = Window.activeFocusItem;
        var flick = pane.contentItem;
        for (var p = item; p; p = p.parent) {
            if (p !== settingsColumn)
                continue;
            var top = item.mapToItem(settingsColumn, 0, 0).y - 8;
            var bottom = top + item.height + 16;
            if (top < flick.contentY)
                flick.contentY = Math.max(0, top);
            else if (bottom > flick.contentY + flick.height)
                flick.contentY = Math.min(bottom - flick.height, flick.contentHeight - flick.height);
            return;
        }
    }

    // Which parts of the form are folded away, kept at once.
    Settings {
        id: sections
        category: "sections"
    }

    Connections {
        target: pane.Window.window
        function onActiveFocusItemChanged() { pane.revealFocus() }
    }
}
