<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Batch</name>
    <message>
        <source>no result came back for this file.</source>
        <translation>für diese Datei kam kein Ergebnis zurück.</translation>
    </message>
</context>
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
        <source>None of the files will convert: each one says why.</source>
        <translation>Keine der Dateien wird umgewandelt: Bei jeder steht, warum.</translation>
    </message>
</context>
<context>
    <name>Core</name>
    <message>
        <source>option jobs cannot be &quot;%1&quot;</source>
        <translation>die Option jobs darf nicht „%1“ sein</translation>
    </message>
</context>
<context>
    <name>DropZone</name>
    <message>
        <source>Drop to add the files</source>
        <translation>Ablegen, um die Dateien hinzuzufügen</translation>
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
    <name>Form</name>
    <message>
        <source>byte</source>
        <translation>Byte</translation>
    </message>
    <message>
        <source>bytes</source>
        <translation>Bytes</translation>
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
        <source>%1 h %2 min %3</source>
        <comment>hours, minutes, then seconds</comment>
        <translation>%1 h %2 min %3</translation>
    </message>
    <message>
        <source>%1 min %2</source>
        <comment>minutes, then seconds</comment>
        <translation>%1 min %2</translation>
    </message>
    <message>
        <source>Type a sample rate, such as %1.</source>
        <translation>Eine Abtastrate eingeben, etwa %1.</translation>
    </message>
    <message>
        <source>The sample rate must be a whole number of hertz from 1 to %1.</source>
        <translation>Die Abtastrate muss eine ganze Zahl Hertz von 1 bis %1 sein.</translation>
    </message>
    <message>
        <source>Type a channel count: 1 for mono, 2 for stereo.</source>
        <translation>Eine Kanalzahl eingeben: 1 für Mono, 2 für Stereo.</translation>
    </message>
    <message>
        <source>The channel count must be a whole number from 1 to %1: 1 for mono, 2 for stereo.</source>
        <translation>Die Kanalzahl muss eine ganze Zahl von 1 bis %1 sein: 1 für Mono, 2 für Stereo.</translation>
    </message>
    <message>
        <source>Type a duration in seconds, such as %1, or as %2.</source>
        <translation>Eine Dauer in Sekunden eingeben, etwa %1, oder als %2.</translation>
    </message>
    <message>
        <source>Type a size, or 0 to keep the whole sound.</source>
        <translation>Eine Größe eingeben, oder 0, um den ganzen Ton zu behalten.</translation>
    </message>
    <message>
        <source>The duration %1.</source>
        <translation>Die Dauer %1.</translation>
    </message>
    <message>
        <source>The size %1.</source>
        <translation>Die Größe %1.</translation>
    </message>
    <message>
        <source>0 keeps the whole converted sound, however long it is.</source>
        <translation>0 behält den ganzen umgewandelten Ton, wie lang er auch ist.</translation>
    </message>
    <message>
        <source>frame</source>
        <translation>Frame</translation>
    </message>
    <message>
        <source>frames</source>
        <translation>Frames</translation>
    </message>
    <message>
        <source>Each file will be exactly %1 (%2): %3.</source>
        <translation>Jede Datei wird genau %1 groß (%2): %3.</translation>
    </message>
    <message>
        <source>= %1. Holds %2 of sound (%3).</source>
        <translation>= %1. Fasst %2 Ton (%3).</translation>
    </message>
    <message>
        <source>Holds %1 of sound (%2).</source>
        <translation>Fasst %1 Ton (%2).</translation>
    </message>
    <message>
        <source>The fade-out must be a whole number of milliseconds, up to an hour; 0 for none.</source>
        <translation>Das Ausblenden muss eine ganze Zahl Millisekunden sein, höchstens eine Stunde; 0 für kein Ausblenden.</translation>
    </message>
    <message>
        <source>The start must be a time in seconds, such as %1, or as %2.</source>
        <translation>Der Beginn muss eine Zeit in Sekunden sein, etwa %1, oder als %2.</translation>
    </message>
    <message>
        <source>The output folder&apos;s path holds a comma, which Sabletide cannot pass on. Choose another folder.</source>
        <translation>Der Pfad des Ausgabeordners enthält ein Komma, das Sabletide nicht weitergeben kann. Einen anderen Ordner wählen.</translation>
    </message>
    <message>
        <source>The suffix cannot hold a comma.</source>
        <translation>Der Namenszusatz darf kein Komma enthalten.</translation>
    </message>
    <message>
        <source>The suffix cannot hold a /.</source>
        <translation>Der Namenszusatz darf kein / enthalten.</translation>
    </message>
    <message>
        <source>%1: its path holds a comma, which Sabletide cannot pass on. Rename the file or folder without the comma.</source>
        <translation>%1: der Pfad enthält ein Komma, das Sabletide nicht weitergeben kann. Die Datei oder den Ordner ohne das Komma umbenennen.</translation>
    </message>
    <message>
        <source>Add the audio files to convert.</source>
        <translation>Die umzuwandelnden Audiodateien hinzufügen.</translation>
    </message>
    <message>
        <source>Choose an output folder.</source>
        <translation>Einen Ausgabeordner wählen.</translation>
    </message>
    <message>
        <source>%1 of %2: %3 in all.</source>
        <translation>%1 zu je %2: insgesamt %3.</translation>
    </message>
    <message>
        <source>file</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>The peak must be a level from %1 to 0 dBFS, such as %2.</source>
        <translation>Die Spitze muss ein Pegel von %1 bis 0 dBFS sein, etwa %2.</translation>
    </message>
    <message>
        <source>The loudness must be from %1 to %2 LUFS, such as %3.</source>
        <translation>Die Lautheit muss zwischen %1 und %2 LUFS liegen, etwa %3.</translation>
    </message>
    <message>
        <source>The start&apos;s level must be below 0 dBFS and no lower than %1, such as %2.</source>
        <translation>Der Pegel des Anfangs muss unter 0 dBFS und nicht unter %1 liegen, etwa %2.</translation>
    </message>
