<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it">
<context>
    <name>v2m::TAboutForm</name>
    <message>
        <source>About</source>
        <translation>Informazioni</translation>
    </message>
    <message>
        <source>Home:</source>
        <translation>Sito:</translation>
    </message>
    <message>
        <source>Support:</source>
        <translation>Supporto:</translation>
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
        <translation>Nome</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Durata</translation>
    </message>
    <message>
        <source>Original Size</source>
        <translation>Dimensione originale</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>Uscita</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Avanzamento</translation>
    </message>
    <message>
        <source>Output Size</source>
        <translation>Dimensione finale</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>Parts</source>
        <translation>Parti</translation>
    </message>
    <message>
        <source>Waiting</source>
        <translation>In attesa</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Errore</translation>
    </message>
    <message>
        <source>Completed</source>
        <translation>Completato</translation>
    </message>
    <message>
        <source>Skipped</source>
        <translation>Saltato</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Interrotto</translation>
    </message>
    <message>
        <source>No audio</source>
        <translation>Nessun audio</translation>
    </message>
    <message>
        <source>N/A</source>
        <translation>N/D</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>Qualità</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>Canali</translation>
    </message>
    <message>
        <source>Bit Rates (Kbps)</source>
        <translation>Bitrate (Kbps)</translation>
    </message>
    <message>
        <source>Volume (%)</source>
        <translation>Volume (%)</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Auto</translation>
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
        <translation>File video</translation>
    </message>
    <message>
        <source>All Files</source>
        <translation>Tutti i file</translation>
    </message>
    <message>
        <source>Cue Sheets</source>
        <translation>File CUE</translation>
    </message>
    <message>
        <source>Text Files</source>
        <translation>File di testo</translation>
    </message>
    <message>
        <source>cut does not fit</source>
        <translation>il taglio non rientra nel file</translation>
    </message>
    <message>
        <source>has no audio track</source>
        <translation>non ha una traccia audio</translation>
    </message>
    <message>
        <source>is not a media file the libraries can read</source>
        <translation>non è un file multimediale leggibile dalle librerie</translation>
    </message>
    <message>
        <source>no such file</source>
        <translation>file inesistente</translation>
    </message>
    <message>
        <source>No space left on device</source>
        <translation>Spazio esaurito sul dispositivo</translation>
    </message>
    <message>
        <source>Disk quota exceeded</source>
        <translation>Quota del disco superata</translation>
    </message>
    <message>
        <source>Read-only file system</source>
        <translation>File system in sola lettura</translation>
    </message>
    <message>
        <source>Permission denied</source>
        <translation>Permesso negato</translation>
    </message>
    <message>
        <source>File too large</source>
        <translation>File troppo grande</translation>
    </message>
    <message>
        <source>Input/output error</source>
        <translation>Errore di input/output</translation>
    </message>
    <message>
        <source>The cover picture is left out: %1</source>
        <translation>L&apos;immagine di copertina viene omessa: %1</translation>
    </message>
    <message>
        <source>the file has no such picture</source>
        <translation>il file non contiene questa immagine</translation>
    </message>
    <message>
        <source>it is larger than %1 MiB</source>
        <translation>supera %1 MiB</translation>
    </message>
    <message>
        <source>it is not a picture we can read</source>
        <translation>non è un&apos;immagine leggibile</translation>
    </message>
    <message>
        <source>it does not decode as a picture</source>
        <translation>non si decodifica come immagine</translation>
    </message>
    <message>
        <source>it is %1x%2 pixels, more than %3 a side</source>
        <translation>misura %1×%2 pixel, più di %3 per lato</translation>
    </message>
    <message>
        <source>The cut ends at %1, not after its start at %2</source>
        <translation>Il taglio finisce a %1, non dopo il suo inizio a %2</translation>
    </message>
    <message>
        <source>The cut starts at %1, past the end of the file (%2)</source>
        <translation>Il taglio inizia a %1, oltre la fine del file (%2)</translation>
    </message>
    <message>
        <source>No piece of the file lies within the cut from %1 to %2</source>
        <translation>Nessuna parte del file rientra nel taglio da %1 a %2</translation>
    </message>
    <message>
        <source>File name too long: %1</source>
        <translation>Nome del file troppo lungo: %1</translation>
    </message>
    <message>
        <source>No free output name: %1 and %2 numbered names are taken</source>
        <translation>Nessun nome di uscita libero: %1 e %2 nomi numerati sono già usati</translation>
    </message>
    <message>
        <source>cannot be read</source>
        <translation>non può essere letto</translation>
    </message>
    <message>
        <source>it is not a file</source>
        <translation>non è un file</translation>
    </message>
    <message>
        <source>is too large for a list of split points</source>
        <translation>è troppo grande per un elenco di punti di divisione</translation>
    </message>
    <message>
        <source>is not a cue sheet that can be read</source>
        <translation>non è un file CUE leggibile</translation>
    </message>
    <message>
        <source>the cue sheet holds no track</source>
        <translation>il file CUE non contiene tracce</translation>
    </message>
    <message>
        <source>the cue sheet&apos;s tracks lie in more than one audio file</source>
        <translation>le tracce del file CUE si trovano in più di un file audio</translation>
    </message>
    <message>
        <source>the list holds no time stamps</source>
        <translation>l&apos;elenco non contiene indicazioni di tempo</translation>
    </message>
    <message>
        <source>there are no points to split at</source>
        <translation>non ci sono punti di divisione</translation>
    </message>
    <message>
        <source>File name template</source>
        <translation>Modello del nome file</translation>
    </message>
    <message>
        <source>the name template is empty</source>
        <translation>il modello del nome è vuoto</translation>
    </message>
    <message>
        <source>only {track} and {n} can be padded</source>
        <translation>solo {track} e {n} possono essere riempiti con zeri</translation>
    </message>
    <message>
        <source>write the width as :01 to :09</source>
        <translation>scrivi la larghezza come :01 fino a :09</translation>
    </message>
    <message>
        <source>unmatched } (write }} for a brace)</source>
        <translation>} senza corrispondenza (scrivi }} per una graffa)</translation>
    </message>
    <message>
        <source>unclosed { (write {{ for a brace)</source>
        <translation>{ non chiusa (scrivi {{ per una graffa)</translation>
    </message>
    <message>
        <source>track %1 has no INDEX 01</source>
        <translation>la traccia %1 non ha INDEX 01</translation>
    </message>
    <message>
        <source>%1 is before the start of the file</source>
        <translation>%1 è prima dell&apos;inizio del file</translation>
    </message>
    <message>
        <source>%1 comes before the point above it (%2)</source>
        <translation>%1 viene prima del punto precedente (%2)</translation>
    </message>
    <message>
        <source>%1 repeats the point above it</source>
        <translation>%1 ripete il punto precedente</translation>
    </message>
    <message>
        <source>%1 is at the end of the file (%2)</source>
        <translation>%1 è alla fine del file (%2)</translation>
    </message>
    <message>
        <source>%1 is past the end of the file (%2)</source>
        <translation>%1 è oltre la fine del file (%2)</translation>
    </message>
    <message>
        <source>unknown placeholder {%1}</source>
        <translation>segnaposto sconosciuto {%1}</translation>
    </message>
    <message>
        <source>line %1</source>
        <translation>riga %1</translation>
    </message>
    <message>
        <source>point %1</source>
        <translation>punto %1</translation>
    </message>
    <message>
        <source>not a folder</source>
        <translation>non è una cartella</translation>
    </message>
    <message>
        <source>the journal is cut short</source>
        <translation>il file è troncato</translation>
    </message>
    <message>
        <source>not understood</source>
        <translation>non comprensibile</translation>
    </message>
    <message>
        <source>damaged</source>
        <translation>danneggiato</translation>
    </message>
    <message>
        <source>text after the end</source>
        <translation>testo dopo la fine</translation>
    </message>
    <message>
        <source>not a list journal</source>
        <translation>non è un elenco di file salvato</translation>
    </message>
    <message>
        <source>written by a newer version (%1)</source>
        <translation>scritto da una versione più recente (%1)</translation>
    </message>
    <message>
        <source>a track of it cannot be decoded</source>
        <translation>una delle sue tracce non può essere decodificata</translation>
    </message>
    <message>
        <source>the encoder does not start with these settings</source>
        <translation>il codificatore non si avvia con queste impostazioni</translation>
    </message>
    <message>
        <source>the libraries here have no encoder for this profile</source>
        <translation>le librerie di questo sistema non hanno un codificatore per questo profilo</translation>
    </message>
    <message>
        <source>encoding failed</source>
        <translation>la codifica non è riuscita</translation>
    </message>
</context>
<context>
    <name>v2m::TCutDialog</name>
    <message>
        <source>Cut</source>
        <translation>Taglia</translation>
    </message>
    <message>
        <source>Use Preview Position</source>
        <translation>Usa la posizione dell&apos;anteprima</translation>
    </message>
    <message>
        <source>%1 is not a time; write h:mm:ss.xxx, mm:ss or seconds</source>
        <translation>%1 non è un tempo valido; scrivere h:mm:ss.xxx, mm:ss o un numero di secondi</translation>
    </message>
    <message>
        <source>The start</source>
        <translation>L&apos;inizio</translation>
    </message>
    <message>
        <source>The end</source>
        <translation>La fine</translation>
    </message>
    <message>
        <source>The end must come after the start</source>
        <translation>La fine deve venire dopo l&apos;inizio</translation>
    </message>
    <message>
        <source>The start lies past the end of the file (%1)</source>
        <translation>L&apos;inizio è oltre la fine del file (%1)</translation>
    </message>
    <message>
        <source></source>
        <comment>The Cut dialog, from a row&apos;s context menu in the file list: the start and end of the stretch of the file to convert, typed as times or taken from the preview&apos;s position.</comment>
        <translation></translation>
    </message>
    <message>
        <source>file start</source>
        <translation>inizio del file</translation>
    </message>
    <message>
        <source>file end</source>
        <translation>fine del file</translation>
    </message>
    <message>
        <source>h:mm:ss.xxx, mm:ss or seconds</source>
        <translation>h:mm:ss.xxx, mm:ss o secondi</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>&amp;Inizio</translation>
    </message>
    <message>
        <source>&amp;End</source>
        <translation>&amp;Fine</translation>
    </message>
    <message>
        <source>Start at the Preview Position</source>
        <translation>Inizio alla posizione dell&apos;anteprima</translation>
    </message>
    <message>
        <source>End at the Preview Position</source>
        <translation>Fine alla posizione dell&apos;anteprima</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>Pulsanti della finestra di dialogo</translation>
    </message>
</context>
<context>
    <name>v2m::TFileListModel</name>
    <message>
        <source>re-encoded: pieces are cut to the sample</source>
        <translation>ricodificato: le parti sono tagliate con precisione al campione</translation>
    </message>
    <message>
        <source></source>
        <comment>The file list in the main window: tool tips, the spoken description of a row, and the Parts and Output columns&apos; counts (&quot;3 pieces, cut 3:25&quot;, &quot;song.mp3 + 2 more&quot;); times stay as they are.</comment>
        <translation></translation>
    </message>
    <message>
        <source>Converting</source>
        <translation>Conversione in corso</translation>
    </message>
    <message>
        <source>%1, %2, %3, %4 percent</source>
        <translation>%1, %2, %3, %4 per cento</translation>
    </message>
    <message>
        <source>%1 MB</source>
        <translation>%1 MB</translation>
    </message>
    <message numerus="yes">
        <source>%n piece(s)</source>
        <translation>
            <numerusform>%n parte</numerusform>
            <numerusform>%n parti</numerusform>
        </translation>
    </message>
    <message>
        <source>cut from %1</source>
        <translation>taglio da %1</translation>
    </message>
    <message>
        <source>cut %1</source>
        <translation>taglio di %1</translation>
    </message>
    <message>
        <source>, </source>
        <translation>, </translation>
    </message>
    <message numerus="yes">
        <source>%1 + %n more</source>
        <translation>
            <numerusform>%1 + %n altro</numerusform>
            <numerusform>%1 + altri %n</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>v2m::TForm1</name>
    <message>
        <source>Audio &amp;Track</source>
        <translation>&amp;Traccia audio</translation>
    </message>
    <message>
        <source>Audio Track for &amp;All</source>
        <translation>Traccia audio per t&amp;utti i file</translation>
    </message>
    <message>
        <source>The desktop could not open this. Copy it into a browser or a file manager:

%1</source>
        <translation>Il desktop non è riuscito ad aprire questo elemento. Copiarlo in un browser o in un gestore di file:

%1</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Attenzione</translation>
    </message>
    <message>
        <source>The output folder &quot;%1&quot; does not exist. Create it?</source>
        <translation>La cartella di destinazione &quot;%1&quot; non esiste. Crearla?</translation>
    </message>
    <message>
        <source>The output folder could not be created: %1. Please select another folder.</source>
        <translation>Impossibile creare la cartella di destinazione: %1. Selezionare un&apos;altra cartella.</translation>
    </message>
    <message>
        <source>Output folder is unavailable. Please select another folder.</source>
        <translation>La cartella di destinazione non è disponibile. Selezionare un&apos;altra cartella.</translation>
    </message>
    <message>
        <source>Nothing to convert: no file of the list has audio</source>
        <translation>Niente da convertire: nessun file dell&apos;elenco contiene audio</translation>
    </message>
    <message>
        <source>Some items have been converted already, do you want to re-convert them?</source>
        <translation>Alcuni elementi sono già stati convertiti. Convertirli di nuovo?</translation>
    </message>
    <message>
        <source>The conversion could not be started - see the log</source>
        <translation>Impossibile avviare la conversione - vedere il registro</translation>
    </message>
    <message>
        <source>No file could be converted - see the log</source>
        <translation>Nessun file è stato convertito - vedere il registro</translation>
    </message>
    <message>
        <source>Cancel Conversion.</source>
        <translation>Annulla conversione.</translation>
    </message>
    <message>
        <source>Are you sure you want to cancel conversion?</source>
        <translation>Annullare davvero la conversione?</translation>
    </message>
    <message>
        <source>Convert completed.</source>
        <translation>Conversione completata.</translation>
    </message>
    <message>
        <source>Do you want to open output folder?</source>
        <translation>Aprire la cartella di destinazione?</translation>
    </message>
    <message>
        <source>Paused - </source>
        <translation>In pausa - </translation>
    </message>
    <message>
        <source>The conversion libraries could not be loaded - see the log</source>
        <translation>Impossibile caricare le librerie di conversione - vedere il registro</translation>
    </message>
    <message>
        <source>A conversion is running. Stop it and quit?</source>
        <translation>È in corso una conversione. Interromperla e uscire?</translation>
    </message>
    <message>
        <source>&amp;Resume</source>
        <translation>&amp;Riprendi</translation>
    </message>
    <message>
        <source>Normalize Loudness sets the volume (Convert menu)</source>
        <translation>Il volume è impostato da &quot;Normalizza intensità sonora&quot; (menu Converti)</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Svuota</translation>
    </message>
    <message>
        <source>Some files of the list have not been converted yet. Clear the list?</source>
        <translation>Alcuni file dell&apos;elenco non sono ancora stati convertiti. Svuotare l&apos;elenco?</translation>
    </message>
    <message>
        <source>Select folder</source>
        <translation>Seleziona cartella</translation>
    </message>
    <message>
        <source>No sound device - picture only</source>
        <translation>Nessuna uscita audio - solo video</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Anteprima</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Muto</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>Profilo</translation>
    </message>
    <message>
        <source>Output Folder</source>
        <translation>Destinazione</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Sfoglia</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Apri</translation>
    </message>
    <message>
        <source>Same folder as input </source>
        <translation>Cartella di origine </translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>Nome</translation>
    </message>
    <message>
        <source>{name} {title} {artist} {album} {albumartist} {track} {date} {year} {genre} {chapter} {n} {n:02} {profile}; &quot;/&quot; makes sub-folders</source>
        <translation>{name} {title} {artist} {album} {albumartist} {track} {date} {year} {genre} {chapter} {n} {n:02} {profile}; &quot;/&quot; crea sottocartelle</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Avanzamento</translation>
    </message>
    <message>
        <source>Profile Settings</source>
        <translation>Impostazioni profilo</translation>
    </message>
    <message>
        <source>&amp;Add Files...</source>
        <translation>&amp;Aggiungi file...</translation>
    </message>
    <message>
        <source>Add Files</source>
        <translation>Aggiungi</translation>
    </message>
    <message>
        <source>Add F&amp;older...</source>
        <translation>Aggiungi &amp;cartella...</translation>
    </message>
    <message>
        <source>Cancel Adding</source>
        <translation>Annulla aggiunta</translation>
    </message>
    <message>
        <source>&amp;Skin</source>
        <translation>&amp;Tema</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Esci</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Rimuovi</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>&amp;Svuota</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>&amp;Avvia</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>&amp;Pausa</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Riprendi</translation>
    </message>
    <message>
        <source>St&amp;op</source>
        <translation>&amp;Interrompi</translation>
    </message>
    <message>
        <source>Convert All A&amp;gain</source>
        <translation>Converti tutto di &amp;nuovo</translation>
    </message>
    <message>
        <source>&amp;Help Content</source>
        <translation>&amp;Sommario della guida</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Guida</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>&amp;Informazioni</translation>
    </message>
    <message>
        <source>&amp;Visit Website</source>
        <translation>&amp;Visita il sito web</translation>
    </message>
    <message>
        <source>Visit Home</source>
        <translation>Sito web</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Riproduci</translation>
    </message>
    <message>
        <source>Stop Preview</source>
        <translation>Interrompi anteprima</translation>
    </message>
    <message>
        <source>View &amp;Log</source>
        <translation>Visualizza &amp;registro</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Esci</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Modifica</translation>
    </message>
    <message>
        <source>&amp;Convert</source>
        <translation>&amp;Converti</translation>
    </message>
    <message>
        <source>Si&amp;multaneous Conversions</source>
        <translation>Conversioni &amp;simultanee</translation>
    </message>
    <message>
        <source>One per Processor</source>
        <translation>Una per processore</translation>
    </message>
    <message>
        <source>Copy &amp;Tags</source>
        <translation>Copia i &amp;tag</translation>
    </message>
    <message>
        <source>Use a &amp;Video Frame as Cover</source>
        <translation>Usa un &amp;fotogramma del video come copertina</translation>
    </message>
    <message>
        <source>&amp;Copy Audio When Possible</source>
        <translation>&amp;Copia l&apos;audio quando possibile</translation>
    </message>
    <message>
        <source>&amp;Normalize Loudness</source>
        <translation>Nor&amp;malizza intensità sonora</translation>
    </message>
    <message>
        <source>Loudness T&amp;arget</source>
        <translation>Intensità &amp;obiettivo</translation>
    </message>
    <message>
        <source>%1 LUFS</source>
        <translation>%1 LUFS</translation>
    </message>
    <message>
        <source>Split by C&amp;hapters</source>
        <translation>&amp;Dividi per capitoli</translation>
    </message>
    <message>
        <source>S&amp;kip Files Already Converted</source>
        <translation>Sa&amp;lta i file già convertiti</translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>Apri file</translation>
    </message>
    <message>
        <source>Add video files to extract their audio</source>
        <translation>Aggiungi file video per estrarne l&apos;audio</translation>
    </message>
    <message>
        <source>The file name &quot;%1&quot; cannot be used: %2.</source>
        <translation>Il nome file &quot;%1&quot; non può essere usato: %2.</translation>
    </message>
    <message>
        <source>Split by &amp;Chapters</source>
        <translation>Dividi per &amp;capitoli</translation>
    </message>
    <message>
        <source>Split &amp;Points from File...</source>
        <translation>&amp;Punti di divisione da file...</translation>
    </message>
    <message>
        <source>Split Points from File</source>
        <translation>Punti di divisione da file</translation>
    </message>
    <message>
        <source>C&amp;lear Split Points</source>
        <translation>&amp;Elimina punti di divisione</translation>
    </message>
    <message>
        <source>C&amp;ut...</source>
        <translation>T&amp;aglia...</translation>
    </message>
    <message>
        <source>&amp;Remove Cut</source>
        <translation>&amp;Rimuovi taglio</translation>
    </message>
    <message>
        <source></source>
        <comment>The main window: its menus, tool bar, the preview, the Profile and Profile Settings groups, the status line below them, and its message boxes. Keep the accelerators (&amp;) unique within each menu; tool bar texts (Add Files, Help, Visit Home) sit under 32-pixel icons, so keep them short.</comment>
        <translation></translation>
    </message>
    <message>
        <source>%1 of %2 files</source>
        <translation>%1 di %2 file</translation>
    </message>
    <message>
        <source> - %1x real time</source>
        <translation> - %1x tempo reale</translation>
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
        <translation> - mancano circa %1</translation>
    </message>
    <message>
        <source>%L1 converted</source>
        <translation>Convertiti: %L1</translation>
    </message>
    <message>
        <source>, %L1 skipped</source>
        <translation>, saltati: %L1</translation>
    </message>
    <message>
        <source>, %L1 failed</source>
        <translation>, non riusciti: %L1</translation>
    </message>
    <message>
        <source>, %L1 stopped</source>
        <translation>, interrotti: %L1</translation>
    </message>
    <message>
        <source>%L1 file converted</source>
        <translation>%L1 file convertito</translation>
    </message>
    <message>
        <source>%L1 files converted</source>
        <translation>%L1 file convertiti</translation>
    </message>
    <message>
        <source>%L1 of %L2 files could not be converted:</source>
        <translation>File non convertiti (%L1 di %L2):</translation>
    </message>
    <message>
        <source>Converting %1 files</source>
        <translation>Conversione di file (%1)</translation>
    </message>
    <message>
        <source>Adding %L1 of %L2 files...</source>
        <translation>Aggiunta dei file: %L1 di %L2...</translation>
    </message>
    <message>
        <source>The last conversion was interrupted. Resume the %L1 remaining files?</source>
        <translation>L&apos;ultima conversione è stata interrotta. Riprendere i file rimanenti (%L1)?</translation>
    </message>
    <message>
        <source>Files to Convert</source>
        <translation>File da convertire</translation>
    </message>
    <message>
        <source>Preview Picture</source>
        <translation>Immagine dell&apos;anteprima</translation>
    </message>
    <message>
        <source>Preview Position</source>
        <translation>Posizione dell&apos;anteprima</translation>
    </message>
    <message>
        <source>Play or Pause Preview</source>
        <translation>Riproduci o metti in pausa l&apos;anteprima</translation>
    </message>
    <message>
        <source>Preview Volume</source>
        <translation>Volume dell&apos;anteprima</translation>
    </message>
    <message>
        <source>Total Progress</source>
        <translation>Avanzamento totale</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Stato</translation>
    </message>
    <message>
        <source>Each row reads: file name, duration, state, progress</source>
        <translation>Ogni riga indica: nome del file, durata, stato, avanzamento</translation>
    </message>
    <message>
        <source>Click to play or pause the selected file</source>
        <translation>Fare clic per riprodurre o mettere in pausa il file selezionato</translation>
    </message>
    <message>
        <source>Where the preview stands in the selected file</source>
        <translation>Posizione dell&apos;anteprima nel file selezionato</translation>
    </message>
    <message>
        <source>Choose the folder the converted files go to</source>
        <translation>Scegliere la cartella in cui salvare i file convertiti</translation>
    </message>
    <message>
        <source>Show the output folder in the file manager</source>
        <translation>Aprire la cartella di destinazione nel gestore di file</translation>
    </message>
    <message>
        <source>The format the files are converted to</source>
        <translation>Il formato in cui vengono convertiti i file</translation>
    </message>
    <message>
        <source>&amp;Loudness</source>
        <translation>Int&amp;ensità sonora</translation>
    </message>
    <message>
        <source>Loudness</source>
        <translation>Intensità sonora</translation>
    </message>
    <message>
        <source>Normalize as &amp;Album</source>
        <translation>Normalizza per &amp;album</translation>
    </message>
    <message>
        <source>The files sharing a folder take one gain</source>
        <translation>I file di una stessa cartella ricevono un guadagno comune</translation>
    </message>
    <message>
        <source>Loudness: &amp;Tag Only</source>
        <translation>Intensità sonora: solo &amp;tag</translation>
    </message>
    <message>
        <source>The gain goes into tags that players apply</source>
        <translation>Il guadagno viene scritto in tag applicati dai lettori</translation>
    </message>
    <message>
        <source>Measuring loudness: 0 of %1 files</source>
        <translation>Misurazione dell&apos;intensità sonora: 0 di %1 file</translation>
    </message>
    <message>
        <source>Measuring loudness: %1 of %2 files</source>
        <translation>Misurazione dell&apos;intensità sonora: %1 di %2 file</translation>
    </message>
    <message>
        <source>Loudness measured: %1 files</source>
        <translation>Intensità sonora misurata: %1 file</translation>
    </message>
    <message>
        <source>Loudness measuring stopped</source>
        <translation>Misurazione dell&apos;intensità sonora interrotta</translation>
    </message>
    <message>
        <source>Analyze &amp;Loudness</source>
        <translation>Analizza &amp;intensità sonora</translation>
    </message>
    <message numerus="yes">
        <source>%Ln file(s) could not be added - see the log</source>
        <translation>
            <numerusform>Impossibile aggiungere %Ln file - vedere il registro</numerusform>
            <numerusform>Impossibile aggiungere %Ln file - vedere il registro</numerusform>
        </translation>
    </message>
    <message>
        <source>Cannot be converted: %1</source>
        <translation>Impossibile convertire: %1</translation>
    </message>
    <message>
        <source>Gives:</source>
        <translation>Produce:</translation>
    </message>
    <message numerus="yes">
        <source>Gives %n files:</source>
        <translation>
            <numerusform>Produce %n file:</numerusform>
            <numerusform>Produce %n file:</numerusform>
        </translation>
    </message>
    <message>
        <source>(%1 for %2)</source>
        <extracomment>A piece&apos;s start and its length: &quot;(0:02 for 0:30)&quot;.</extracomment>
        <translation>(da %1 per %2)</translation>
    </message>
    <message>
        <source>there already: skipped</source>
        <translation>già presente: saltato</translation>
    </message>
    <message>
        <source>audio copied</source>
        <translation>audio copiato</translation>
    </message>
    <message>
        <source>The saved file list %1 cannot be read (%2) nor set aside; the list starts empty and is not saved.</source>
        <translation>L&apos;elenco dei file salvato %1 non può essere letto (%2) né messo da parte; l&apos;elenco parte vuoto e non viene salvato.</translation>
    </message>
    <message>
        <source>The saved file list %1 cannot be read (%2); it was kept as %3 and the list starts empty.</source>
        <translation>L&apos;elenco dei file salvato %1 non può essere letto (%2); è stato conservato come %3 e l&apos;elenco parte vuoto.</translation>
    </message>
</context>
<context>
    <name>v2m::TLogForm</name>
    <message>
        <source>Log</source>
        <translation>Registro</translation>
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
        <translation>Mostra &amp;registro</translation>
    </message>
    <message>
        <source>Include Sub-folders</source>
        <translation>Includi sottocartelle</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>Pulsanti della finestra di dialogo</translation>
    </message>
</context>
<context>
    <name>v2m::TSkinDialog</name>
    <message>
        <source>Select skin</source>
        <translation>Seleziona tema</translation>
    </message>
    <message>
        <source></source>
        <comment>The skin choice (File &gt; Skin): a list of looks for the window, with OK and Cancel.</comment>
        <translation></translation>
    </message>
    <message>
        <source>Skins</source>
        <translation>Temi</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>Pulsanti della finestra di dialogo</translation>
    </message>
    <message>
        <source>System</source>
        <translation>Sistema</translation>
    </message>
</context>
</TS>
