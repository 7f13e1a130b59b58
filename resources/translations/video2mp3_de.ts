<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>v2m::TAboutForm</name>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Home:</source>
        <translation>Website:</translation>
    </message>
    <message>
        <source>Support:</source>
        <translation>Support:</translation>
    </message>
    <message>
        <source></source>
        <comment>The About box (About &gt; About): the program&apos;s name and version, its home page and support address.</comment>
        <translation></translation>
    </message>
</context>
<context>
    <name>v2m::TCoreTexts</name>
    <message>
        <source></source>
        <comment>Words the conversion logic names and the main window shows: the file list&apos;s column titles, a row&apos;s state in its Progress column, the labels and items of the four lists in Profile Settings, the names of the file dialogs&apos; filters, why a failed row failed (its tool tip and the list of files that could not be converted), and why a row&apos;s cover picture is left out (the row&apos;s tool tip; %1, %2 and %3 are numbers). The log keeps them in English.</comment>
        <translation></translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Dauer</translation>
    </message>
    <message>
        <source>Original Size</source>
        <translation>Originalgröße</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>Ausgabe</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Output Size</source>
        <translation>Ausgabegröße</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>Parts</source>
        <translation>Teile</translation>
    </message>
    <message>
        <source>Waiting</source>
        <translation>Wartet</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fehlgeschlagen</translation>
    </message>
    <message>
        <source>Completed</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Skipped</source>
        <translation>Übersprungen</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Angehalten</translation>
    </message>
    <message>
        <source>No audio</source>
        <translation>Kein Ton</translation>
    </message>
    <message>
        <source>N/A</source>
        <translation>k. A.</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>Qualität</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>Kanäle</translation>
    </message>
    <message>
        <source>Bit Rates (Kbps)</source>
        <translation>Bitrate (kbit/s)</translation>
    </message>
    <message>
        <source>Volume (%)</source>
        <translation>Lautstärke (%)</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Automatisch</translation>
    </message>
    <message>
        <source>Mono</source>
        <translation>Mono</translation>
    </message>
    <message>
        <source>Stereo</source>
        <translation>Stereo</translation>
    </message>
    <message>
        <source>Video Files</source>
        <translation>Videodateien</translation>
    </message>
    <message>
        <source>All Files</source>
        <translation>Alle Dateien</translation>
    </message>
    <message>
        <source>Cue Sheets</source>
        <translation>Cue-Sheets</translation>
    </message>
    <message>
        <source>Text Files</source>
        <translation>Textdateien</translation>
    </message>
    <message>
        <source>cut does not fit</source>
        <translation>Ausschnitt passt nicht</translation>
    </message>
    <message>
        <source>has no audio track</source>
        <translation>hat keine Tonspur</translation>
    </message>
    <message>
        <source>is not a media file the libraries can read</source>
        <translation>ist keine Mediendatei, die die Bibliotheken lesen können</translation>
    </message>
    <message>
        <source>no such file</source>
        <translation>Datei nicht vorhanden</translation>
    </message>
    <message>
        <source>No space left on device</source>
        <translation>Kein Platz mehr auf dem Gerät</translation>
    </message>
    <message>
        <source>Disk quota exceeded</source>
        <translation>Festplattenkontingent überschritten</translation>
    </message>
    <message>
        <source>Read-only file system</source>
        <translation>Dateisystem nur lesbar</translation>
    </message>
    <message>
        <source>Permission denied</source>
        <translation>Keine Berechtigung</translation>
    </message>
    <message>
        <source>File too large</source>
        <translation>Datei zu groß</translation>
    </message>
    <message>
        <source>Input/output error</source>
        <translation>Ein-/Ausgabefehler</translation>
    </message>
    <message>
        <source>The cover picture is left out: %1</source>
        <translation>Das Coverbild wird weggelassen: %1</translation>
    </message>
    <message>
        <source>the file has no such picture</source>
        <translation>die Datei enthält dieses Bild nicht</translation>
    </message>
    <message>
        <source>it is larger than %1 MiB</source>
        <translation>es ist größer als %1 MiB</translation>
    </message>
    <message>
        <source>it is not a picture we can read</source>
        <translation>es ist kein lesbares Bild</translation>
    </message>
    <message>
        <source>it does not decode as a picture</source>
        <translation>es lässt sich nicht als Bild dekodieren</translation>
    </message>
    <message>
        <source>it is %1x%2 pixels, more than %3 a side</source>
        <translation>es hat %1×%2 Pixel, mehr als %3 je Seite</translation>
    </message>
    <message>
        <source>The cut ends at %1, not after its start at %2</source>
        <translation>Der Ausschnitt endet bei %1, nicht nach seinem Anfang bei %2</translation>
    </message>
    <message>
        <source>The cut starts at %1, past the end of the file (%2)</source>
        <translation>Der Ausschnitt beginnt bei %1, nach dem Ende der Datei (%2)</translation>
    </message>
    <message>
        <source>No piece of the file lies within the cut from %1 to %2</source>
        <translation>Kein Teil der Datei liegt im Ausschnitt von %1 bis %2</translation>
    </message>
    <message>
        <source>File name too long: %1</source>
        <translation>Dateiname zu lang: %1</translation>
    </message>
    <message>
        <source>No free output name: %1 and %2 numbered names are taken</source>
        <translation>Kein freier Ausgabename: %1 und %2 nummerierte Namen sind vergeben</translation>
    </message>
    <message>
        <source>cannot be read</source>
        <translation>kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>it is not a file</source>
        <translation>es ist keine Datei</translation>
    </message>
    <message>
        <source>is too large for a list of split points</source>
        <translation>ist zu groß für eine Liste von Trennpunkten</translation>
    </message>
    <message>
        <source>is not a cue sheet that can be read</source>
        <translation>ist kein lesbares Cue-Sheet</translation>
    </message>
    <message>
        <source>the cue sheet holds no track</source>
        <translation>das Cue-Sheet enthält keinen Titel</translation>
    </message>
    <message>
        <source>the cue sheet&apos;s tracks lie in more than one audio file</source>
        <translation>die Titel des Cue-Sheets liegen in mehr als einer Audiodatei</translation>
    </message>
    <message>
        <source>the list holds no time stamps</source>
        <translation>die Liste enthält keine Zeitangaben</translation>
    </message>
    <message>
        <source>there are no points to split at</source>
        <translation>es gibt keine Trennpunkte</translation>
    </message>
    <message>
        <source>File name template</source>
        <translation>Vorlage für Dateinamen</translation>
    </message>
    <message>
        <source>the name template is empty</source>
        <translation>die Namensvorlage ist leer</translation>
    </message>
    <message>
        <source>only {track} and {n} can be padded</source>
        <translation>nur {track} und {n} können aufgefüllt werden</translation>
    </message>
    <message>
        <source>write the width as :01 to :09</source>
        <translation>die Breite als :01 bis :09 angeben</translation>
    </message>
    <message>
        <source>unmatched } (write }} for a brace)</source>
        <translation>} ohne Gegenstück (}} für eine Klammer schreiben)</translation>
    </message>
    <message>
        <source>unclosed { (write {{ for a brace)</source>
        <translation>{ nicht geschlossen ({{ für eine Klammer schreiben)</translation>
    </message>
    <message>
        <source>track %1 has no INDEX 01</source>
        <translation>Titel %1 hat kein INDEX 01</translation>
    </message>
    <message>
        <source>%1 is before the start of the file</source>
        <translation>%1 liegt vor dem Anfang der Datei</translation>
    </message>
    <message>
        <source>%1 comes before the point above it (%2)</source>
        <translation>%1 liegt vor dem Punkt darüber (%2)</translation>
    </message>
    <message>
        <source>%1 repeats the point above it</source>
        <translation>%1 wiederholt den Punkt darüber</translation>
    </message>
    <message>
        <source>%1 is at the end of the file (%2)</source>
        <translation>%1 liegt am Ende der Datei (%2)</translation>
    </message>
    <message>
        <source>%1 is past the end of the file (%2)</source>
        <translation>%1 liegt hinter dem Ende der Datei (%2)</translation>
    </message>
    <message>
        <source>unknown placeholder {%1}</source>
        <translation>unbekannter Platzhalter {%1}</translation>
    </message>
    <message>
        <source>line %1</source>
        <translation>Zeile %1</translation>
    </message>
    <message>
        <source>point %1</source>
        <translation>Punkt %1</translation>
    </message>
    <message>
        <source>not a folder</source>
        <translation>kein Ordner</translation>
    </message>
    <message>
        <source>the journal is cut short</source>
        <translation>die Datei ist abgeschnitten</translation>
    </message>
    <message>
        <source>not understood</source>
        <translation>nicht verständlich</translation>
    </message>
    <message>
        <source>damaged</source>
        <translation>beschädigt</translation>
    </message>
    <message>
        <source>text after the end</source>
        <translation>Text nach dem Ende</translation>
    </message>
    <message>
        <source>not a list journal</source>
        <translation>keine gespeicherte Dateiliste</translation>
    </message>
    <message>
        <source>written by a newer version (%1)</source>
        <translation>von einer neueren Version geschrieben (%1)</translation>
    </message>
    <message>
        <source>a track of it cannot be decoded</source>
        <translation>eine seiner Spuren lässt sich nicht decodieren</translation>
    </message>
    <message>
        <source>the encoder does not start with these settings</source>
        <translation>der Encoder startet mit diesen Einstellungen nicht</translation>
    </message>
    <message>
        <source>the libraries here have no encoder for this profile</source>
        <translation>die Bibliotheken dieses Systems haben keinen Encoder für dieses Profil</translation>
    </message>
    <message>
        <source>encoding failed</source>
        <translation>die Codierung ist fehlgeschlagen</translation>
    </message>
</context>
<context>
    <name>v2m::TCutDialog</name>
    <message>
        <source>Cut</source>
        <translation>Ausschnitt</translation>
    </message>
    <message>
        <source>Use Preview Position</source>
        <translation>Position der Vorschau übernehmen</translation>
    </message>
    <message>
        <source>%1 is not a time; write h:mm:ss.xxx, mm:ss or seconds</source>
        <translation>%1 ist keine Zeitangabe; bitte h:mm:ss.xxx, mm:ss oder Sekunden eingeben</translation>
    </message>
    <message>
        <source>The start</source>
        <translation>Der Anfang</translation>
    </message>
    <message>
        <source>The end</source>
        <translation>Das Ende</translation>
    </message>
    <message>
        <source>The end must come after the start</source>
        <translation>Das Ende muss nach dem Anfang liegen</translation>
    </message>
    <message>
        <source>The start lies past the end of the file (%1)</source>
        <translation>Der Anfang liegt hinter dem Ende der Datei (%1)</translation>
    </message>
    <message>
        <source></source>
        <comment>The Cut dialog, from a row&apos;s context menu in the file list: the start and end of the stretch of the file to convert, typed as times or taken from the preview&apos;s position.</comment>
        <translation></translation>
    </message>
    <message>
        <source>file start</source>
        <translation>Dateianfang</translation>
    </message>
    <message>
        <source>file end</source>
        <translation>Dateiende</translation>
    </message>
    <message>
        <source>h:mm:ss.xxx, mm:ss or seconds</source>
        <translation>h:mm:ss.xxx, mm:ss oder Sekunden</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>&amp;Anfang</translation>
    </message>
    <message>
        <source>&amp;End</source>
        <translation>&amp;Ende</translation>
    </message>
    <message>
        <source>Start at the Preview Position</source>
        <translation>Anfang an der Position der Vorschau</translation>
    </message>
    <message>
        <source>End at the Preview Position</source>
        <translation>Ende an der Position der Vorschau</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>Dialogschaltflächen</translation>
    </message>
</context>
<context>
    <name>v2m::TFileListModel</name>
    <message>
        <source>re-encoded: pieces are cut to the sample</source>
        <translation>neu kodiert: die Teile werden samplegenau geschnitten</translation>
    </message>
    <message>
        <source></source>
        <comment>The file list in the main window: tool tips, the spoken description of a row, and the Parts and Output columns&apos; counts (&quot;3 pieces, cut 3:25&quot;, &quot;song.mp3 + 2 more&quot;); times stay as they are.</comment>
        <translation></translation>
    </message>
    <message>
        <source>Converting</source>
        <translation>Wird konvertiert</translation>
    </message>
    <message>
        <source>%1, %2, %3, %4 percent</source>
        <translation>%1, %2, %3, %4 Prozent</translation>
    </message>
    <message>
        <source>%1 MB</source>
        <translation>%1 MB</translation>
    </message>
    <message numerus="yes">
        <source>%n piece(s)</source>
        <translation>
            <numerusform>%n Teil</numerusform>
            <numerusform>%n Teile</numerusform>
        </translation>
    </message>
    <message>
        <source>cut from %1</source>
        <translation>Ausschnitt ab %1</translation>
    </message>
    <message>
        <source>cut %1</source>
        <translation>Ausschnitt %1</translation>
    </message>
    <message>
        <source>, </source>
        <translation>, </translation>
    </message>
    <message numerus="yes">
        <source>%1 + %n more</source>
        <translation>
            <numerusform>%1 + %n weitere</numerusform>
            <numerusform>%1 + %n weitere</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>v2m::TForm1</name>
    <message>
        <source>Audio &amp;Track</source>
        <translation>&amp;Audiospur</translation>
    </message>
    <message>
        <source>Audio Track for &amp;All</source>
        <translation>Audiospur für alle &amp;Dateien</translation>
    </message>
    <message>
        <source>The desktop could not open this. Copy it into a browser or a file manager:

%1</source>
        <translation>Die Arbeitsumgebung konnte dies nicht öffnen. Kopieren Sie es in einen Browser oder Dateimanager:

%1</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>The output folder &quot;%1&quot; does not exist. Create it?</source>
        <translation>Der Ausgabeordner „%1“ existiert nicht. Soll er angelegt werden?</translation>
    </message>
    <message>
        <source>The output folder could not be created: %1. Please select another folder.</source>
        <translation>Der Ausgabeordner konnte nicht angelegt werden: %1. Bitte wählen Sie einen anderen Ordner.</translation>
    </message>
    <message>
        <source>Output folder is unavailable. Please select another folder.</source>
        <translation>Der Ausgabeordner ist nicht verfügbar. Bitte wählen Sie einen anderen Ordner.</translation>
    </message>
    <message>
        <source>Nothing to convert: no file of the list has audio</source>
        <translation>Nichts zu konvertieren: keine Datei der Liste enthält Ton</translation>
    </message>
    <message>
        <source>Some items have been converted already, do you want to re-convert them?</source>
        <translation>Einige Dateien wurden bereits konvertiert. Sollen sie erneut konvertiert werden?</translation>
    </message>
    <message>
        <source>The conversion could not be started - see the log</source>
        <translation>Die Konvertierung konnte nicht gestartet werden – siehe Protokoll</translation>
    </message>
    <message>
        <source>No file could be converted - see the log</source>
        <translation>Keine Datei konnte konvertiert werden – siehe Protokoll</translation>
    </message>
    <message>
        <source>Cancel Conversion.</source>
        <translation>Konvertierung abbrechen</translation>
    </message>
    <message>
        <source>Are you sure you want to cancel conversion?</source>
        <translation>Möchten Sie die Konvertierung wirklich abbrechen?</translation>
    </message>
    <message>
        <source>Convert completed.</source>
        <translation>Konvertierung abgeschlossen</translation>
    </message>
    <message>
        <source>Do you want to open output folder?</source>
        <translation>Möchten Sie den Ausgabeordner öffnen?</translation>
    </message>
    <message>
        <source>Paused - </source>
        <translation>Pausiert – </translation>
    </message>
    <message>
        <source>The conversion libraries could not be loaded - see the log</source>
        <translation>Die Konvertierungsbibliotheken konnten nicht geladen werden – siehe Protokoll</translation>
    </message>
    <message>
        <source>A conversion is running. Stop it and quit?</source>
        <translation>Eine Konvertierung läuft. Anhalten und beenden?</translation>
    </message>
    <message>
        <source>&amp;Resume</source>
        <translation>&amp;Fortsetzen</translation>
    </message>
    <message>
        <source>Normalize Loudness sets the volume (Convert menu)</source>
        <translation>„Lautheit normalisieren“ bestimmt die Lautstärke (Menü Konvertieren)</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Liste leeren</translation>
    </message>
    <message>
        <source>Some files of the list have not been converted yet. Clear the list?</source>
        <translation>Einige Dateien der Liste sind noch nicht konvertiert. Liste trotzdem leeren?</translation>
    </message>
    <message>
        <source>Select folder</source>
        <translation>Ordner auswählen</translation>
    </message>
    <message>
        <source>No sound device - picture only</source>
        <translation>Kein Audiogerät – nur Bild</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Stumm</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>Profil</translation>
    </message>
    <message>
        <source>Output Folder</source>
        <translation>Ausgabeordner</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Durchsuchen</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Same folder as input </source>
        <translation>Gleicher Ordner wie Quelle </translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <source>{name} {title} {artist} {album} {albumartist} {track} {date} {year} {genre} {chapter} {n} {n:02} {profile}; &quot;/&quot; makes sub-folders</source>
        <translation>{name} {title} {artist} {album} {albumartist} {track} {date} {year} {genre} {chapter} {n} {n:02} {profile}; „/“ legt Unterordner an</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Profile Settings</source>
        <translation>Profileinstellungen</translation>
    </message>
    <message>
        <source>&amp;Add Files...</source>
        <translation>Dateien &amp;hinzufügen...</translation>
    </message>
    <message>
        <source>Add Files</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Add F&amp;older...</source>
        <translation>&amp;Ordner hinzufügen...</translation>
    </message>
    <message>
        <source>Cancel Adding</source>
        <translation>Hinzufügen abbrechen</translation>
    </message>
    <message>
        <source>&amp;Skin</source>
        <translation>&amp;Design</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Entfernen</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>&amp;Leeren</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>&amp;Starten</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>&amp;Pausieren</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Fortsetzen</translation>
    </message>
    <message>
        <source>St&amp;op</source>
        <translation>Anha&amp;lten</translation>
    </message>
    <message>
        <source>Convert All A&amp;gain</source>
        <translation>Alle &amp;erneut konvertieren</translation>
    </message>
    <message>
        <source>&amp;Help Content</source>
        <translation>&amp;Hilfethemen</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>&amp;Über</translation>
    </message>
    <message>
        <source>&amp;Visit Website</source>
        <translation>&amp;Website besuchen</translation>
    </message>
    <message>
        <source>Visit Home</source>
        <translation>Website</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Wiedergabe</translation>
    </message>
    <message>
        <source>Stop Preview</source>
        <translation>Vorschau anhalten</translation>
    </message>
    <message>
        <source>View &amp;Log</source>
        <translation>&amp;Protokoll anzeigen</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Convert</source>
        <translation>&amp;Konvertieren</translation>
    </message>
    <message>
        <source>Si&amp;multaneous Conversions</source>
        <translation>&amp;Gleichzeitige Konvertierungen</translation>
    </message>
    <message>
        <source>One per Processor</source>
        <translation>Eine pro Prozessor</translation>
    </message>
    <message>
        <source>Copy &amp;Tags</source>
        <translation>&amp;Tags übernehmen</translation>
    </message>
    <message>
        <source>Use a &amp;Video Frame as Cover</source>
        <translation>&amp;Videobild als Cover verwenden</translation>
    </message>
    <message>
        <source>&amp;Copy Audio When Possible</source>
        <translation>Audio k&amp;opieren, wenn möglich</translation>
    </message>
    <message>
        <source>&amp;Normalize Loudness</source>
        <translation>Lautheit &amp;normalisieren</translation>
    </message>
    <message>
        <source>Loudness T&amp;arget</source>
        <translation>&amp;Ziellautheit</translation>
    </message>
    <message>
        <source>%1 LUFS</source>
        <translation>%1 LUFS</translation>
    </message>
    <message>
        <source>Split by C&amp;hapters</source>
        <translation>Nach &amp;Kapiteln aufteilen</translation>
    </message>
    <message>
        <source>S&amp;kip Files Already Converted</source>
        <translation>Bereits konvertierte Dateien &amp;überspringen</translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>Datei öffnen</translation>
    </message>
    <message>
        <source>Add video files to extract their audio</source>
        <translation>Fügen Sie Videodateien hinzu, um ihren Ton zu extrahieren</translation>
    </message>
    <message>
        <source>The file name &quot;%1&quot; cannot be used: %2.</source>
        <translation>Der Dateiname „%1“ kann nicht verwendet werden: %2.</translation>
    </message>
    <message>
        <source>Split by &amp;Chapters</source>
        <translation>Nach &amp;Kapiteln aufteilen</translation>
    </message>
    <message>
        <source>Split &amp;Points from File...</source>
        <translation>Trenn&amp;punkte aus Datei...</translation>
    </message>
    <message>
        <source>Split Points from File</source>
        <translation>Trennpunkte aus Datei</translation>
    </message>
    <message>
        <source>C&amp;lear Split Points</source>
        <translation>Trennpunkte &amp;löschen</translation>
    </message>
    <message>
        <source>C&amp;ut...</source>
        <translation>&amp;Schneiden...</translation>
    </message>
    <message>
        <source>&amp;Remove Cut</source>
        <translation>Schnitt &amp;entfernen</translation>
    </message>
    <message>
        <source></source>
        <comment>The main window: its menus, tool bar, the preview, the Profile and Profile Settings groups, the status line below them, and its message boxes. Keep the accelerators (&amp;) unique within each menu; tool bar texts (Add Files, Help, Visit Home) sit under 32-pixel icons, so keep them short.</comment>
        <translation></translation>
    </message>
    <message>
        <source>%1 of %2 files</source>
        <translation>%1 von %2 Dateien</translation>
    </message>
    <message>
        <source> - %1x real time</source>
        <translation> – %1-fache Echtzeit</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source> - about %1 left</source>
        <translation> – noch etwa %1</translation>
    </message>
    <message>
        <source>%L1 converted</source>
        <translation>%L1 konvertiert</translation>
    </message>
    <message>
        <source>, %L1 skipped</source>
        <translation>, %L1 übersprungen</translation>
    </message>
    <message>
        <source>, %L1 failed</source>
        <translation>, %L1 fehlgeschlagen</translation>
    </message>
    <message>
        <source>, %L1 stopped</source>
        <translation>, %L1 angehalten</translation>
    </message>
    <message>
        <source>%L1 file converted</source>
        <translation>%L1 Datei konvertiert</translation>
    </message>
    <message>
        <source>%L1 files converted</source>
        <translation>%L1 Dateien konvertiert</translation>
    </message>
    <message>
        <source>%L1 of %L2 files could not be converted:</source>
        <translation>%L1 von %L2 Dateien konnten nicht konvertiert werden:</translation>
    </message>
    <message>
        <source>Converting %1 files</source>
        <translation>%1 Dateien werden konvertiert</translation>
    </message>
    <message>
        <source>Adding %L1 of %L2 files...</source>
        <translation>%L1 von %L2 Dateien werden hinzugefügt...</translation>
    </message>
    <message>
        <source>The last conversion was interrupted. Resume the %L1 remaining files?</source>
        <translation>Die letzte Konvertierung wurde unterbrochen. Die %L1 verbleibenden Dateien weiter konvertieren?</translation>
    </message>
    <message>
        <source>Files to Convert</source>
        <translation>Zu konvertierende Dateien</translation>
    </message>
    <message>
        <source>Preview Picture</source>
        <translation>Vorschaubild</translation>
    </message>
    <message>
        <source>Preview Position</source>
        <translation>Position der Vorschau</translation>
    </message>
    <message>
        <source>Play or Pause Preview</source>
        <translation>Vorschau abspielen oder pausieren</translation>
    </message>
    <message>
        <source>Preview Volume</source>
        <translation>Lautstärke der Vorschau</translation>
    </message>
    <message>
        <source>Total Progress</source>
        <translation>Gesamtfortschritt</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Each row reads: file name, duration, state, progress</source>
        <translation>Jede Zeile nennt: Dateiname, Dauer, Status, Fortschritt</translation>
    </message>
    <message>
        <source>Click to play or pause the selected file</source>
        <translation>Klicken, um die ausgewählte Datei abzuspielen oder zu pausieren</translation>
    </message>
    <message>
        <source>Where the preview stands in the selected file</source>
        <translation>Wo die Vorschau in der ausgewählten Datei steht</translation>
    </message>
    <message>
        <source>Choose the folder the converted files go to</source>
        <translation>Den Ordner für die konvertierten Dateien wählen</translation>
    </message>
    <message>
        <source>Show the output folder in the file manager</source>
        <translation>Den Ausgabeordner im Dateimanager zeigen</translation>
    </message>
    <message>
        <source>The format the files are converted to</source>
        <translation>Das Format, in das die Dateien konvertiert werden</translation>
    </message>
    <message>
        <source>&amp;Loudness</source>
        <translation>L&amp;autheit</translation>
    </message>
    <message>
        <source>Loudness</source>
        <translation>Lautheit</translation>
    </message>
    <message>
        <source>Normalize as &amp;Album</source>
        <translation>Als &amp;Album normalisieren</translation>
    </message>
    <message>
        <source>The files sharing a folder take one gain</source>
        <translation>Dateien im selben Ordner erhalten eine gemeinsame Verstärkung</translation>
    </message>
    <message>
        <source>Loudness: &amp;Tag Only</source>
        <translation>Lautheit: nur &amp;Tags</translation>
    </message>
    <message>
        <source>The gain goes into tags that players apply</source>
        <translation>Die Verstärkung wird in Tags gespeichert, die der Player anwendet</translation>
    </message>
    <message>
        <source>Measuring loudness: 0 of %1 files</source>
        <translation>Lautheit wird gemessen: 0 von %1 Dateien</translation>
    </message>
    <message>
        <source>Measuring loudness: %1 of %2 files</source>
        <translation>Lautheit wird gemessen: %1 von %2 Dateien</translation>
    </message>
    <message>
        <source>Loudness measured: %1 files</source>
        <translation>Lautheit gemessen: %1 Dateien</translation>
    </message>
    <message>
        <source>Loudness measuring stopped</source>
        <translation>Lautheitsmessung angehalten</translation>
    </message>
    <message>
        <source>Analyze &amp;Loudness</source>
        <translation>Lautheit a&amp;nalysieren</translation>
    </message>
    <message numerus="yes">
        <source>%Ln file(s) could not be added - see the log</source>
        <translation>
            <numerusform>%Ln Datei konnte nicht hinzugefügt werden – siehe Protokoll</numerusform>
            <numerusform>%Ln Dateien konnten nicht hinzugefügt werden – siehe Protokoll</numerusform>
        </translation>
    </message>
    <message>
        <source>Cannot be converted: %1</source>
        <translation>Kann nicht konvertiert werden: %1</translation>
    </message>
    <message>
        <source>Gives:</source>
        <translation>Ergibt:</translation>
    </message>
    <message numerus="yes">
        <source>Gives %n files:</source>
        <translation>
            <numerusform>Ergibt %n Datei:</numerusform>
            <numerusform>Ergibt %n Dateien:</numerusform>
        </translation>
    </message>
    <message>
        <source>(%1 for %2)</source>
        <extracomment>A piece&apos;s start and its length: &quot;(0:02 for 0:30)&quot;.</extracomment>
        <translation>(ab %1, %2 lang)</translation>
    </message>
    <message>
        <source>there already: skipped</source>
        <translation>schon vorhanden: übersprungen</translation>
    </message>
    <message>
        <source>audio copied</source>
        <translation>Audio kopiert</translation>
    </message>
    <message>
        <source>The saved file list %1 cannot be read (%2) nor set aside; the list starts empty and is not saved.</source>
        <translation>Die gespeicherte Dateiliste %1 kann nicht gelesen (%2) und nicht beiseitegelegt werden; die Liste beginnt leer und wird nicht gespeichert.</translation>
    </message>
    <message>
        <source>The saved file list %1 cannot be read (%2); it was kept as %3 and the list starts empty.</source>
        <translation>Die gespeicherte Dateiliste %1 kann nicht gelesen werden (%2); sie wurde als %3 aufbewahrt, und die Liste beginnt leer.</translation>
    </message>
</context>
<context>
    <name>v2m::TLogForm</name>
    <message>
        <source>Log</source>
        <translation>Protokoll</translation>
    </message>
    <message>
        <source></source>
        <comment>The log window (File &gt; View Log): a read-only copy of the conversion log, which itself stays in English for whoever gives support.</comment>
        <translation></translation>
    </message>
</context>
<context>
    <name>v2m::TQtUiServices</name>
    <message>
        <source></source>
        <comment>Dialogs the main window shares: the list of files that could not be converted, and the extra check box of the &quot;Add Folder&quot; dialog.</comment>
        <translation></translation>
    </message>
    <message>
        <source>Show &amp;Log</source>
        <translation>&amp;Protokoll anzeigen</translation>
    </message>
    <message>
        <source>Include Sub-folders</source>
        <translation>Unterordner einbeziehen</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>Dialogschaltflächen</translation>
    </message>
</context>
<context>
    <name>v2m::TSkinDialog</name>
    <message>
        <source>Select skin</source>
        <translation>Design auswählen</translation>
    </message>
    <message>
        <source></source>
        <comment>The skin choice (File &gt; Skin): a list of looks for the window, with OK and Cancel.</comment>
        <translation></translation>
    </message>
    <message>
        <source>Skins</source>
        <translation>Designs</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>Dialogschaltflächen</translation>
    </message>
    <message>
        <source>System</source>
        <translation>System</translation>
    </message>
</context>
</TS>