</context>
<context>
    <name>FormatGroup</name>
    <message>
        <source>Output format</source>
        <translation>Ausgabeformat</translation>
    </message>
    <message>
        <source>Sample rate</source>
        <translation>Abtastrate</translation>
    </message>
    <message>
        <source>Sample rate in hertz</source>
        <translation>Abtastrate in Hertz</translation>
    </message>
    <message>
        <source>Pick a usual rate or type your own</source>
        <translation>Eine übliche Rate wählen oder eine eigene eingeben</translation>
    </message>
    <message>
        <source>Hz</source>
        <translation>Hz</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>Kanäle</translation>
    </message>
    <message>
        <source>Number of channels</source>
        <translation>Anzahl der Kanäle</translation>
    </message>
    <message>
        <source>Bits</source>
        <translation>Bits</translation>
    </message>
    <message>
        <source>8 bits (unsigned)</source>
        <translation>8 Bit (vorzeichenlos)</translation>
    </message>
    <message>
        <source>%1 bits</source>
        <translation>%1 Bit</translation>
    </message>
    <message>
        <source>Bits per sample</source>
        <translation>Bits je Abtastwert</translation>
    </message>
</context>
<context>
    <name>InputDialogs</name>
    <message>
        <source>Add audio files</source>
        <translation>Audiodateien hinzufügen</translation>
    </message>
    <message>
        <source>Audio files (%1)</source>
        <translation>Audiodateien (%1)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Add the audio files of a folder</source>
        <translation>Die Audiodateien eines Ordners hinzufügen</translation>
    </message>
    <message>
        <source>Choose the output folder</source>
        <translation>Den Ausgabeordner wählen</translation>
    </message>
    <message>
        <source>Include subfolders?</source>
        <translation>Unterordner einbeziehen?</translation>
    </message>
    <message>
        <source>%1 has folders inside. Add their audio files too? Each output then keeps its place in the tree under the output folder.</source>
        <translation>%1 enthält Ordner. Deren Audiodateien auch hinzufügen? Jede Ausgabe behält dann ihren Platz im Baum unter dem Ausgabeordner.</translation>
    </message>
    <message>
        <source>Include subfolders</source>
        <translation>Unterordner einbeziehen</translation>
    </message>
    <message>
        <source>This folder only</source>
        <translation>Nur diesen Ordner</translation>
    </message>
