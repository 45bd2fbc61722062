<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>ClosePrompt</name>
    <message>
        <source>Sabletide is still converting</source>
        <translation>Sabletide wandelt noch um</translation>
    </message>
    <message>
        <source>Closing stops the conversion. The files already converted stay; the one being converted and those after it are not written.</source>
        <translation>Schließen bricht das Umwandeln ab. Die schon umgewandelten Dateien bleiben; die gerade umgewandelte und die folgenden werden nicht geschrieben.</translation>
    </message>
    <message>
        <source>Stop and close</source>
        <translation>Abbrechen und schließen</translation>
    </message>
    <message>
        <source>Keep converting</source>
        <translation>Weiter umwandeln</translation>
    </message>
</context>
<context>
    <name>ConverterView</name>
    <message>
        <source>Done: %1</source>
        <translation>Fertig: %1</translation>
    </message>
    <message>
        <source>Stopped: %1</source>
        <translation>Abgebrochen: %1</translation>
    </message>
    <message>
        <source>converting %1 of %2</source>
        <translation>wandle %1 von %2 um</translation>
    </message>
    <message>
        <source>Add the audio files of a folder</source>
        <translation>Die Audiodateien eines Ordners hinzufügen</translation>
    </message>
    <message>
        <source>Add folder…</source>
        <translation>Ordner hinzufügen…</translation>
    </message>
    <message>
        <source>Show failed only</source>
        <translation>Nur fehlgeschlagene zeigen</translation>
    </message>
    <message>
        <source>Show only the files that failed</source>
        <translation>Nur die Dateien zeigen, die fehlgeschlagen sind</translation>
    </message>
    <message>
        <source>First failure</source>
        <translation>Erster Fehler</translation>
    </message>
    <message>
        <source>Select the first file that failed</source>
        <translation>Die erste fehlgeschlagene Datei auswählen</translation>
    </message>
    <message>
        <source>Retry the failed file</source>
        <translation>Fehlgeschlagene Datei erneut versuchen</translation>
    </message>
    <message>
        <source>Retry %1 failed</source>
        <translation>%1 fehlgeschlagene erneut versuchen</translation>
    </message>
    <message>
        <source>Convert the files that failed again</source>
        <translation>Die fehlgeschlagenen Dateien noch einmal umwandeln</translation>
    </message>
    <message>
        <source>Uses the form as it stands now</source>
        <translation>Nimmt das Formular, wie es jetzt ist</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Abspielen</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Parallel jobs</source>
        <translation>Gleichzeitige Aufträge</translation>
    </message>
    <message>
        <source>Files converted at the same time</source>
        <translation>Gleichzeitig umgewandelte Dateien</translation>
    </message>
    <message>
        <source>More jobs finish a long list sooner; the files come out the same</source>
        <translation>Mehr Aufträge werden mit einer langen Liste früher fertig; die Dateien werden gleich</translation>
    </message>
    <message>
        <source>Nothing was converted: %1</source>
        <translation>Nichts wurde umgewandelt: %1</translation>
    </message>
    <message>
        <source>Open output folder</source>
        <translation>Ausgabeordner öffnen</translation>
    </message>
    <message>
        <source>Open the output folder in the file manager</source>
        <translation>Den Ausgabeordner in der Dateiverwaltung öffnen</translation>
    </message>
    <message>
        <source>about %1 s left</source>
        <translation>noch etwa %1 s</translation>
    </message>
    <message>
        <source>about %1 min left</source>
        <translation>noch etwa %1 min</translation>
    </message>
    <message>
        <source>about %1 h %2 min left</source>
        <translation>noch etwa %1 h %2 min</translation>
    </message>
    <message>
        <source>Converting… %1 of %2 done, %3</source>
        <translation>Wandle um… %1 von %2 fertig, %3</translation>
    </message>
    <message>
        <source>Converting… %1 of %2 done</source>
        <translation>Wandle um… %1 von %2 fertig</translation>
    </message>
    <message>
        <source>Automatic (up to one per processor)</source>
        <translation>Automatisch (bis zu einer je Prozessor)</translation>
    </message>
