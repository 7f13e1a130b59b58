<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pl">
<context>
    <name>v2m::TAboutForm</name>
    <message>
        <source>About</source>
        <translation>O programie</translation>
    </message>
    <message>
        <source>Home:</source>
        <translation>Strona:</translation>
    </message>
    <message>
        <source>Support:</source>
        <translation>Wsparcie:</translation>
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
        <translation>Nazwa</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Czas trwania</translation>
    </message>
    <message>
        <source>Original Size</source>
        <translation>Rozmiar oryginału</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>Wynik</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Postęp</translation>
    </message>
    <message>
        <source>Output Size</source>
        <translation>Rozmiar wyniku</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>Parts</source>
        <translation>Części</translation>
    </message>
    <message>
        <source>Waiting</source>
        <translation>Oczekuje</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Błąd</translation>
    </message>
    <message>
        <source>Completed</source>
        <translation>Gotowe</translation>
    </message>
    <message>
        <source>Skipped</source>
        <translation>Pominięto</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Zatrzymano</translation>
    </message>
    <message>
        <source>No audio</source>
        <translation>Brak dźwięku</translation>
    </message>
    <message>
        <source>N/A</source>
        <translation>b.d.</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>Jakość</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>Kanały</translation>
    </message>
    <message>
        <source>Bit Rates (Kbps)</source>
        <translation>Bitrate (Kbps)</translation>
    </message>
    <message>
        <source>Volume (%)</source>
        <translation>Głośność (%)</translation>
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
        <translation>Pliki wideo</translation>
    </message>
    <message>
        <source>All Files</source>
        <translation>Wszystkie pliki</translation>
    </message>
    <message>
        <source>Cue Sheets</source>
        <translation>Pliki CUE</translation>
    </message>
    <message>
        <source>Text Files</source>
        <translation>Pliki tekstowe</translation>
    </message>
    <message>
        <source>cut does not fit</source>
        <translation>przycięcie nie mieści się w pliku</translation>
    </message>
    <message>
        <source>has no audio track</source>
        <translation>nie ma ścieżki dźwiękowej</translation>
    </message>
    <message>
        <source>is not a media file the libraries can read</source>
        <translation>nie jest plikiem multimedialnym, który biblioteki potrafią odczytać</translation>
    </message>
    <message>
        <source>no such file</source>
        <translation>brak takiego pliku</translation>
    </message>
    <message>
        <source>No space left on device</source>
        <translation>Brak miejsca na urządzeniu</translation>
    </message>
    <message>
        <source>Disk quota exceeded</source>
        <translation>Przekroczony przydział dyskowy</translation>
    </message>
    <message>
        <source>Read-only file system</source>
        <translation>System plików tylko do odczytu</translation>
    </message>
    <message>
        <source>Permission denied</source>
        <translation>Brak dostępu</translation>
    </message>
    <message>
        <source>File too large</source>
        <translation>Plik jest za duży</translation>
    </message>
    <message>
        <source>Input/output error</source>
        <translation>Błąd wejścia/wyjścia</translation>
    </message>
    <message>
        <source>The cover picture is left out: %1</source>
        <translation>Okładka zostanie pominięta: %1</translation>
    </message>
    <message>
        <source>the file has no such picture</source>
        <translation>plik nie zawiera tego obrazu</translation>
    </message>
    <message>
        <source>it is larger than %1 MiB</source>
        <translation>jest większa niż %1 MiB</translation>
    </message>
    <message>
        <source>it is not a picture we can read</source>
        <translation>nie jest to obraz, który da się odczytać</translation>
    </message>
    <message>
        <source>it does not decode as a picture</source>
        <translation>nie daje się zdekodować jako obraz</translation>
    </message>
    <message>
        <source>it is %1x%2 pixels, more than %3 a side</source>
        <translation>ma %1×%2 pikseli, ponad %3 na bok</translation>
    </message>
    <message>
        <source>The cut ends at %1, not after its start at %2</source>
        <translation>Przycięcie kończy się w %1, nie po swoim początku w %2</translation>
    </message>
    <message>
        <source>The cut starts at %1, past the end of the file (%2)</source>
        <translation>Przycięcie zaczyna się w %1, za końcem pliku (%2)</translation>
    </message>
    <message>
        <source>No piece of the file lies within the cut from %1 to %2</source>
        <translation>Żadna część pliku nie leży w przycięciu od %1 do %2</translation>
    </message>
    <message>
        <source>File name too long: %1</source>
        <translation>Za długa nazwa pliku: %1</translation>
    </message>
    <message>
        <source>No free output name: %1 and %2 numbered names are taken</source>
        <translation>Brak wolnej nazwy wyjściowej: %1 i numerowane nazwy (%2) są zajęte</translation>
    </message>
    <message>
        <source>cannot be read</source>
        <translation>nie można odczytać</translation>
    </message>
    <message>
        <source>it is not a file</source>
        <translation>to nie jest plik</translation>
    </message>
    <message>
        <source>is too large for a list of split points</source>
        <translation>jest za duży jak na listę punktów podziału</translation>
    </message>
    <message>
        <source>is not a cue sheet that can be read</source>
        <translation>nie jest czytelnym plikiem CUE</translation>
    </message>
    <message>
        <source>the cue sheet holds no track</source>
        <translation>plik CUE nie zawiera żadnej ścieżki</translation>
    </message>
    <message>
        <source>the cue sheet&apos;s tracks lie in more than one audio file</source>
        <translation>ścieżki pliku CUE leżą w więcej niż jednym pliku audio</translation>
    </message>
    <message>
        <source>the list holds no time stamps</source>
        <translation>lista nie zawiera znaczników czasu</translation>
    </message>
    <message>
        <source>there are no points to split at</source>
        <translation>brak punktów podziału</translation>
    </message>
    <message>
        <source>File name template</source>
        <translation>Szablon nazwy pliku</translation>
    </message>
    <message>
        <source>the name template is empty</source>
        <translation>szablon nazwy jest pusty</translation>
    </message>
    <message>
        <source>only {track} and {n} can be padded</source>
        <translation>tylko {track} i {n} można uzupełniać zerami</translation>
    </message>
    <message>
        <source>write the width as :01 to :09</source>
        <translation>podaj szerokość jako :01 do :09</translation>
    </message>
    <message>
        <source>unmatched } (write }} for a brace)</source>
        <translation>} bez pary (napisz }}, aby uzyskać nawias)</translation>
    </message>
    <message>
        <source>unclosed { (write {{ for a brace)</source>
        <translation>niezamknięty { (napisz {{, aby uzyskać nawias)</translation>
    </message>
    <message>
        <source>track %1 has no INDEX 01</source>
        <translation>ścieżka %1 nie ma INDEX 01</translation>
    </message>
    <message>
        <source>%1 is before the start of the file</source>
        <translation>%1 leży przed początkiem pliku</translation>
    </message>
    <message>
        <source>%1 comes before the point above it (%2)</source>
        <translation>%1 leży przed punktem powyżej (%2)</translation>
    </message>
    <message>
        <source>%1 repeats the point above it</source>
        <translation>%1 powtarza punkt powyżej</translation>
    </message>
    <message>
        <source>%1 is at the end of the file (%2)</source>
        <translation>%1 leży na końcu pliku (%2)</translation>
    </message>
    <message>
        <source>%1 is past the end of the file (%2)</source>
        <translation>%1 leży za końcem pliku (%2)</translation>
    </message>
    <message>
        <source>unknown placeholder {%1}</source>
        <translation>nieznany symbol zastępczy {%1}</translation>
    </message>
    <message>
        <source>line %1</source>
        <translation>wiersz %1</translation>
    </message>
    <message>
        <source>point %1</source>
        <translation>punkt %1</translation>
    </message>
    <message>
        <source>not a folder</source>
        <translation>to nie jest folder</translation>
    </message>
    <message>
        <source>the journal is cut short</source>
        <translation>plik jest ucięty</translation>
    </message>
    <message>
        <source>not understood</source>
        <translation>niezrozumiałe</translation>
    </message>
    <message>
        <source>damaged</source>
        <translation>uszkodzone</translation>
    </message>
    <message>
        <source>text after the end</source>
        <translation>tekst po końcu</translation>
    </message>
    <message>
        <source>not a list journal</source>
        <translation>to nie jest zapisana lista plików</translation>
    </message>
    <message>
        <source>written by a newer version (%1)</source>
        <translation>zapisana przez nowszą wersję (%1)</translation>
    </message>
    <message>
        <source>a track of it cannot be decoded</source>
        <translation>nie można zdekodować jednej z jego ścieżek</translation>
    </message>
    <message>
        <source>the encoder does not start with these settings</source>
        <translation>koder nie uruchamia się z tymi ustawieniami</translation>
    </message>
    <message>
        <source>the libraries here have no encoder for this profile</source>
        <translation>biblioteki tego systemu nie mają kodera dla tego profilu</translation>
    </message>
    <message>
        <source>encoding failed</source>
        <translation>kodowanie nie powiodło się</translation>
    </message>
</context>
<context>
    <name>v2m::TCutDialog</name>
    <message>
        <source>Cut</source>
        <translation>Przycinanie</translation>
    </message>
    <message>
        <source>Use Preview Position</source>
        <translation>Użyj pozycji podglądu</translation>
    </message>
    <message>
        <source>%1 is not a time; write h:mm:ss.xxx, mm:ss or seconds</source>
        <translation>%1: nieprawidłowy czas; wpisz g:mm:ss.xxx, mm:ss lub liczbę sekund</translation>
    </message>
    <message>
        <source>The start</source>
        <translation>Początek</translation>
    </message>
    <message>
        <source>The end</source>
        <translation>Koniec</translation>
    </message>
    <message>
        <source>The end must come after the start</source>
        <translation>Koniec musi być później niż początek</translation>
    </message>
    <message>
        <source>The start lies past the end of the file (%1)</source>
        <translation>Początek wypada za końcem pliku (%1)</translation>
    </message>
    <message>
        <source></source>
        <comment>The Cut dialog, from a row&apos;s context menu in the file list: the start and end of the stretch of the file to convert, typed as times or taken from the preview&apos;s position.</comment>
        <translation></translation>
    </message>
    <message>
        <source>file start</source>
        <translation>początek pliku</translation>
    </message>
    <message>
        <source>file end</source>
        <translation>koniec pliku</translation>
    </message>
    <message>
        <source>h:mm:ss.xxx, mm:ss or seconds</source>
        <translation>g:mm:ss.xxx, mm:ss lub liczba sekund</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>&amp;Początek</translation>
    </message>
    <message>
        <source>&amp;End</source>
        <translation>&amp;Koniec</translation>
    </message>
    <message>
        <source>Start at the Preview Position</source>
        <translation>Użyj pozycji podglądu jako początku</translation>
    </message>
    <message>
        <source>End at the Preview Position</source>
        <translation>Użyj pozycji podglądu jako końca</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>Przyciski okna dialogowego</translation>
    </message>
</context>
<context>
    <name>v2m::TFileListModel</name>
    <message>
        <source>re-encoded: pieces are cut to the sample</source>
        <translation>z ponownym kodowaniem: części są cięte z dokładnością do próbki</translation>
    </message>
    <message>
        <source></source>
        <comment>The file list in the main window: tool tips, the spoken description of a row, and the Parts and Output columns&apos; counts (&quot;3 pieces, cut 3:25&quot;, &quot;song.mp3 + 2 more&quot;); times stay as they are.</comment>
        <translation></translation>
    </message>
    <message>
        <source>Converting</source>
        <translation>Trwa konwersja</translation>
    </message>
    <message>
        <source>%1, %2, %3, %4 percent</source>
        <translation>%1, %2, %3, %4 procent</translation>
    </message>
    <message>
        <source>%1 MB</source>
        <translation>%1 MB</translation>
    </message>
    <message numerus="yes">
        <source>%n piece(s)</source>
        <translation>
            <numerusform>%n część</numerusform>
            <numerusform>%n części</numerusform>
            <numerusform>%n części</numerusform>
        </translation>
    </message>
    <message>
        <source>cut from %1</source>
        <translation>przycięcie od %1</translation>
    </message>
    <message>
        <source>cut %1</source>
        <translation>przycięcie %1</translation>
    </message>
    <message>
        <source>, </source>
        <translation>, </translation>
    </message>
    <message numerus="yes">
        <source>%1 + %n more</source>
        <translation>
            <numerusform>%1 + %n kolejny</numerusform>
            <numerusform>%1 + %n kolejne</numerusform>
            <numerusform>%1 + %n kolejnych</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>v2m::TForm1</name>
    <message>
        <source>Audio &amp;Track</source>
        <translation>Ścieżka &amp;dźwiękowa</translation>
    </message>
    <message>
        <source>Audio Track for &amp;All</source>
        <translation>Ścieżka dźwiękowa dla &amp;wszystkich</translation>
    </message>
    <message>
        <source>The desktop could not open this. Copy it into a browser or a file manager:

%1</source>
        <translation>Środowisko pulpitu nie mogło tego otworzyć. Skopiuj to do przeglądarki lub menedżera plików:

%1</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Ostrzeżenie</translation>
    </message>
    <message>
        <source>The output folder &quot;%1&quot; does not exist. Create it?</source>
        <translation>Folder wyjściowy „%1” nie istnieje. Utworzyć go?</translation>
    </message>
    <message>
        <source>The output folder could not be created: %1. Please select another folder.</source>
        <translation>Nie można utworzyć folderu wyjściowego: %1. Wybierz inny folder.</translation>
    </message>
    <message>
        <source>Output folder is unavailable. Please select another folder.</source>
        <translation>Folder wyjściowy jest niedostępny. Wybierz inny folder.</translation>
    </message>
    <message>
        <source>Nothing to convert: no file of the list has audio</source>
        <translation>Nie ma czego konwertować: żaden plik z listy nie zawiera dźwięku</translation>
    </message>
    <message>
        <source>Some items have been converted already, do you want to re-convert them?</source>
        <translation>Niektóre pozycje zostały już przekonwertowane. Czy przekonwertować je ponownie?</translation>
    </message>
    <message>
        <source>The conversion could not be started - see the log</source>
        <translation>Nie można rozpocząć konwersji – zobacz dziennik</translation>
    </message>
    <message>
        <source>No file could be converted - see the log</source>
        <translation>Nie udało się przekonwertować żadnego pliku – zobacz dziennik</translation>
    </message>
    <message>
        <source>Cancel Conversion.</source>
        <translation>Anulowanie konwersji</translation>
    </message>
    <message>
        <source>Are you sure you want to cancel conversion?</source>
        <translation>Czy na pewno chcesz anulować konwersję?</translation>
    </message>
    <message>
        <source>Convert completed.</source>
        <translation>Konwersja zakończona</translation>
    </message>
    <message>
        <source>Do you want to open output folder?</source>
        <translation>Czy otworzyć folder wyjściowy?</translation>
    </message>
    <message>
        <source>Paused - </source>
        <translation>Wstrzymano – </translation>
    </message>
    <message>
        <source>The conversion libraries could not be loaded - see the log</source>
        <translation>Nie można wczytać bibliotek konwersji – zobacz dziennik</translation>
    </message>
    <message>
        <source>A conversion is running. Stop it and quit?</source>
        <translation>Trwa konwersja. Zatrzymać ją i zakończyć?</translation>
    </message>
    <message>
        <source>&amp;Resume</source>
        <translation>&amp;Wznów</translation>
    </message>
    <message>
        <source>Normalize Loudness sets the volume (Convert menu)</source>
        <translation>Głośność ustala normalizacja głośności (menu Konwersja)</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Czyszczenie listy</translation>
    </message>
    <message>
        <source>Some files of the list have not been converted yet. Clear the list?</source>
        <translation>Niektóre pliki z listy nie zostały jeszcze przekonwertowane. Wyczyścić listę?</translation>
    </message>
    <message>
        <source>Select folder</source>
        <translation>Wybierz folder</translation>
    </message>
    <message>
        <source>No sound device - picture only</source>
        <translation>Brak urządzenia dźwiękowego – tylko obraz</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Podgląd</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Wycisz</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>Profil</translation>
    </message>
    <message>
        <source>Output Folder</source>
        <translation>Zapisz w</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Przeglądaj</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Otwórz</translation>
    </message>
    <message>
        <source>Same folder as input </source>
        <translation>Folder źródłowy </translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>Nazwa pliku</translation>
    </message>
    <message>
        <source>{name} {title} {artist} {album} {albumartist} {track} {date} {year} {genre} {chapter} {n} {n:02} {profile}; &quot;/&quot; makes sub-folders</source>
        <translation>{name} {title} {artist} {album} {albumartist} {track} {date} {year} {genre} {chapter} {n} {n:02} {profile}; „/” tworzy podfoldery</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Postęp</translation>
    </message>
    <message>
        <source>Profile Settings</source>
        <translation>Ustawienia profilu</translation>
    </message>
    <message>
        <source>&amp;Add Files...</source>
        <translation>&amp;Dodaj pliki...</translation>
    </message>
    <message>
        <source>Add Files</source>
        <translation>Dodaj pliki</translation>
    </message>
    <message>
        <source>Add F&amp;older...</source>
        <translation>Dodaj &amp;folder...</translation>
    </message>
    <message>
        <source>Cancel Adding</source>
        <translation>Anuluj dodawanie</translation>
    </message>
    <message>
        <source>&amp;Skin</source>
        <translation>&amp;Skórka</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>Za&amp;kończ</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Usuń</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>&amp;Wyczyść</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>&amp;Start</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>&amp;Pauza</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Wznów</translation>
    </message>
    <message>
        <source>St&amp;op</source>
        <translation>S&amp;top</translation>
    </message>
    <message>
        <source>Convert All A&amp;gain</source>
        <translation>Konwertuj wszystko p&amp;onownie</translation>
    </message>
    <message>
        <source>&amp;Help Content</source>
        <translation>&amp;Tematy pomocy</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Pomoc</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>&amp;O programie</translation>
    </message>
    <message>
        <source>&amp;Visit Website</source>
        <translation>Odwiedź &amp;witrynę</translation>
    </message>
    <message>
        <source>Visit Home</source>
        <translation>Witryna</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Odtwórz</translation>
    </message>
    <message>
        <source>Stop Preview</source>
        <translation>Zatrzymaj podgląd</translation>
    </message>
    <message>
        <source>View &amp;Log</source>
        <translation>&amp;Pokaż dziennik</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Zakończ</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Plik</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Edycja</translation>
    </message>
    <message>
        <source>&amp;Convert</source>
        <translation>&amp;Konwersja</translation>
    </message>
    <message>
        <source>Si&amp;multaneous Conversions</source>
        <translation>&amp;Jednoczesne konwersje</translation>
    </message>
    <message>
        <source>One per Processor</source>
        <translation>Jedna na procesor</translation>
    </message>
    <message>
        <source>Copy &amp;Tags</source>
        <translation>Kopiuj &amp;znaczniki</translation>
    </message>
    <message>
        <source>Use a &amp;Video Frame as Cover</source>
        <translation>&amp;Klatka wideo jako okładka</translation>
    </message>
    <message>
        <source>&amp;Copy Audio When Possible</source>
        <translation>Kopiuj &amp;dźwięk, gdy to możliwe</translation>
    </message>
    <message>
        <source>&amp;Normalize Loudness</source>
        <translation>&amp;Normalizuj głośność</translation>
    </message>
    <message>
        <source>Loudness T&amp;arget</source>
        <translation>Docelowa &amp;głośność</translation>
    </message>
    <message>
        <source>%1 LUFS</source>
        <translation>%1 LUFS</translation>
    </message>
    <message>
        <source>Split by C&amp;hapters</source>
        <translation>Dziel według &amp;rozdziałów</translation>
    </message>
    <message>
        <source>S&amp;kip Files Already Converted</source>
        <translation>Pom&amp;ijaj już przekonwertowane pliki</translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>Otwórz plik</translation>
    </message>
    <message>
        <source>Add video files to extract their audio</source>
        <translation>Dodaj pliki wideo, aby wyodrębnić z nich dźwięk</translation>
    </message>
    <message>
        <source>The file name &quot;%1&quot; cannot be used: %2.</source>
        <translation>Nie można użyć nazwy pliku „%1”: %2.</translation>
    </message>
    <message>
        <source>Split by &amp;Chapters</source>
        <translation>Dziel według &amp;rozdziałów</translation>
    </message>
    <message>
        <source>Split &amp;Points from File...</source>
        <translation>Pu&amp;nkty podziału z pliku...</translation>
    </message>
    <message>
        <source>Split Points from File</source>
        <translation>Punkty podziału z pliku</translation>
    </message>
    <message>
        <source>C&amp;lear Split Points</source>
        <translation>Wy&amp;czyść punkty podziału</translation>
    </message>
    <message>
        <source>C&amp;ut...</source>
        <translation>&amp;Przytnij...</translation>
    </message>
    <message>
        <source>&amp;Remove Cut</source>
        <translation>&amp;Usuń przycięcie</translation>
    </message>
    <message>
        <source></source>
        <comment>The main window: its menus, tool bar, the preview, the Profile and Profile Settings groups, the status line below them, and its message boxes. Keep the accelerators (&amp;) unique within each menu; tool bar texts (Add Files, Help, Visit Home) sit under 32-pixel icons, so keep them short.</comment>
        <translation></translation>
    </message>
    <message>
        <source>%1 of %2 files</source>
        <translation>Pliki: %1 z %2</translation>
    </message>
    <message>
        <source> - %1x real time</source>
        <translation> – prędkość %1x</translation>
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
        <translation>%1 godz. %2 min</translation>
    </message>
    <message>
        <source> - about %1 left</source>
        <translation> – pozostało ok. %1</translation>
    </message>
    <message>
        <source>%L1 converted</source>
        <translation>Przekonwertowano: %L1</translation>
    </message>
    <message>
        <source>, %L1 skipped</source>
        <translation>, pominięto: %L1</translation>
    </message>
    <message>
        <source>, %L1 failed</source>
        <translation>, błędy: %L1</translation>
    </message>
    <message>
        <source>, %L1 stopped</source>
        <translation>, zatrzymano: %L1</translation>
    </message>
    <message>
        <source>%L1 file converted</source>
        <translation>Przekonwertowano %L1 plik</translation>
    </message>
    <message>
        <source>%L1 files converted</source>
        <translation>Przekonwertowano plików: %L1</translation>
    </message>
    <message>
        <source>%L1 of %L2 files could not be converted:</source>
        <translation>Nie udało się przekonwertować plików (%L1 z %L2):</translation>
    </message>
    <message>
        <source>Converting %1 files</source>
        <translation>Konwersja plików (%1)</translation>
    </message>
    <message>
        <source>Adding %L1 of %L2 files...</source>
        <translation>Dodawanie plików: %L1 z %L2...</translation>
    </message>
    <message>
        <source>The last conversion was interrupted. Resume the %L1 remaining files?</source>
        <translation>Ostatnia konwersja została przerwana. Wznowić pozostałe pliki (%L1)?</translation>
    </message>
    <message>
        <source>Files to Convert</source>
        <translation>Pliki do konwersji</translation>
    </message>
    <message>
        <source>Preview Picture</source>
        <translation>Obraz podglądu</translation>
    </message>
    <message>
        <source>Preview Position</source>
        <translation>Pozycja podglądu</translation>
    </message>
    <message>
        <source>Play or Pause Preview</source>
        <translation>Odtwórz lub wstrzymaj podgląd</translation>
    </message>
    <message>
        <source>Preview Volume</source>
        <translation>Głośność podglądu</translation>
    </message>
    <message>
        <source>Total Progress</source>
        <translation>Postęp całkowity</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Stan</translation>
    </message>
    <message>
        <source>Each row reads: file name, duration, state, progress</source>
        <translation>Każdy wiersz zawiera: nazwę pliku, czas trwania, stan, postęp</translation>
    </message>
    <message>
        <source>Click to play or pause the selected file</source>
        <translation>Kliknij, aby odtworzyć lub wstrzymać zaznaczony plik</translation>
    </message>
    <message>
        <source>Where the preview stands in the selected file</source>
        <translation>Bieżąca pozycja podglądu w zaznaczonym pliku</translation>
    </message>
    <message>
        <source>Choose the folder the converted files go to</source>
        <translation>Wybierz folder, do którego trafią przekonwertowane pliki</translation>
    </message>
    <message>
        <source>Show the output folder in the file manager</source>
        <translation>Pokaż folder wyjściowy w menedżerze plików</translation>
    </message>
    <message>
        <source>The format the files are converted to</source>
        <translation>Format, do którego konwertowane są pliki</translation>
    </message>
    <message>
        <source>&amp;Loudness</source>
        <translation>&amp;Ustawienia głośności</translation>
    </message>
    <message>
        <source>Loudness</source>
        <translation>Ustawienia głośności</translation>
    </message>
    <message>
        <source>Normalize as &amp;Album</source>
        <translation>Normalizuj jako &amp;album</translation>
    </message>
    <message>
        <source>The files sharing a folder take one gain</source>
        <translation>Pliki z jednego folderu otrzymują wspólne wzmocnienie</translation>
    </message>
    <message>
        <source>Loudness: &amp;Tag Only</source>
        <translation>Głośność: tylko &amp;znaczniki</translation>
    </message>
    <message>
        <source>The gain goes into tags that players apply</source>
        <translation>Wzmocnienie trafia do znaczników, które uwzględniają odtwarzacze</translation>
    </message>
    <message>
        <source>Measuring loudness: 0 of %1 files</source>
        <translation>Pomiar głośności: zmierzono 0 z %1</translation>
    </message>
    <message>
        <source>Measuring loudness: %1 of %2 files</source>
        <translation>Pomiar głośności: zmierzono %1 z %2</translation>
    </message>
    <message>
        <source>Loudness measured: %1 files</source>
        <translation>Zmierzono głośność, liczba plików: %1</translation>
    </message>
    <message>
        <source>Loudness measuring stopped</source>
        <translation>Zatrzymano pomiar głośności</translation>
    </message>
    <message>
        <source>Analyze &amp;Loudness</source>
        <translation>&amp;Analizuj głośność</translation>
    </message>
    <message numerus="yes">
        <source>%Ln file(s) could not be added - see the log</source>
        <translation>
            <numerusform>Nie udało się dodać %Ln pliku – zobacz dziennik</numerusform>
            <numerusform>Nie udało się dodać %Ln plików – zobacz dziennik</numerusform>
            <numerusform>Nie udało się dodać %Ln plików – zobacz dziennik</numerusform>
        </translation>
    </message>
    <message>
        <source>Cannot be converted: %1</source>
        <translation>Nie można przekonwertować: %1</translation>
    </message>
    <message>
        <source>Gives:</source>
        <translation>Powstanie:</translation>
    </message>
    <message numerus="yes">
        <source>Gives %n files:</source>
        <translation>
            <numerusform>Powstanie %n plik:</numerusform>
            <numerusform>Powstaną %n pliki:</numerusform>
            <numerusform>Powstanie %n plików:</numerusform>
        </translation>
    </message>
    <message>
        <source>(%1 for %2)</source>
        <extracomment>A piece&apos;s start and its length: &quot;(0:02 for 0:30)&quot;.</extracomment>
        <translation>(od %1, długość %2)</translation>
    </message>
    <message>
        <source>there already: skipped</source>
        <translation>już istnieje: pominięto</translation>
    </message>
    <message>
        <source>audio copied</source>
        <translation>audio skopiowane</translation>
    </message>
    <message>
        <source>The saved file list %1 cannot be read (%2) nor set aside; the list starts empty and is not saved.</source>
        <translation>Nie można odczytać zapisanej listy plików %1 (%2) ani odłożyć jej na bok; lista zaczyna się pusta i nie jest zapisywana.</translation>
    </message>
    <message>
        <source>The saved file list %1 cannot be read (%2); it was kept as %3 and the list starts empty.</source>
        <translation>Nie można odczytać zapisanej listy plików %1 (%2); zachowano ją jako %3, a lista zaczyna się pusta.</translation>
    </message>
</context>
<context>
    <name>v2m::TLogForm</name>
    <message>
        <source>Log</source>
        <translation>Dziennik</translation>
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
        <translation>Pokaż &amp;dziennik</translation>
    </message>
    <message>
        <source>Include Sub-folders</source>
        <translation>Uwzględnij podfoldery</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>Przyciski okna dialogowego</translation>
    </message>
</context>
<context>
    <name>v2m::TSkinDialog</name>
    <message>
        <source>Select skin</source>
        <translation>Wybierz skórkę</translation>
    </message>
    <message>
        <source></source>
        <comment>The skin choice (File &gt; Skin): a list of looks for the window, with OK and Cancel.</comment>
        <translation></translation>
    </message>
    <message>
        <source>Skins</source>
        <translation>Skórki</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>Przyciski okna dialogowego</translation>
    </message>
    <message>
        <source>System</source>
        <translation>Systemowa</translation>
    </message>
</context>
</TS>