</context>
<context>
    <name>InputPane</name>
    <message>
        <source>Files to convert</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>Files to convert (%1)</source>
        <translation>Dateien (%1)</translation>
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
        <source>Dismiss the message</source>
        <translation>Die Meldung schließen</translation>
    </message>
    <message>
        <source>Looking for audio files…</source>
        <translation>Suche nach Audiodateien…</translation>
    </message>
    <message>
        <source>Drop audio files or folders here</source>
        <translation>Audiodateien oder Ordner hier ablegen</translation>
    </message>
    <message>
        <source>or click Add files. A folder adds the audio files directly inside it.</source>
        <translation>oder auf „Dateien hinzufügen“ klicken. Ein Ordner fügt die Audiodateien hinzu, die direkt darin liegen.</translation>
    </message>
    <message>
        <source>Files (%1)</source>
        <translation>Dateien (%1)</translation>
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
    <message>
        <source>sample</source>
        <translation>Abtastwert</translation>
    </message>
    <message>
        <source>samples</source>
        <translation>Abtastwerte</translation>
    </message>
    <message>
        <source>Warning: %1</source>
        <translation>Warnung: %1</translation>
    </message>
    <message>
        <source>%1 in %2</source>
        <translation>%1 in %2</translation>
    </message>
    <message>
        <source>%1-bit</source>
        <translation>%1 Bit</translation>
    </message>
    <message>
        <source>Starts at %1 s</source>
        <translation>Beginnt bei %1 s</translation>
    </message>
    <message>
        <source>→ %1</source>
        <comment>the output a file was converted to</comment>
        <translation>→ %1</translation>
    </message>
</context>
<context>
    <name>LargePrompt</name>
    <message>
        <source>The files will be very large</source>
        <translation>Die Dateien werden sehr groß</translation>
    </message>
    <message>
        <source>Convert all the same?</source>
        <translation>Trotzdem umwandeln?</translation>
    </message>
    <message>
        <source>Convert</source>
        <translation>Umwandeln</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>ListButtons</name>
    <message>
        <source>Add files…</source>
        <translation>Dateien hinzufügen…</translation>
    </message>
    <message>
        <source>Add audio files</source>
        <translation>Audiodateien hinzufügen</translation>
    </message>
    <message>
        <source>Add folder…</source>
        <translation>Ordner hinzufügen…</translation>
    </message>
    <message>
        <source>Add the audio files of a folder</source>
        <translation>Die Audiodateien eines Ordners hinzufügen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Remove the selected file from the list</source>
        <translation>Die gewählte Datei aus der Liste entfernen</translation>
    </message>
    <message>
        <source>Clear list</source>
        <translation>Liste leeren</translation>
    </message>
    <message>
        <source>Remove all files from the list</source>
        <translation>Alle Dateien aus der Liste entfernen</translation>
    </message>
    <message>
        <source>More list actions</source>
        <translation>Weitere Aktionen für die Liste</translation>
    </message>
    <message>
        <source>Remove, Clear list</source>
        <translation>Entfernen, Liste leeren</translation>
    </message>