</context>
<context>
    <name>ExistingPrompt</name>
    <message>
        <source>A file to be written already exists</source>
        <translation>Eine zu schreibende Datei gibt es schon</translation>
    </message>
    <message>
        <source>%1 files to be written already exist</source>
        <translation>%1 zu schreibende Dateien gibt es schon</translation>
    </message>
    <message>
        <source>Replace them</source>
        <translation>Ersetzen</translation>
    </message>
    <message>
        <source>Write the new files over the ones there now.</source>
        <translation>Die neuen Dateien über die vorhandenen schreiben.</translation>
    </message>
    <message>
        <source>Skip them</source>
        <translation>Überspringen</translation>
    </message>
    <message>
        <source>Leave those files as they are and convert only the others.</source>
        <translation>Diese Dateien lassen, wie sie sind, und nur die anderen umwandeln.</translation>
    </message>
    <message>
        <source>Keep them, report an error</source>
        <translation>Behalten und als Fehler melden</translation>
    </message>
    <message>
        <source>Leave those files as they are and list their inputs as failed.</source>
        <translation>Diese Dateien lassen, wie sie sind, und ihre Eingaben als fehlgeschlagen aufführen.</translation>
    </message>
    <message>
        <source>Converting would write over %1 in %2.</source>
        <translation>Das Umwandeln würde %1 in %2 überschreiben.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>FolderPrompt</name>
    <message>
        <source>The output folder does not exist</source>
        <translation>Den Ausgabeordner gibt es nicht</translation>
    </message>
    <message>
        <source>%1 is not there yet. Make it and convert into it?</source>
        <translation>%1 gibt es noch nicht. Anlegen und hinein umwandeln?</translation>
    </message>
    <message>
        <source>Make the folder and convert</source>
        <translation>Ordner anlegen und umwandeln</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>FolderScanner</name>
    <message>
        <source>it is not a file on this computer.</source>
        <translation>es ist keine Datei auf diesem Rechner.</translation>
    </message>
</context>
<context>
    <name>InputRow</name>
    <message>
        <source>Waiting</source>
        <translation>Wartet</translation>
    </message>
    <message>
        <source>Converting…</source>
        <translation>Wird umgewandelt…</translation>
    </message>
    <message>
        <source>Converted to %1</source>
        <translation>Umgewandelt in %1</translation>
    </message>
    <message>
        <source>Skipped: %1</source>
        <translation>Übersprungen: %1</translation>
    </message>
    <message>
        <source>Skipped</source>
        <translation>Übersprungen</translation>
    </message>
    <message>
        <source>Failed: %1</source>
        <translation>Fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>Stopped before it was finished; nothing was written</source>
        <translation>Vor dem Ende abgebrochen; nichts wurde geschrieben</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fehlgeschlagen</translation>
    </message>
    <message>
        <source>Stopped; nothing written</source>
        <translation>Abgebrochen; nichts geschrieben</translation>
    </message>
    <message>
        <source>Will not convert</source>
        <translation>Wird nicht umgewandelt</translation>
    </message>
    <message>
        <source>Progress of %1</source>
        <translation>Fortschritt von %1</translation>
    </message>
    <message>
        <source>%1 clipped</source>
        <translation>%1 übersteuert</translation>
    </message>
    <message>
        <source>Remove %1</source>
        <translation>%1 entfernen</translation>
    </message>
    <message>
        <source>Remove from the list</source>
        <translation>Aus der Liste entfernen</translation>
    </message>
