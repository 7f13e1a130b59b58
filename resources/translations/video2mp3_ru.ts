<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru">
<context>
    <name>v2m::TAboutForm</name>
    <message>
        <source>About</source>
        <translation>О программе</translation>
    </message>
    <message>
        <source>Home:</source>
        <translation>Сайт:</translation>
    </message>
    <message>
        <source>Support:</source>
        <translation>Поддержка:</translation>
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
        <translation>Имя</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Длительность</translation>
    </message>
    <message>
        <source>Original Size</source>
        <translation>Исходный размер</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>Результат</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Прогресс</translation>
    </message>
    <message>
        <source>Output Size</source>
        <translation>Размер результата</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Аудио</translation>
    </message>
    <message>
        <source>Parts</source>
        <translation>Части</translation>
    </message>
    <message>
        <source>Waiting</source>
        <translation>Ожидание</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Ошибка</translation>
    </message>
    <message>
        <source>Completed</source>
        <translation>Готово</translation>
    </message>
    <message>
        <source>Skipped</source>
        <translation>Пропущено</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Остановлено</translation>
    </message>
    <message>
        <source>No audio</source>
        <translation>Нет звука</translation>
    </message>
    <message>
        <source>N/A</source>
        <translation>н/д</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>Качество</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>Каналы</translation>
    </message>
    <message>
        <source>Bit Rates (Kbps)</source>
        <translation>Битрейт (Kbps)</translation>
    </message>
    <message>
        <source>Volume (%)</source>
        <translation>Громкость (%)</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Авто</translation>
    </message>
    <message>
        <source>Mono</source>
        <translation>Моно</translation>
    </message>
    <message>
        <source>Stereo</source>
        <translation>Стерео</translation>
    </message>
    <message>
        <source>Video Files</source>
        <translation>Видеофайлы</translation>
    </message>
    <message>
        <source>All Files</source>
        <translation>Все файлы</translation>
    </message>
    <message>
        <source>Cue Sheets</source>
        <translation>Файлы CUE</translation>
    </message>
    <message>
        <source>Text Files</source>
        <translation>Текстовые файлы</translation>
    </message>
    <message>
        <source>cut does not fit</source>
        <translation>обрезка не помещается в файл</translation>
    </message>
    <message>
        <source>has no audio track</source>
        <translation>нет звуковой дорожки</translation>
    </message>
    <message>
        <source>is not a media file the libraries can read</source>
        <translation>не является медиафайлом, который могут прочитать библиотеки</translation>
    </message>
    <message>
        <source>no such file</source>
        <translation>файл не найден</translation>
    </message>
    <message>
        <source>No space left on device</source>
        <translation>На устройстве не осталось свободного места</translation>
    </message>
    <message>
        <source>Disk quota exceeded</source>
        <translation>Превышена дисковая квота</translation>
    </message>
    <message>
        <source>Read-only file system</source>
        <translation>Файловая система доступна только для чтения</translation>
    </message>
    <message>
        <source>Permission denied</source>
        <translation>Отказано в доступе</translation>
    </message>
    <message>
        <source>File too large</source>
        <translation>Файл слишком велик</translation>
    </message>
    <message>
        <source>Input/output error</source>
        <translation>Ошибка ввода-вывода</translation>
    </message>
    <message>
        <source>The cover picture is left out: %1</source>
        <translation>Обложка не сохраняется: %1</translation>
    </message>
    <message>
        <source>the file has no such picture</source>
        <translation>в файле нет этого изображения</translation>
    </message>
    <message>
        <source>it is larger than %1 MiB</source>
        <translation>она больше %1 МиБ</translation>
    </message>
    <message>
        <source>it is not a picture we can read</source>
        <translation>это изображение невозможно прочитать</translation>
    </message>
    <message>
        <source>it does not decode as a picture</source>
        <translation>она не декодируется как изображение</translation>
    </message>
    <message>
        <source>it is %1x%2 pixels, more than %3 a side</source>
        <translation>её размер %1×%2 пикселей, сторона больше %3</translation>
    </message>
    <message>
        <source>The cut ends at %1, not after its start at %2</source>
        <translation>Обрезка заканчивается в %1, не позже своего начала в %2</translation>
    </message>
    <message>
        <source>The cut starts at %1, past the end of the file (%2)</source>
        <translation>Обрезка начинается в %1, после конца файла (%2)</translation>
    </message>
    <message>
        <source>No piece of the file lies within the cut from %1 to %2</source>
        <translation>Ни одна часть файла не попадает в обрезку с %1 по %2</translation>
    </message>
    <message>
        <source>File name too long: %1</source>
        <translation>Слишком длинное имя файла: %1</translation>
    </message>
    <message>
        <source>No free output name: %1 and %2 numbered names are taken</source>
        <translation>Нет свободного имени для вывода: %1 и нумерованные имена (%2) заняты</translation>
    </message>
    <message>
        <source>cannot be read</source>
        <translation>не удаётся прочитать</translation>
    </message>
    <message>
        <source>it is not a file</source>
        <translation>это не файл</translation>
    </message>
    <message>
        <source>is too large for a list of split points</source>
        <translation>слишком велик для списка точек разделения</translation>
    </message>
    <message>
        <source>is not a cue sheet that can be read</source>
        <translation>не является читаемым файлом CUE</translation>
    </message>
    <message>
        <source>the cue sheet holds no track</source>
        <translation>в файле CUE нет ни одной дорожки</translation>
    </message>
    <message>
        <source>the cue sheet&apos;s tracks lie in more than one audio file</source>
        <translation>дорожки файла CUE находятся более чем в одном аудиофайле</translation>
    </message>
    <message>
        <source>the list holds no time stamps</source>
        <translation>в списке нет отметок времени</translation>
    </message>
    <message>
        <source>there are no points to split at</source>
        <translation>нет точек разделения</translation>
    </message>
    <message>
        <source>File name template</source>
        <translation>Шаблон имени файла</translation>
    </message>
    <message>
        <source>the name template is empty</source>
        <translation>шаблон имени пуст</translation>
    </message>
    <message>
        <source>only {track} and {n} can be padded</source>
        <translation>дополнять нулями можно только {track} и {n}</translation>
    </message>
    <message>
        <source>write the width as :01 to :09</source>
        <translation>укажите ширину как :01 … :09</translation>
    </message>
    <message>
        <source>unmatched } (write }} for a brace)</source>
        <translation>непарная } (для скобки пишите }})</translation>
    </message>
    <message>
        <source>unclosed { (write {{ for a brace)</source>
        <translation>незакрытая { (для скобки пишите {{)</translation>
    </message>
    <message>
        <source>track %1 has no INDEX 01</source>
        <translation>у дорожки %1 нет INDEX 01</translation>
    </message>
    <message>
        <source>%1 is before the start of the file</source>
        <translation>%1 находится до начала файла</translation>
    </message>
    <message>
        <source>%1 comes before the point above it (%2)</source>
        <translation>%1 идёт раньше предыдущей точки (%2)</translation>
    </message>
    <message>
        <source>%1 repeats the point above it</source>
        <translation>%1 повторяет предыдущую точку</translation>
    </message>
    <message>
        <source>%1 is at the end of the file (%2)</source>
        <translation>%1 находится в конце файла (%2)</translation>
    </message>
    <message>
        <source>%1 is past the end of the file (%2)</source>
        <translation>%1 находится за концом файла (%2)</translation>
    </message>
    <message>
        <source>unknown placeholder {%1}</source>
        <translation>неизвестная подстановка {%1}</translation>
    </message>
    <message>
        <source>line %1</source>
        <translation>строка %1</translation>
    </message>
    <message>
        <source>point %1</source>
        <translation>точка %1</translation>
    </message>
    <message>
        <source>not a folder</source>
        <translation>это не папка</translation>
    </message>
    <message>
        <source>the journal is cut short</source>
        <translation>файл обрезан</translation>
    </message>
    <message>
        <source>not understood</source>
        <translation>не распознано</translation>
    </message>
    <message>
        <source>damaged</source>
        <translation>повреждено</translation>
    </message>
    <message>
        <source>text after the end</source>
        <translation>текст после конца</translation>
    </message>
    <message>
        <source>not a list journal</source>
        <translation>это не сохранённый список файлов</translation>
    </message>
    <message>
        <source>written by a newer version (%1)</source>
        <translation>записан более новой версией (%1)</translation>
    </message>
    <message>
        <source>a track of it cannot be decoded</source>
        <translation>одну из его дорожек не удаётся декодировать</translation>
    </message>
    <message>
        <source>the encoder does not start with these settings</source>
        <translation>кодировщик не запускается с этими настройками</translation>
    </message>
    <message>
        <source>the libraries here have no encoder for this profile</source>
        <translation>в библиотеках этой системы нет кодировщика для этого профиля</translation>
    </message>
    <message>
        <source>encoding failed</source>
        <translation>кодирование не удалось</translation>
    </message>
</context>
<context>
    <name>v2m::TCutDialog</name>
    <message>
        <source>Cut</source>
        <translation>Обрезка</translation>
    </message>
    <message>
        <source>Use Preview Position</source>
        <translation>Взять позицию просмотра</translation>
    </message>
    <message>
        <source>%1 is not a time; write h:mm:ss.xxx, mm:ss or seconds</source>
        <translation>%1: неверное время; укажите ч:мм:сс.ххх, мм:сс или число секунд</translation>
    </message>
    <message>
        <source>The start</source>
        <translation>Начало</translation>
    </message>
    <message>
        <source>The end</source>
        <translation>Конец</translation>
    </message>
    <message>
        <source>The end must come after the start</source>
        <translation>Конец должен быть позже начала</translation>
    </message>
    <message>
        <source>The start lies past the end of the file (%1)</source>
        <translation>Начало находится за концом файла (%1)</translation>
    </message>
    <message>
        <source></source>
        <comment>The Cut dialog, from a row&apos;s context menu in the file list: the start and end of the stretch of the file to convert, typed as times or taken from the preview&apos;s position.</comment>
        <translation></translation>
    </message>
    <message>
        <source>file start</source>
        <translation>начало файла</translation>
    </message>
    <message>
        <source>file end</source>
        <translation>конец файла</translation>
    </message>
    <message>
        <source>h:mm:ss.xxx, mm:ss or seconds</source>
        <translation>ч:мм:сс.ххх, мм:сс или число секунд</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>&amp;Начало</translation>
    </message>
    <message>
        <source>&amp;End</source>
        <translation>&amp;Конец</translation>
    </message>
    <message>
        <source>Start at the Preview Position</source>
        <translation>Взять начало из позиции просмотра</translation>
    </message>
    <message>
        <source>End at the Preview Position</source>
        <translation>Взять конец из позиции просмотра</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>Кнопки диалога</translation>
    </message>
</context>
<context>
    <name>v2m::TFileListModel</name>
    <message>
        <source>re-encoded: pieces are cut to the sample</source>
        <translation>с перекодированием: части режутся с точностью до сэмпла</translation>
    </message>
    <message>
        <source></source>
        <comment>The file list in the main window: tool tips, the spoken description of a row, and the Parts and Output columns&apos; counts (&quot;3 pieces, cut 3:25&quot;, &quot;song.mp3 + 2 more&quot;); times stay as they are.</comment>
        <translation></translation>
    </message>
    <message>
        <source>Converting</source>
        <translation>Конвертация</translation>
    </message>
    <message>
        <source>%1, %2, %3, %4 percent</source>
        <translation>%1, %2, %3, выполнено процентов: %4</translation>
    </message>
    <message>
        <source>%1 MB</source>
        <translation>%1 МБ</translation>
    </message>
    <message numerus="yes">
        <source>%n piece(s)</source>
        <translation>
            <numerusform>%n часть</numerusform>
            <numerusform>%n части</numerusform>
            <numerusform>%n частей</numerusform>
        </translation>
    </message>
    <message>
        <source>cut from %1</source>
        <translation>обрезка с %1</translation>
    </message>
    <message>
        <source>cut %1</source>
        <translation>обрезка %1</translation>
    </message>
    <message>
        <source>, </source>
        <translation>, </translation>
    </message>
    <message numerus="yes">
        <source>%1 + %n more</source>
        <translation>
            <numerusform>%1 и ещё %n файл</numerusform>
            <numerusform>%1 и ещё %n файла</numerusform>
            <numerusform>%1 и ещё %n файлов</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>v2m::TForm1</name>
    <message>
        <source>Audio &amp;Track</source>
        <translation>&amp;Звуковая дорожка</translation>
    </message>
    <message>
        <source>Audio Track for &amp;All</source>
        <translation>Дорожка для &amp;всех файлов</translation>
    </message>
    <message>
        <source>The desktop could not open this. Copy it into a browser or a file manager:

%1</source>
        <translation>Не удалось открыть это средствами рабочего стола. Скопируйте в браузер или файловый менеджер:

%1</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Предупреждение</translation>
    </message>
    <message>
        <source>The output folder &quot;%1&quot; does not exist. Create it?</source>
        <translation>Папка вывода «%1» не существует. Создать её?</translation>
    </message>
    <message>
        <source>The output folder could not be created: %1. Please select another folder.</source>
        <translation>Не удалось создать папку вывода: %1. Выберите другую папку.</translation>
    </message>
    <message>
        <source>Output folder is unavailable. Please select another folder.</source>
        <translation>Папка вывода недоступна. Выберите другую папку.</translation>
    </message>
    <message>
        <source>Nothing to convert: no file of the list has audio</source>
        <translation>Нечего конвертировать: ни в одном файле списка нет звука</translation>
    </message>
    <message>
        <source>Some items have been converted already, do you want to re-convert them?</source>
        <translation>Некоторые файлы уже конвертированы. Конвертировать их заново?</translation>
    </message>
    <message>
        <source>The conversion could not be started - see the log</source>
        <translation>Не удалось начать конвертацию — см. журнал</translation>
    </message>
    <message>
        <source>No file could be converted - see the log</source>
        <translation>Не удалось конвертировать ни одного файла — см. журнал</translation>
    </message>
    <message>
        <source>Cancel Conversion.</source>
        <translation>Отмена конвертации</translation>
    </message>
    <message>
        <source>Are you sure you want to cancel conversion?</source>
        <translation>Вы действительно хотите отменить конвертацию?</translation>
    </message>
    <message>
        <source>Convert completed.</source>
        <translation>Конвертация завершена</translation>
    </message>
    <message>
        <source>Do you want to open output folder?</source>
        <translation>Открыть папку вывода?</translation>
    </message>
    <message>
        <source>Paused - </source>
        <translation>Пауза — </translation>
    </message>
    <message>
        <source>The conversion libraries could not be loaded - see the log</source>
        <translation>Не удалось загрузить библиотеки конвертации — см. журнал</translation>
    </message>
    <message>
        <source>A conversion is running. Stop it and quit?</source>
        <translation>Идёт конвертация. Остановить её и выйти?</translation>
    </message>
    <message>
        <source>&amp;Resume</source>
        <translation>Про&amp;должить</translation>
    </message>
    <message>
        <source>Normalize Loudness sets the volume (Convert menu)</source>
        <translation>Громкость задаёт нормализация громкости (меню «Конвертация»)</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Очистка списка</translation>
    </message>
    <message>
        <source>Some files of the list have not been converted yet. Clear the list?</source>
        <translation>Некоторые файлы списка ещё не конвертированы. Очистить список?</translation>
    </message>
    <message>
        <source>Select folder</source>
        <translation>Выбор папки</translation>
    </message>
    <message>
        <source>No sound device - picture only</source>
        <translation>Нет звукового устройства — только изображение</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Просмотр</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Без звука</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>Профиль</translation>
    </message>
    <message>
        <source>Output Folder</source>
        <translation>Папка вывода</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Обзор</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Открыть</translation>
    </message>
    <message>
        <source>Same folder as input </source>
        <translation>В исходную папку </translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>Имя файла</translation>
    </message>
    <message>
        <source>{name} {title} {artist} {album} {albumartist} {track} {date} {year} {genre} {chapter} {n} {n:02} {profile}; &quot;/&quot; makes sub-folders</source>
        <translation>{name} {title} {artist} {album} {albumartist} {track} {date} {year} {genre} {chapter} {n} {n:02} {profile}; «/» создаёт вложенные папки</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Прогресс</translation>
    </message>
    <message>
        <source>Profile Settings</source>
        <translation>Настройки профиля</translation>
    </message>
    <message>
        <source>&amp;Add Files...</source>
        <translation>&amp;Добавить файлы...</translation>
    </message>
    <message>
        <source>Add Files</source>
        <translation>Добавить</translation>
    </message>
    <message>
        <source>Add F&amp;older...</source>
        <translation>Добавить &amp;папку...</translation>
    </message>
    <message>
        <source>Cancel Adding</source>
        <translation>Отменить добавление</translation>
    </message>
    <message>
        <source>&amp;Skin</source>
        <translation>&amp;Оформление</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Выход</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Удалить</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>&amp;Очистить</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>&amp;Старт</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>&amp;Пауза</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Продолжить</translation>
    </message>
    <message>
        <source>St&amp;op</source>
        <translation>С&amp;топ</translation>
    </message>
    <message>
        <source>Convert All A&amp;gain</source>
        <translation>Конвертировать всё &amp;заново</translation>
    </message>
    <message>
        <source>&amp;Help Content</source>
        <translation>&amp;Содержание справки</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Справка</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>&amp;О программе</translation>
    </message>
    <message>
        <source>&amp;Visit Website</source>
        <translation>&amp;Перейти на сайт</translation>
    </message>
    <message>
        <source>Visit Home</source>
        <translation>На сайт</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Воспроизвести</translation>
    </message>
    <message>
        <source>Stop Preview</source>
        <translation>Остановить просмотр</translation>
    </message>
    <message>
        <source>View &amp;Log</source>
        <translation>Показать &amp;журнал</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Выход</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Файл</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Правка</translation>
    </message>
    <message>
        <source>&amp;Convert</source>
        <translation>&amp;Конвертация</translation>
    </message>
    <message>
        <source>Si&amp;multaneous Conversions</source>
        <translation>&amp;Одновременные конвертации</translation>
    </message>
    <message>
        <source>One per Processor</source>
        <translation>По одной на процессор</translation>
    </message>
    <message>
        <source>Copy &amp;Tags</source>
        <translation>&amp;Копировать теги</translation>
    </message>
    <message>
        <source>Use a &amp;Video Frame as Cover</source>
        <translation>Кадр из &amp;видео как обложка</translation>
    </message>
    <message>
        <source>&amp;Copy Audio When Possible</source>
        <translation>Копировать &amp;аудио, если возможно</translation>
    </message>
    <message>
        <source>&amp;Normalize Loudness</source>
        <translation>&amp;Нормализовать громкость</translation>
    </message>
    <message>
        <source>Loudness T&amp;arget</source>
        <translation>&amp;Целевая громкость</translation>
    </message>
    <message>
        <source>%1 LUFS</source>
        <translation>%1 LUFS</translation>
    </message>
    <message>
        <source>Split by C&amp;hapters</source>
        <translation>&amp;Разделять по главам</translation>
    </message>
    <message>
        <source>S&amp;kip Files Already Converted</source>
        <translation>Пропускать &amp;уже конвертированные файлы</translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>Открыть файл</translation>
    </message>
    <message>
        <source>Add video files to extract their audio</source>
        <translation>Добавьте видеофайлы, чтобы извлечь из них звук</translation>
    </message>
    <message>
        <source>The file name &quot;%1&quot; cannot be used: %2.</source>
        <translation>Имя файла «%1» использовать нельзя: %2.</translation>
    </message>
    <message>
        <source>Split by &amp;Chapters</source>
        <translation>&amp;Разделять по главам</translation>
    </message>
    <message>
        <source>Split &amp;Points from File...</source>
        <translation>&amp;Точки разделения из файла...</translation>
    </message>
    <message>
        <source>Split Points from File</source>
        <translation>Точки разделения из файла</translation>
    </message>
    <message>
        <source>C&amp;lear Split Points</source>
        <translation>&amp;Сбросить точки разделения</translation>
    </message>
    <message>
        <source>C&amp;ut...</source>
        <translation>&amp;Обрезать...</translation>
    </message>
    <message>
        <source>&amp;Remove Cut</source>
        <translation>&amp;Убрать обрезку</translation>
    </message>
    <message>
        <source></source>
        <comment>The main window: its menus, tool bar, the preview, the Profile and Profile Settings groups, the status line below them, and its message boxes. Keep the accelerators (&amp;) unique within each menu; tool bar texts (Add Files, Help, Visit Home) sit under 32-pixel icons, so keep them short.</comment>
        <translation></translation>
    </message>
    <message>
        <source>%1 of %2 files</source>
        <translation>Файлы: %1 из %2</translation>
    </message>
    <message>
        <source> - %1x real time</source>
        <translation> — скорость %1x</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 с</translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation>%1 мин</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 ч %2 мин</translation>
    </message>
    <message>
        <source> - about %1 left</source>
        <translation> — осталось около %1</translation>
    </message>
    <message>
        <source>%L1 converted</source>
        <translation>Конвертировано: %L1</translation>
    </message>
    <message>
        <source>, %L1 skipped</source>
        <translation>, пропущено: %L1</translation>
    </message>
    <message>
        <source>, %L1 failed</source>
        <translation>, ошибок: %L1</translation>
    </message>
    <message>
        <source>, %L1 stopped</source>
        <translation>, остановлено: %L1</translation>
    </message>
    <message>
        <source>%L1 file converted</source>
        <translation>Конвертирован %L1 файл</translation>
    </message>
    <message>
        <source>%L1 files converted</source>
        <translation>Конвертировано файлов: %L1</translation>
    </message>
    <message>
        <source>%L1 of %L2 files could not be converted:</source>
        <translation>Не удалось конвертировать файлы (%L1 из %L2):</translation>
    </message>
    <message>
        <source>Converting %1 files</source>
        <translation>Конвертация файлов (%1)</translation>
    </message>
    <message>
        <source>Adding %L1 of %L2 files...</source>
        <translation>Добавление файлов: %L1 из %L2...</translation>
    </message>
    <message>
        <source>The last conversion was interrupted. Resume the %L1 remaining files?</source>
        <translation>Последняя конвертация была прервана. Продолжить с оставшимися файлами (%L1)?</translation>
    </message>
    <message>
        <source>Files to Convert</source>
        <translation>Файлы для конвертации</translation>
    </message>
    <message>
        <source>Preview Picture</source>
        <translation>Изображение просмотра</translation>
    </message>
    <message>
        <source>Preview Position</source>
        <translation>Позиция просмотра</translation>
    </message>
    <message>
        <source>Play or Pause Preview</source>
        <translation>Воспроизвести или приостановить просмотр</translation>
    </message>
    <message>
        <source>Preview Volume</source>
        <translation>Громкость просмотра</translation>
    </message>
    <message>
        <source>Total Progress</source>
        <translation>Общий прогресс</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Состояние</translation>
    </message>
    <message>
        <source>Each row reads: file name, duration, state, progress</source>
        <translation>Каждая строка содержит: имя файла, длительность, состояние, прогресс</translation>
    </message>
    <message>
        <source>Click to play or pause the selected file</source>
        <translation>Нажмите, чтобы воспроизвести или приостановить выбранный файл</translation>
    </message>
    <message>
        <source>Where the preview stands in the selected file</source>
        <translation>Текущая позиция просмотра в выбранном файле</translation>
    </message>
    <message>
        <source>Choose the folder the converted files go to</source>
        <translation>Выбор папки, в которую сохраняются конвертированные файлы</translation>
    </message>
    <message>
        <source>Show the output folder in the file manager</source>
        <translation>Показать папку вывода в файловом менеджере</translation>
    </message>
    <message>
        <source>The format the files are converted to</source>
        <translation>Формат, в который конвертируются файлы</translation>
    </message>
    <message>
        <source>&amp;Loudness</source>
        <translation>&amp;Громкость</translation>
    </message>
    <message>
        <source>Loudness</source>
        <translation>Громкость</translation>
    </message>
    <message>
        <source>Normalize as &amp;Album</source>
        <translation>Нормализовать как &amp;альбом</translation>
    </message>
    <message>
        <source>The files sharing a folder take one gain</source>
        <translation>Файлы из одной папки получают одинаковое усиление</translation>
    </message>
    <message>
        <source>Loudness: &amp;Tag Only</source>
        <translation>Громкость: только &amp;теги</translation>
    </message>
    <message>
        <source>The gain goes into tags that players apply</source>
        <translation>Усиление записывается в теги, которые учитывают проигрыватели</translation>
    </message>
    <message>
        <source>Measuring loudness: 0 of %1 files</source>
        <translation>Измерение громкости: готово 0 из %1</translation>
    </message>
    <message>
        <source>Measuring loudness: %1 of %2 files</source>
        <translation>Измерение громкости: готово %1 из %2</translation>
    </message>
    <message>
        <source>Loudness measured: %1 files</source>
        <translation>Громкость измерена, файлов: %1</translation>
    </message>
    <message>
        <source>Loudness measuring stopped</source>
        <translation>Измерение громкости остановлено</translation>
    </message>
    <message>
        <source>Analyze &amp;Loudness</source>
        <translation>&amp;Измерить громкость</translation>
    </message>
    <message numerus="yes">
        <source>%Ln file(s) could not be added - see the log</source>
        <translation>
            <numerusform>Не удалось добавить %Ln файл — см. журнал</numerusform>
            <numerusform>Не удалось добавить %Ln файла — см. журнал</numerusform>
            <numerusform>Не удалось добавить %Ln файлов — см. журнал</numerusform>
        </translation>
    </message>
    <message>
        <source>Cannot be converted: %1</source>
        <translation>Невозможно конвертировать: %1</translation>
    </message>
    <message>
        <source>Gives:</source>
        <translation>Результат:</translation>
    </message>
    <message numerus="yes">
        <source>Gives %n files:</source>
        <translation>
            <numerusform>Результат — %n файл:</numerusform>
            <numerusform>Результат — %n файла:</numerusform>
            <numerusform>Результат — %n файлов:</numerusform>
        </translation>
    </message>
    <message>
        <source>(%1 for %2)</source>
        <extracomment>A piece&apos;s start and its length: &quot;(0:02 for 0:30)&quot;.</extracomment>
        <translation>(с %1, длительность %2)</translation>
    </message>
    <message>
        <source>there already: skipped</source>
        <translation>уже существует: пропущено</translation>
    </message>
    <message>
        <source>audio copied</source>
        <translation>аудио скопировано</translation>
    </message>
    <message>
        <source>The saved file list %1 cannot be read (%2) nor set aside; the list starts empty and is not saved.</source>
        <translation>Сохранённый список файлов %1 не удаётся прочитать (%2) и отложить; список начинается пустым и не сохраняется.</translation>
    </message>
    <message>
        <source>The saved file list %1 cannot be read (%2); it was kept as %3 and the list starts empty.</source>
        <translation>Сохранённый список файлов %1 не удаётся прочитать (%2); он сохранён как %3, а список начинается пустым.</translation>
    </message>
</context>
<context>
    <name>v2m::TLogForm</name>
    <message>
        <source>Log</source>
        <translation>Журнал</translation>
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
        <translation>Показать &amp;журнал</translation>
    </message>
    <message>
        <source>Include Sub-folders</source>
        <translation>Включая вложенные папки</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>Кнопки диалога</translation>
    </message>
</context>
<context>
    <name>v2m::TSkinDialog</name>
    <message>
        <source>Select skin</source>
        <translation>Выбор оформления</translation>
    </message>
    <message>
        <source></source>
        <comment>The skin choice (File &gt; Skin): a list of looks for the window, with OK and Cancel.</comment>
        <translation></translation>
    </message>
    <message>
        <source>Skins</source>
        <translation>Варианты оформления</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>Кнопки диалога</translation>
    </message>
    <message>
        <source>System</source>
        <translation>Системное</translation>
    </message>
</context>
</TS>