</context>
<context>
    <name>OutputGroup</name>
    <message>
        <source>Where to save</source>
        <translation>Speicherort</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>Same as the first file</source>
        <translation>Wie die erste Datei</translation>
    </message>
    <message>
        <source>Output folder</source>
        <translation>Ausgabeordner</translation>
    </message>
    <message>
        <source>Empty: the folder of the first file</source>
        <translation>Leer: der Ordner der ersten Datei</translation>
    </message>
    <message>
        <source>Choose…</source>
        <translation>Wählen…</translation>
    </message>
    <message>
        <source>Choose the output folder</source>
        <translation>Den Ausgabeordner wählen</translation>
    </message>
    <message>
        <source>Suffix</source>
        <translation>Namenszusatz</translation>
    </message>
    <message>
        <source>Name suffix</source>
        <translation>Zusatz zum Dateinamen</translation>
    </message>
    <message>
        <source>Added to each file name before .wav</source>
        <translation>Wird an jeden Dateinamen vor .wav angehängt</translation>
    </message>
    <message>
        <source>Parallel jobs</source>
        <translation>Gleichzeitig</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>Automatisch</translation>
    </message>
    <message>
        <source>Files converted at the same time</source>
        <translation>Gleichzeitig umgewandelte Dateien</translation>
    </message>
    <message>
        <source>Automatic starts as many as the work pays for, up to one per processor. More jobs finish a long list sooner; the files come out the same.</source>
        <translation>Automatisch startet so viele, wie sich für die Arbeit lohnen, höchstens einen je Prozessor. Mehr Aufträge werden mit einer langen Liste früher fertig; die Dateien bleiben gleich.</translation>
    </message>
    <message>
        <source>Each file is saved as a .wav file with the suffix added to its name.</source>
        <translation>Jede Datei wird als .wav-Datei gespeichert, mit dem Namenszusatz hinter ihrem Namen.</translation>
    </message>
    <message>
        <source>The first file will be saved as %1</source>
        <translation>Die erste Datei wird gespeichert als %1</translation>
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
    <name>Rules</name>
    <message>
        <source>no folder was named</source>
        <translation>es wurde kein Ordner angegeben</translation>
    </message>
    <message>
        <source>cannot make the folder %1: %2 is not a folder</source>
        <translation>der Ordner %1 kann nicht angelegt werden: %2 ist kein Ordner</translation>
    </message>
    <message>
        <source>cannot make the folder %1: %2 is not writable</source>
        <translation>der Ordner %1 kann nicht angelegt werden: %2 ist nicht beschreibbar</translation>
    </message>
    <message>
        <source>cannot make the folder %1</source>
        <translation>der Ordner %1 kann nicht angelegt werden</translation>
    </message>
</context>
<context>
    <name>RunBar</name>
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
        <source>Stopping…</source>
        <translation>Wird abgebrochen…</translation>
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
        <source>Nothing was converted: %1</source>
        <translation>Nichts wurde umgewandelt: %1</translation>
    </message>
    <message>
        <source>Progress of the whole conversion</source>
        <translation>Fortschritt des ganzen Umwandelns</translation>
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
        <source>Converting</source>
        <translation>Umwandlung läuft</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Stop converting</source>
        <translation>Umwandeln abbrechen</translation>
    </message>
    <message>
        <source>The file being converted and those after it are not written</source>
        <translation>Die gerade umgewandelte Datei und die folgenden werden nicht geschrieben</translation>
    </message>
    <message>
        <source>Convert %1 files</source>
        <translation>%1 Dateien umwandeln</translation>
    </message>
    <message>
        <source>Convert</source>
        <translation>Umwandeln</translation>
    </message>
    <message>
        <source>Nothing on this computer opens folders. The files are in %1</source>
        <translation>Auf diesem Rechner öffnet nichts Ordner. Die Dateien liegen in %1</translation>
    </message>