</context>
<context>
    <name>PresetMenu</name>
    <message>
        <source>Presets ▾</source>
        <translation>Vorlagen ▾</translation>
    </message>
    <message>
        <source>Slot presets</source>
        <translation>Vorlagen für Speicherplätze</translation>
    </message>
    <message>
        <source>Give the preset a name.</source>
        <translation>Der Vorlage einen Namen geben.</translation>
    </message>
    <message>
        <source>A built-in preset has that name.</source>
        <translation>Eine eingebaute Vorlage hat diesen Namen.</translation>
    </message>
    <message>
        <source>You have a preset of that name.</source>
        <translation>Eine Ihrer Vorlagen hat diesen Namen.</translation>
    </message>
    <message>
        <source>Save current settings as a preset…</source>
        <translation>Aktuelle Einstellungen als Vorlage speichern…</translation>
    </message>
    <message>
        <source>Rename or delete your presets…</source>
        <translation>Eigene Vorlagen umbenennen oder löschen…</translation>
    </message>
    <message>
        <source>Save as a preset</source>
        <translation>Als Vorlage speichern</translation>
    </message>
    <message>
        <source>Name, such as the device and its slot</source>
        <translation>Name, etwa das Gerät und sein Speicherplatz</translation>
    </message>
    <message>
        <source>Your presets</source>
        <translation>Ihre Vorlagen</translation>
    </message>
    <message>
        <source>You have no presets of your own.</source>
        <translation>Sie haben keine eigenen Vorlagen.</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
</context>
<context>
    <name>SlotOptionsForm</name>
    <message>
        <source>Pad with silence to the exact size</source>
        <translation>Mit Stille bis zur genauen Größe auffüllen</translation>
    </message>
    <message>
        <source>A sound shorter than the size is followed by silence</source>
        <translation>Auf einen Ton, der kürzer als die Größe ist, folgt Stille</translation>
    </message>
    <message>
        <source>Choose a size first: size 0 keeps the whole sound</source>
        <translation>Zuerst eine Größe wählen: Größe 0 behält den ganzen Ton</translation>
    </message>
    <message>
        <source>Fade out</source>
        <translation>Ausblenden</translation>
    </message>
    <message>
        <source>Fade-out in milliseconds</source>
        <translation>Ausblenden in Millisekunden</translation>
    </message>
    <message>
        <source>Where the size cuts the sound, its last milliseconds fade to silence; 0 for none</source>
        <translation>Wo die Größe den Ton abschneidet, werden seine letzten Millisekunden zu Stille ausgeblendet; 0 für kein Ausblenden</translation>
    </message>
    <message>
        <source>Milliseconds of fade where the size cuts the sound; 0 for none</source>
        <translation>Millisekunden Ausblenden, wo die Größe den Ton abschneidet; 0 für kein Ausblenden</translation>
    </message>
    <message>
        <source>ms</source>
        <comment>milliseconds</comment>
        <translation>ms</translation>
    </message>
    <message>
        <source>Start at</source>
        <translation>Beginn bei</translation>
    </message>
    <message>
        <source>Start in seconds</source>
        <translation>Beginn in Sekunden</translation>
    </message>
    <message>
        <source>Each output begins this far into the sound, such as %1 or %2</source>
        <translation>Jede Ausgabe beginnt so weit im Ton, etwa %1 oder %2</translation>
    </message>
    <message>
        <source>Seconds into the sound where each output begins, such as %1 or %2</source>
        <translation>Sekunden im Ton, ab denen jede Ausgabe beginnt, etwa %1 oder %2</translation>
    </message>
    <message>
        <source>s</source>
        <comment>seconds</comment>
        <translation>s</translation>
    </message>
