// The window's words and numbers in German: the translations the build makes
// and the locale's grouping and decimal comma, shown and typed. Run by
// tst_window_german alone: its name keeps it out of tst_window_qml's tst_*.qml.
import QtQuick 2.15
import QtTest 1.2
import "../../qml"
import "../../qml/Words.js" as Words

Item {
    id: root
    width: 640
    height: 480

    TestCase {
        name: "German"
        when: windowShown

        Component { id: formComponent; FormCheck {} }
        Component { id: promptComponent; ExistingPrompt {} }
        Component { id: slotComponent; SlotOptionsForm {} }

        function test_words_data() {
            var cut = { status: "convert", bytesExact: true, bytes: 80044, startFrame: 0, cutFrame: 72000,
                        cutSeconds: 1.5, fadeFrames: 960, fadeSeconds: 0.02, padBytes: 0, shortBy: 0 };
            return [
                { tag: "exact size", text: Words.bytesText(80044), want: "80.044 Bytes" },
                { tag: "rounded size", text: Words.friendlyBytes(80044), want: "78,2 KiB" },
                { tag: "rate", text: Words.rateName(44100), want: "44,1 kHz" },
                { tag: "length", text: Words.lengthName(185.5), want: "3 min 5,5 s" },
                { tag: "plan", text: Words.plannedText(cut),
                  want: "80.044 Bytes \u2014 schneidet bei 1,5 s ab, blendet 20 ms aus" },
                { tag: "summary", text: Words.summaryText(1234, 0, 2, 0), want: "1.234 umgewandelt, 2 fehlgeschlagen" }
            ];
        }

        function test_words(data) {
            compare(data.text, data.want);
        }

        function test_prompts() {
            var prompt = createTemporaryObject(promptComponent, root);
            prompt.ask("$DoConvert", ["/o/a.wav", "/o/b.wav"], "/o/", "skip");
            compare(prompt.title, "2 zu schreibende Dateien gibt es schon");
            compare(findChild(prompt.contentItem, "existingText").text,
                    "Das Umwandeln würde a.wav und b.wav in /o/ überschreiben.");
            compare(findChild(prompt.contentItem, "skipButton").text, "Überspringen");
            prompt.close();
            var slot = createTemporaryObject(slotComponent, root);
            compare(findChild(slot, "padBox").text, "Mit Stille bis zur genauen Größe auffüllen");
        }

        // Typed the German way, read the engine's way: the command holds no grouping and a point.
        function test_typedNumbers_data() {
            return [
                { tag: "grouped bytes", form: { sizeText: "80.044" }, size: 80044 },
                { tag: "KiB with the decimal comma", form: { sizeText: "1,5", sizeUnit: 1 }, size: 1536 },
                { tag: "a point that cannot group", form: { sizeText: "1.5", sizeUnit: 1 }, size: 1536 },
                { tag: "duration", form: { durationMode: true, durationText: "0,5" }, size: 72044 },
                { tag: "start in minutes", form: { startText: "0:01,250" }, size: 65580, start: "0:01.250" }
            ];
        }

        function test_typedNumbers(data) {
            var f = { rateText: "48000", channelsText: "1", bits: 24, sizeText: "65580", sizeUnit: 0,
                      folderText: "/o/", suffix: "_x", inputs: ["/in/a.wav"] };
            for (var k in data.form)
                f[k] = data.form[k];
            var form = createTemporaryObject(formComponent, root, f);
            compare(form.plan.reason, "");
            compare(form.plan.command, "$DoConvert,48000,1,24," + data.size + ",/o/,_x,/in/a.wav");
            compare(form.options.start, data.start || "");
        }
    }
}