</context>
<context>
    <name>SizeGroup</name>
    <message>
        <source>File size</source>
        <translation>Dateigröße</translation>
    </message>
    <message>
        <source>Exact size</source>
        <translation>Genaue Größe</translation>
    </message>
    <message>
        <source>Give the exact file size</source>
        <translation>Die genaue Dateigröße angeben</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Dauer</translation>
    </message>
    <message>
        <source>Give the duration in seconds</source>
        <translation>Die Dauer in Sekunden angeben</translation>
    </message>
    <message>
        <source>0 keeps the whole sound</source>
        <translation>0 behält den ganzen Ton</translation>
    </message>
    <message>
        <source>Unit of the file size</source>
        <translation>Einheit der Dateigröße</translation>
    </message>
    <message>
        <source>Duration in seconds</source>
        <translation>Dauer in Sekunden</translation>
    </message>
    <message>
        <source>Seconds, such as %1, or minutes and seconds, such as %2</source>
        <translation>Sekunden, etwa %1, oder Minuten und Sekunden, etwa %2</translation>
    </message>
    <message>
        <source>seconds</source>
        <translation>Sekunden</translation>
    </message>
    <message>
        <source>This size is not a whole number of %1-byte frames: the last frame will be cut in the middle. Nearest whole-frame sizes:</source>
        <translation>Diese Größe ist keine ganze Zahl von Frames zu je %1 Byte: der letzte Frame wird mittendurch geschnitten. Nächste Größen aus ganzen Frames:</translation>
    </message>
    <message>
        <source>Use %1</source>
        <translation>%1 verwenden</translation>
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
    <name>SlotPane</name>
    <message>
        <source>Play</source>
        <translation>Abspielen</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Play the selected file as it will be saved</source>
        <translation>Die gewählte Datei so abspielen, wie sie gespeichert wird</translation>
    </message>
    <message>
        <source>Stop playing</source>
        <translation>Wiedergabe anhalten</translation>
    </message>
    <message>
        <source>Space in the list does the same</source>
        <translation>Die Leertaste in der Liste tut dasselbe</translation>
    </message>
    <message>
        <source>Start of the selected file in seconds</source>
        <translation>Anfang der ausgewählten Datei in Sekunden</translation>
    </message>
    <message>
        <source>Empty: the start the form gives every file</source>
        <translation>Leer: der Anfang, den das Formular jeder Datei gibt</translation>
    </message>
    <message>
        <source>s</source>
        <comment>seconds</comment>
        <translation>s</translation>
    </message>
    <message>
        <source>Apply to all</source>
        <translation>Für alle übernehmen</translation>
    </message>
    <message>
        <source>Give every file this start</source>
        <translation>Diesen Anfang für alle Dateien übernehmen</translation>
    </message>
    <message>
        <source>Starts at</source>
        <translation>Beginnt bei</translation>
    </message>
    <message>
        <source>Slot</source>
        <translation>Slot</translation>
    </message>
    <message>
        <source>Zoom to the slot</source>
        <translation>Auf den Slot vergrößern</translation>
    </message>
    <message>
        <source>Show the part that goes into the file, in detail (Plus)</source>
        <translation>Den Teil, der in die Datei kommt, im Detail zeigen (Plus)</translation>
    </message>
    <message>
        <source>Whole sound</source>
        <translation>Ganzer Ton</translation>
    </message>
    <message>
        <source>Show the whole sound</source>
        <translation>Den ganzen Ton zeigen</translation>
    </message>
    <message>
        <source>Show the whole sound (Minus)</source>
        <translation>Den ganzen Ton zeigen (Minus)</translation>
    </message>
</context>
<context>
    <name>SlotWave</name>
    <message>
        <source>Waveform of the selected file&apos;s output</source>
        <translation>Wellenform der Ausgabe der gewählten Datei</translation>
    </message>
    <message>
        <source>Left and Right move the start by one frame, with Shift by 10 ms; Plus zooms to the slot, Minus shows the whole sound</source>
        <translation>Links und Rechts verschieben den Anfang um einen Frame, mit Umschalt um 10 ms; Plus vergrößert auf den Slot, Minus zeigt den ganzen Ton</translation>
    </message>
</context>
<context>
    <name>SortBox</name>
    <message>
        <source>As added</source>
        <translation>Wie hinzugefügt</translation>
    </message>
    <message>
        <source>By name</source>
        <translation>Nach Name</translation>
    </message>
    <message>
        <source>By length</source>
        <translation>Nach Länge</translation>
    </message>
    <message>
        <source>Order of the list</source>
        <translation>Reihenfolge der Liste</translation>
    </message>
    <message>
        <source>Order of the list, which is also the order they convert in</source>
        <translation>Reihenfolge der Liste, in der die Dateien auch umgewandelt werden</translation>
    </message>