</context>
<context>
    <name>Words</name>
    <message>
        <source>bytes</source>
        <translation>Bytes</translation>
    </message>
    <message>
        <source>byte</source>
        <translation>Byte</translation>
    </message>
    <message>
        <source>%1 KiB</source>
        <translation>%1 KiB</translation>
    </message>
    <message>
        <source>%1 MiB</source>
        <translation>%1 MiB</translation>
    </message>
    <message>
        <source>%1 GiB</source>
        <translation>%1 GiB</translation>
    </message>
    <message>
        <source>%1 s</source>
        <comment>seconds</comment>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source>%1 h %2 min %3</source>
        <comment>hours, minutes, then seconds</comment>
        <translation>%1 h %2 min %3</translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>%1 min %2</source>
        <comment>minutes, then seconds</comment>
        <translation>%1 min %2</translation>
    </message>
    <message>
        <source>%1 Hz</source>
        <translation>%1 Hz</translation>
    </message>
    <message>
        <source>%1 kHz</source>
        <translation>%1 kHz</translation>
    </message>
    <message>
        <source>mono</source>
        <translation>Mono</translation>
    </message>
    <message>
        <source>stereo</source>
        <translation>Stereo</translation>
    </message>
    <message>
        <source>%1 channels</source>
        <translation>%1 Kanäle</translation>
    </message>
    <message>
        <source>length unknown</source>
        <translation>Länge unbekannt</translation>
    </message>
    <message>
        <source>Will not convert: %1</source>
        <translation>Wird nicht umgewandelt: %1</translation>
    </message>
    <message>
        <source>Will be skipped: %1</source>
        <translation>Wird übersprungen: %1</translation>
    </message>
    <message>
        <source>up to %1 (the file does not say how long it is)</source>
        <translation>bis zu %1 (die Datei gibt ihre Länge nicht an)</translation>
    </message>
    <message>
        <source>size known once converted (the file does not say how long it is)</source>
        <translation>Größe erst nach dem Umwandeln bekannt (die Datei gibt ihre Länge nicht an)</translation>
    </message>
    <message>
        <source>from %1</source>
        <comment>where the output begins in the sound</comment>
        <translation>ab %1</translation>
    </message>
    <message>
        <source>cuts at %1, fades %2 ms</source>
        <translation>schneidet bei %1 ab, blendet %2 ms aus</translation>
    </message>
    <message>
        <source>cuts at %1</source>
        <translation>schneidet bei %1 ab</translation>
    </message>
    <message>
        <source>pads %1 of silence</source>
        <translation>füllt %1 Stille auf</translation>
    </message>
    <message>
        <source>%1 short: the sound ends first</source>
        <translation>%1 zu kurz: der Ton endet vorher</translation>
    </message>
    <message>
        <source>the whole sound</source>
        <translation>der ganze Ton</translation>
    </message>
    <message>
        <source>channels</source>
        <translation>Kanäle</translation>
    </message>
    <message>
        <source>%1 and %2 more</source>
        <translation>%1 und %2 weitere</translation>
    </message>
    <message>
        <source>%1 and %2</source>
        <translation>%1 und %2</translation>
    </message>
    <message>
        <source>%1 converted</source>
        <translation>%1 umgewandelt</translation>
    </message>
    <message>
        <source>%1 skipped</source>
        <translation>%1 übersprungen</translation>
    </message>
    <message>
        <source>%1 failed</source>
        <translation>%1 fehlgeschlagen</translation>
    </message>
    <message>
        <source>%1 stopped</source>
        <translation>%1 abgebrochen</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Converts audio files into PCM WAV files of one format and one exact size, for fixed-size slots.</source>
        <translation>Wandelt Audiodateien in PCM-WAV-Dateien eines Formats und einer genauen Größe um, für Speicherplätze fester Größe.</translation>
    </message>
    <message>
        <source>Audio file or folder to put on the list at start.</source>
        <translation>Audiodatei oder Ordner, die beim Start auf die Liste kommen.</translation>
    </message>
    <message>
        <source>Sabletide — %1</source>
        <translation>Sabletide — %1</translation>
    </message>
</context>
<context>
    <name>presets</name>
    <message>
        <source>Voice prompt: 8 kHz 8-bit mono, 2 s</source>
        <translation>Sprachansage: 8 kHz 8 Bit Mono, 2 s</translation>
    </message>
    <message>
        <source>Speech: 22.05 kHz 16-bit mono, 5 s</source>
        <translation>Sprache: 22,05 kHz 16 Bit Mono, 5 s</translation>
    </message>
    <message>
        <source>CD stereo: 44.1 kHz 16-bit, 10 s</source>
        <translation>CD Stereo: 44,1 kHz 16 Bit, 10 s</translation>
    </message>
    <message>
        <source>Sampler pad: 48 kHz 16-bit mono, 1 MiB</source>
        <translation>Sampler-Pad: 48 kHz 16 Bit Mono, 1 MiB</translation>
    </message>
    <message>
        <source>Studio: 48 kHz 24-bit stereo, 30 s</source>
        <translation>Studio: 48 kHz 24 Bit Stereo, 30 s</translation>
    </message>
</context>
</TS>
