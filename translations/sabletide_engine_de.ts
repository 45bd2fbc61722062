<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>engine</name>
    <message>
        <source>unknown option &quot;%1&quot;</source>
        <translation>unbekannte Option „%1“</translation>
    </message>
    <message>
        <source>option %1 cannot be &quot;%2&quot;</source>
        <translation>die Option %1 kann nicht „%2“ sein</translation>
    </message>
    <message>
        <source>sample rate</source>
        <translation>Abtastrate</translation>
    </message>
    <message>
        <source>channel count</source>
        <translation>Kanalzahl</translation>
    </message>
    <message>
        <source>bits per sample</source>
        <translation>Bits je Abtastwert</translation>
    </message>
    <message>
        <source>file size</source>
        <translation>Dateigröße</translation>
    </message>
    <message>
        <source>position %1 (%2) %3</source>
        <translation>Stelle %1 (%2) %3</translation>
    </message>
    <message>
        <source>must be from %1 to %2, not %3</source>
        <translation>muss von %1 bis %2 reichen, nicht %3</translation>
    </message>
    <message>
        <source>name suffix</source>
        <translation>Namenszusatz</translation>
    </message>
    <message>
        <source>must not contain &quot;/&quot;: &quot;%1&quot;</source>
        <translation>darf kein „/“ enthalten: „%1“</translation>
    </message>
    <message>
        <source>the convert command is empty</source>
        <translation>der Umwandlungsbefehl ist leer</translation>
    </message>
    <message>
        <source>command tag</source>
        <translation>Befehlskennung</translation>
    </message>
    <message>
        <source>position 0 must begin with &quot;%1&quot;, not &quot;%2&quot;</source>
        <translation>Stelle 0 muss mit „%1“ beginnen, nicht mit „%2“</translation>
    </message>
    <message>
        <source>is not a whole number: &quot;%1&quot;</source>
        <translation>ist keine ganze Zahl: „%1“</translation>
    </message>
    <message>
        <source>file name is not valid in this locale</source>
        <translation>der Dateiname ist in dieser Spracheinstellung nicht gültig</translation>
    </message>
    <message>
        <source>%1: a path that holds a &quot;,&quot; cannot be passed in a convert command; rename it</source>
        <translation>%1: ein Pfad mit einem „,“ kann nicht in einem Umwandlungsbefehl übergeben werden; bitte umbenennen</translation>
    </message>
    <message>
        <source>%1: cannot read the folder</source>
        <translation>%1: der Ordner kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>the samples could not be used</source>
        <translation>die Abtastwerte ließen sich nicht verwenden</translation>
    </message>
    <message>
        <source>no output format to draw the sound at</source>
        <translation>kein Ausgabeformat, in dem der Klang gezeichnet werden kann</translation>
    </message>
    <message>
        <source>the disk is full</source>
        <translation>der Datenträger ist voll</translation>
    </message>
    <message>
        <source>output folder does not exist: %1</source>
        <translation>den Ausgabeordner gibt es nicht: %1</translation>
    </message>
    <message>
        <source>output folder is not a folder: %1</source>
        <translation>der Ausgabeordner ist kein Ordner: %1</translation>
    </message>
    <message>
        <source>output folder is not writable: %1</source>
        <translation>in den Ausgabeordner kann nicht geschrieben werden: %1</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>%1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>the file exists</source>
        <translation>die Datei gibt es schon</translation>
    </message>
    <message>
        <source>it is a folder</source>
        <translation>es ist ein Ordner</translation>
    </message>
    <message>
        <source>the standard input can be read only once</source>
        <translation>die Standardeingabe kann nur einmal gelesen werden</translation>
    </message>
    <message>
        <source>the output would overwrite the input file itself</source>
        <translation>die Ausgabe würde die Eingabedatei selbst überschreiben</translation>
    </message>
    <message>
        <source>the output would overwrite %1, another input of this request</source>
        <translation>die Ausgabe würde %1 überschreiben, eine andere Eingabe dieses Auftrags</translation>
    </message>
    <message>
        <source>%1 already writes %2; give a suffix or convert them apart</source>
        <translation>%1 schreibt schon %2; einen Namenszusatz angeben oder getrennt umwandeln</translation>
    </message>
    <message>
        <source>the start lies at or after the end of the sound (%1 s)</source>
        <translation>der Anfang liegt am oder hinter dem Ende des Klangs (%1 s)</translation>
    </message>
    <message>
        <source>the converted audio is larger than a WAV file can hold (4 GiB); choose a size</source>
        <translation>der umgewandelte Klang ist größer, als eine WAV-Datei fassen kann (4 GiB); bitte eine Größe wählen</translation>
    </message>
    <message>
        <source>the output %1 exists</source>
        <translation>die Ausgabe %1 gibt es schon</translation>
    </message>
    <message>
        <source>it cannot be opened</source>
        <translation>sie lässt sich nicht öffnen</translation>
    </message>
    <message>
        <source>No sound output is available: the sound library could not be started</source>
        <translation>Keine Tonausgabe verfügbar: die Klangbibliothek ließ sich nicht starten</translation>
    </message>
    <message>
        <source>No sound output is available: %1</source>
        <translation>Keine Tonausgabe verfügbar: %1</translation>
    </message>
    <message>
        <source>none is configured</source>
        <translation>keine ist eingerichtet</translation>
    </message>
    <message>
        <source>cannot make the preview: the temporary folder %1 does not exist</source>
        <translation>die Vorschau kann nicht erstellt werden: den temporären Ordner %1 gibt es nicht</translation>
    </message>
    <message>
        <source>cannot make the preview in %1: %2</source>
        <translation>die Vorschau kann nicht in %1 erstellt werden: %2</translation>
    </message>
    <message>
        <source>no output path</source>
        <translation>kein Ausgabepfad</translation>
    </message>
    <message>
        <source>the output path is a folder: %1</source>
        <translation>der Ausgabepfad ist ein Ordner: %1</translation>
    </message>
    <message>
        <source>cannot read the scratch file back: %1</source>
        <translation>die Zwischendatei kann nicht zurückgelesen werden: %1</translation>
    </message>
    <message>
        <source>the conversion gave no sound data</source>
        <translation>das Umwandeln ergab keine Klangdaten</translation>
    </message>
    <message>
        <source>the start lies at or after the end of the sound (%1 frames)</source>
        <translation>der Anfang liegt am oder hinter dem Ende des Klangs (%1 Frames)</translation>
    </message>
    <message>
        <source>cannot read the converted samples back</source>
        <translation>die umgewandelten Abtastwerte können nicht zurückgelesen werden</translation>
    </message>
    <message>
        <source>cannot read the converted samples back: %1</source>
        <translation>die umgewandelten Abtastwerte können nicht zurückgelesen werden: %1</translation>
    </message>
    <message>
        <source>file ends early</source>
        <translation>die Datei endet zu früh</translation>
    </message>
    <message>
        <source>file not found</source>
        <translation>Datei nicht gefunden</translation>
    </message>
    <message>
        <source>the temporary folder&apos;s path cannot be written in the system&apos;s file name encoding</source>
        <translation>der Pfad des temporären Ordners lässt sich in der Dateinamen-Kodierung des Systems nicht schreiben</translation>
    </message>
    <message>
        <source>cannot write %1-bit WAV; choose 8, 16, 24 or 32 bits</source>
        <translation>WAV mit %1 Bit kann nicht geschrieben werden; bitte 8, 16, 24 oder 32 Bit wählen</translation>
    </message>
    <message>
        <source>cannot write %1 channels</source>
        <translation>%1 Kanäle können nicht geschrieben werden</translation>
    </message>
    <message>
        <source>cannot write a sample rate of %1 Hz</source>
        <translation>eine Abtastrate von %1 Hz kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>cannot finish the scratch file in %1</source>
        <translation>die Zwischendatei in %1 kann nicht abgeschlossen werden</translation>
    </message>
    <message>
        <source>is a folder, not an audio file</source>
        <translation>ist ein Ordner, keine Audiodatei</translation>
    </message>
    <message>
        <source>is not a regular file (a device, pipe or socket)</source>
        <translation>ist keine gewöhnliche Datei (ein Gerät, eine Pipe oder ein Socket)</translation>
    </message>
    <message>
        <source>is larger than 4294967295 bytes, the most a WAV file can hold</source>
        <translation>ist größer als 4294967295 Byte, mehr als eine WAV-Datei fassen kann</translation>
    </message>
    <message>
        <source>is not a number</source>
        <translation>ist keine Zahl</translation>
    </message>
    <message>
        <source>is far too large</source>
        <translation>ist viel zu groß</translation>
    </message>
    <message>
        <source>has more than %1 decimals</source>
        <translation>hat mehr als %1 Nachkommastellen</translation>
    </message>
    <message>
        <source>is empty</source>
        <translation>ist leer</translation>
    </message>
    <message>
        <source>does not begin with a number</source>
        <translation>beginnt nicht mit einer Zahl</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is ambiguous: write %2B for powers of 1000 or %3iB for powers of 1024</source>
        <translation>„%1“ ist mehrdeutig: %2B für Potenzen von 1000 oder %3iB für Potenzen von 1024 schreiben</translation>
    </message>
    <message>
        <source>has an unknown unit &quot;%1&quot; (use B, kB, MB, GB, KiB, MiB or GiB)</source>
        <translation>hat eine unbekannte Einheit „%1“ (B, kB, MB, GB, KiB, MiB oder GiB verwenden)</translation>
    </message>
    <message>
        <source>is not a whole number of bytes (%1.%2)</source>
        <translation>ist keine ganze Zahl von Bytes (%1.%2)</translation>
    </message>
    <message>
        <source>leaves no room for samples after the %1-byte header (0 means no cut)</source>
        <translation>lässt nach dem Kopf von %1 Byte keinen Platz für Abtastwerte (0 heißt: nicht zuschneiden)</translation>
    </message>
    <message>
        <source>has too many &quot;:&quot; (write seconds, mm:ss.fff or h:mm:ss.fff)</source>
        <translation>hat zu viele „:“ (Sekunden, mm:ss.fff oder h:mm:ss.fff schreiben)</translation>
    </message>
    <message>
        <source>is not a time (write seconds, mm:ss.fff or h:mm:ss.fff)</source>
        <translation>ist keine Zeitangabe (Sekunden, mm:ss.fff oder h:mm:ss.fff schreiben)</translation>
    </message>
    <message>
        <source>has %1 minutes; write at most 59</source>
        <translation>hat %1 Minuten; höchstens 59 schreiben</translation>
    </message>
    <message>
        <source>has %1 seconds after a &quot;:&quot;; write at most 59</source>
        <translation>hat %1 Sekunden nach einem „:“; höchstens 59 schreiben</translation>
    </message>
    <message>
        <source>is far too long</source>
        <translation>ist viel zu lang</translation>
    </message>
    <message>
        <source>cannot be turned into a size at %1 Hz, %2 channels, %3 bits</source>
        <translation>lässt sich bei %1 Hz, %2 Kanälen, %3 Bit nicht in eine Größe umrechnen</translation>
    </message>
    <message>
        <source>is shorter than one sample frame at %1 Hz</source>
        <translation>ist kürzer als ein Frame bei %1 Hz</translation>
    </message>
    <message>
        <source>must be a whole number from %1 to %2</source>
        <translation>muss eine ganze Zahl von %1 bis %2 sein</translation>
    </message>
    <message>
        <source>the worker was sent no input it can read</source>
        <translation>der Hilfsprozess hat keine Eingabe bekommen, die er lesen kann</translation>
    </message>
    <message>
        <source>the worker process crashed</source>
        <translation>der Hilfsprozess ist abgestürzt</translation>
    </message>
    <message>
        <source>the worker process ended with status %1</source>
        <translation>der Hilfsprozess endete mit Status %1</translation>
    </message>
    <message>
        <source>the output name %1 is %2 bytes long; its folder allows %3</source>
        <translation>der Ausgabename %1 ist %2 Bytes lang; sein Ordner erlaubt %3</translation>
    </message>
    <message>
        <source>the output path is longer than the system allows (%1 bytes)</source>
        <translation>der Ausgabepfad ist länger, als das System erlaubt (%1 Bytes)</translation>
    </message>
    <message>
        <source>the output %1 differs from the input only in case; on a memory card (FAT, exFAT) it would replace the input; give a suffix</source>
        <translation>die Ausgabe %1 unterscheidet sich von der Eingabe nur in Groß- und Kleinschreibung; auf einer Speicherkarte (FAT, exFAT) würde sie die Eingabe ersetzen; einen Namenszusatz angeben</translation>
    </message>
    <message>
        <source>the output %1 differs from %2, another input of this request, only in case; on a memory card (FAT, exFAT) it would replace it</source>
        <translation>die Ausgabe %1 unterscheidet sich von %2, einer anderen Eingabe dieses Auftrags, nur in Groß- und Kleinschreibung; auf einer Speicherkarte (FAT, exFAT) würde sie diese ersetzen</translation>
    </message>
    <message>
        <source>%1 already writes %2, which differs from %3 only in case and is the same file on a memory card (FAT, exFAT); give a suffix or convert them apart</source>
        <translation>%1 schreibt schon %2, das sich von %3 nur in Groß- und Kleinschreibung unterscheidet und auf einer Speicherkarte (FAT, exFAT) dieselbe Datei ist; einen Namenszusatz angeben oder getrennt umwandeln</translation>
    </message>
    <message>
        <source>the input ends after %1 s of the %2 s its header gives</source>
        <translation>die Eingabe endet nach %1 s der %2 s, die ihr Kopf angibt</translation>
    </message>
    <message>
        <source>; silence fills the rest</source>
        <translation>; Stille füllt den Rest</translation>
    </message>
    <message>
        <source>options %1 and %2 cannot be given together</source>
        <translation>die Optionen %1 und %2 können nicht zusammen angegeben werden</translation>
    </message>
    <message>
        <source>option %1 needs %2 or %3</source>
        <translation>die Option %1 braucht %2 oder %3</translation>
    </message>
    <message>
        <source>option starts cannot be &quot;%1&quot;</source>
        <translation>die Option starts kann nicht „%1“ sein</translation>
    </message>
    <message>
        <source>the level can only be measured in a file, which is read twice; give a file, not the standard input</source>
        <translation>der Pegel lässt sich nur in einer Datei messen, die zweimal gelesen wird; bitte eine Datei angeben, nicht die Standardeingabe</translation>
    </message>
    <message>
        <source>no sample rises above %1 dBFS: the output holds no sound</source>
        <translation>kein Abtastwert steigt über %1 dBFS: die Ausgabe enthält keinen Klang</translation>
    </message>
    <message>
        <source>not a sample rate in Hz (44100) or kHz (44.1k)</source>
        <translation>keine Abtastrate in Hz (44100) oder kHz (44.1k)</translation>
    </message>
    <message>
        <source>option subfolders cannot hold &quot;%1&quot;: a folder inside the output folder is needed</source>
        <translation>Option subfolders kann nicht &quot;%1&quot; enthalten: Ein Ordner innerhalb des Ausgabeordners ist nötig</translation>
    </message>
    <message>
        <source>cannot draw the sound</source>
        <translation>der Klang kann nicht gezeichnet werden</translation>
    </message>
    <message>
        <source>cannot convert</source>
        <translation>Umwandeln nicht möglich</translation>
    </message>
    <message>
        <source>cannot convert this file to the chosen format</source>
        <translation>diese Datei kann nicht ins gewählte Format umgewandelt werden</translation>
    </message>
    <message>
        <source>cannot convert this file</source>
        <translation>diese Datei kann nicht umgewandelt werden</translation>
    </message>
    <message>
        <source>the sound library could not build its effects chain</source>
        <translation>die Klangbibliothek konnte ihre Effektkette nicht aufbauen</translation>
    </message>
    <message>
        <source>the installed sound library has no &quot;%1&quot; effect</source>
        <translation>der installierten Klangbibliothek fehlt der Effekt „%1“</translation>
    </message>
    <message>
        <source>the &quot;%1&quot; effect refused its options</source>
        <translation>der Effekt „%1“ hat seine Einstellungen abgelehnt</translation>
    </message>
    <message>
        <source>the &quot;%1&quot; effect could not be set up</source>
        <translation>der Effekt „%1“ ließ sich nicht einrichten</translation>
    </message>
    <message>
        <source>cannot read</source>
        <translation>nicht lesbar</translation>
    </message>
    <message>
        <source>permission denied</source>
        <translation>keine Berechtigung</translation>
    </message>
    <message>
        <source>the input is damaged or cut short</source>
        <translation>die Eingabe ist beschädigt oder abgeschnitten</translation>
    </message>
    <message>
        <source>the sound library could not be started</source>
        <translation>die Klangbibliothek ließ sich nicht starten</translation>
    </message>
    <message>
        <source>cannot measure the loudness</source>
        <translation>die Lautheit kann nicht gemessen werden</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>kein Speicher mehr frei</translation>
    </message>
    <message>
        <source>cannot read the preview back</source>
        <translation>die Vorschau kann nicht zurückgelesen werden</translation>
    </message>
    <message>
        <source>the sound output stopped taking sound</source>
        <translation>die Tonausgabe nimmt keinen Klang mehr an</translation>
    </message>
    <message>
        <source>cannot create a scratch file</source>
        <translation>es kann keine Zwischendatei angelegt werden</translation>
    </message>
    <message>
        <source>the temporary folder %1 does not exist</source>
        <translation>den temporären Ordner %1 gibt es nicht</translation>
    </message>
    <message>
        <source>cannot create a scratch file in %1</source>
        <translation>in %1 kann keine Zwischendatei angelegt werden</translation>
    </message>
    <message>
        <source>cannot write the scratch file</source>
        <translation>die Zwischendatei kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>cannot write the scratch file in %1</source>
        <translation>die Zwischendatei in %1 kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>the format of the standard input cannot be told from its content (MP3 without a tag, headerless data); give a file</source>
        <translation>das Format der Standardeingabe lässt sich an ihrem Inhalt nicht erkennen (MP3 ohne Tag, Daten ohne Kopf); bitte eine Datei angeben</translation>
    </message>
    <message>
        <source>not a sound file in a format this program reads</source>
        <translation>keine Klangdatei in einem Format, das dieses Programm liest</translation>
    </message>
    <message>
        <source>the worker process gave an answer that cannot be read</source>
        <translation>der Hilfsprozess gab eine Antwort, die sich nicht lesen lässt</translation>
    </message>
</context>
</TS>