</context>
<context>
    <name>SoundGroup</name>
    <message>
        <source>Sound</source>
        <translation>Klang</translation>
    </message>
    <message>
        <source>Level</source>
        <translation>Pegel</translation>
    </message>
    <message>
        <source>As it is</source>
        <translation>Unverändert</translation>
    </message>
    <message>
        <source>Peak</source>
        <translation>Spitze</translation>
    </message>
    <message>
        <source>Loudness</source>
        <translation>Lautheit</translation>
    </message>
    <message>
        <source>Bring each file to a level</source>
        <translation>Jede Datei auf einen Pegel bringen</translation>
    </message>
    <message>
        <source>Loudness to bring each file to, in LUFS</source>
        <translation>Lautheit für jede Datei, in LUFS</translation>
    </message>
    <message>
        <source>Peak to bring each file to, in dBFS</source>
        <translation>Spitzenpegel für jede Datei, in dBFS</translation>
    </message>
    <message>
        <source>Prevent clipping</source>
        <translation>Übersteuern verhindern</translation>
    </message>
    <message>
        <source>Lower the level just enough that no sample clips</source>
        <translation>Den Pegel gerade so weit senken, dass kein Abtastwert übersteuert</translation>
    </message>
    <message>
        <source>Dither</source>
        <translation>Dithering</translation>
    </message>
    <message>
        <source>Add faint noise where the bit depth drops, so that quiet sound is not lost</source>
        <translation>Leises Rauschen hinzufügen, wo die Bittiefe sinkt, damit leiser Klang nicht verloren geht</translation>
    </message>
    <message>
        <source>Quick</source>
        <translation>Schnell</translation>
    </message>
    <message>
        <source>Low quality</source>
        <translation>Niedrige Qualität</translation>
    </message>
    <message>
        <source>Medium quality</source>
        <translation>Mittlere Qualität</translation>
    </message>
    <message>
        <source>High quality</source>
        <translation>Hohe Qualität</translation>
    </message>
    <message>
        <source>Very high quality</source>
        <translation>Sehr hohe Qualität</translation>
    </message>
    <message>
        <source>Resampling quality</source>
        <translation>Qualität der Abtastratenwandlung</translation>
    </message>
    <message>
        <source>Begin above</source>
        <translation>Beginnen über</translation>
    </message>
    <message>
        <source>Leave out a quiet start</source>
        <translation>Einen leisen Anfang weglassen</translation>
    </message>
    <message>
        <source>Each sound begins at its first sample above the level</source>
        <translation>Jeder Klang beginnt bei seinem ersten Abtastwert über dem Pegel</translation>
    </message>
    <message>
        <source>Level where the sound begins, in dBFS</source>
        <translation>Pegel, bei dem der Klang beginnt, in dBFS</translation>
    </message>
    <message>
        <source>One gain for all files</source>
        <translation>Eine Verstärkung für alle Dateien</translation>
    </message>
    <message>
        <source>The files keep their balance: the loudest one reaches the level</source>
        <translation>Die Dateien behalten ihr Verhältnis: die lauteste erreicht den Pegel</translation>
    </message>
    <message>
        <source>The level chosen above sets the gain itself</source>
        <translation>Der oben gewählte Pegel bestimmt die Verstärkung selbst</translation>
    </message>
    <message>
        <source>Resampling</source>
        <translation>Abtastratenwandlung</translation>
    </message>
    <message>
        <source>Peak %1 dBFS</source>
        <translation>Spitze %1 dBFS</translation>
    </message>
    <message>
        <source>Loudness %1 LUFS</source>
        <translation>Lautheit %1 LUFS</translation>
    </message>
    <message>
        <source>one gain</source>
        <translation>eine Verstärkung</translation>
    </message>
    <message>
        <source>no clipping</source>
        <translation>ohne Übersteuern</translation>
    </message>
    <message>
        <source>dither</source>
        <translation>Dithering</translation>
    </message>
    <message>
        <source>begins above %1 dBFS</source>
        <translation>beginnt über %1 dBFS</translation>
    </message>
    <message>
        <source>Hide the sound options</source>
        <translation>Klangoptionen ausblenden</translation>
    </message>
    <message>
        <source>Show the sound options</source>
        <translation>Klangoptionen einblenden</translation>
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
    <message>
        <source>about %1 (the file only estimates its length)</source>
        <translation>etwa %1 (die Datei gibt ihre Länge nur geschätzt an)</translation>
    </message>
    <message>
        <source>Not added: %1 — %2</source>
        <translation>Nicht hinzugefügt: %1 — %2</translation>
    </message>
    <message>
        <source>…and %1 more not added for the same kind of reason.</source>
        <translation>…und %1 weitere aus einem ähnlichen Grund nicht hinzugefügt.</translation>
    </message>
    <message>
        <source>No audio files found directly inside %1.</source>
        <translation>Direkt in %1 wurden keine Audiodateien gefunden.</translation>
    </message>
    <message>
        <source>gain %1 dB</source>
        <translation>Verstärkung %1 dB</translation>
    </message>
    <message>
        <source>%1, held at the peak ceiling</source>
        <translation>%1, an der Spitzengrenze gehalten</translation>
    </message>
</context>
<context>
    <name>engine</name>
    <message>
        <source>%1: cannot write the settings</source>
        <translation>%1: Die Einstellungen können nicht geschrieben werden</translation>
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
