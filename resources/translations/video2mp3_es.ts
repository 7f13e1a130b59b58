<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<context>
    <name>v2m::TAboutForm</name>
    <message>
        <source>About</source>
        <translation>Acerca de</translation>
    </message>
    <message>
        <source>Home:</source>
        <translation>Web:</translation>
    </message>
    <message>
        <source>Support:</source>
        <translation>Soporte:</translation>
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
        <translation>Nombre</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Duración</translation>
    </message>
    <message>
        <source>Original Size</source>
        <translation>Tamaño original</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>Salida</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Progreso</translation>
    </message>
    <message>
        <source>Output Size</source>
        <translation>Tamaño final</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>Parts</source>
        <translation>Partes</translation>
    </message>
    <message>
        <source>Waiting</source>
        <translation>En espera</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Completed</source>
        <translation>Completado</translation>
    </message>
    <message>
        <source>Skipped</source>
        <translation>Omitido</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Detenido</translation>
    </message>
    <message>
        <source>No audio</source>
        <translation>Sin audio</translation>
    </message>
    <message>
        <source>N/A</source>
        <translation>N/D</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>Calidad</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>Canales</translation>
    </message>
    <message>
        <source>Bit Rates (Kbps)</source>
        <translation>Bitrate (Kbps)</translation>
    </message>
    <message>
        <source>Volume (%)</source>
        <translation>Volumen (%)</translation>
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
        <translation>Estéreo</translation>
    </message>
    <message>
        <source>Video Files</source>
        <translation>Archivos de vídeo</translation>
    </message>
    <message>
        <source>All Files</source>
        <translation>Todos los archivos</translation>
    </message>
    <message>
        <source>Cue Sheets</source>
        <translation>Archivos CUE</translation>
    </message>
    <message>
        <source>Text Files</source>
        <translation>Archivos de texto</translation>
    </message>
    <message>
        <source>cut does not fit</source>
        <translation>el recorte no cabe</translation>
    </message>
    <message>
        <source>has no audio track</source>
        <translation>no tiene pista de audio</translation>
    </message>
    <message>
        <source>is not a media file the libraries can read</source>
        <translation>no es un archivo multimedia que las bibliotecas puedan leer</translation>
    </message>
    <message>
        <source>no such file</source>
        <translation>el archivo no existe</translation>
    </message>
    <message>
        <source>No space left on device</source>
        <translation>No queda espacio en el dispositivo</translation>
    </message>
    <message>
        <source>Disk quota exceeded</source>
        <translation>Cuota de disco superada</translation>
    </message>
    <message>
        <source>Read-only file system</source>
        <translation>Sistema de archivos de solo lectura</translation>
    </message>
    <message>
        <source>Permission denied</source>
        <translation>Permiso denegado</translation>
    </message>
    <message>
        <source>File too large</source>
        <translation>Archivo demasiado grande</translation>
    </message>
    <message>
        <source>Input/output error</source>
        <translation>Error de entrada/salida</translation>
    </message>
    <message>
        <source>The cover picture is left out: %1</source>
        <translation>Se omite la imagen de portada: %1</translation>
    </message>
    <message>
        <source>the file has no such picture</source>
        <translation>el archivo no contiene esa imagen</translation>
    </message>
    <message>
        <source>it is larger than %1 MiB</source>
        <translation>ocupa más de %1 MiB</translation>
    </message>
    <message>
        <source>it is not a picture we can read</source>
        <translation>no es una imagen legible</translation>
    </message>
    <message>
        <source>it does not decode as a picture</source>
        <translation>no se puede decodificar como imagen</translation>
    </message>
    <message>
        <source>it is %1x%2 pixels, more than %3 a side</source>
        <translation>mide %1×%2 píxeles, más de %3 por lado</translation>
    </message>
    <message>
        <source>The cut ends at %1, not after its start at %2</source>
        <translation>El recorte termina en %1, no después de su inicio en %2</translation>
    </message>
    <message>
        <source>The cut starts at %1, past the end of the file (%2)</source>
        <translation>El recorte empieza en %1, después del final del archivo (%2)</translation>
    </message>
    <message>
        <source>No piece of the file lies within the cut from %1 to %2</source>
        <translation>Ninguna parte del archivo está dentro del recorte de %1 a %2</translation>
    </message>
    <message>
        <source>File name too long: %1</source>
        <translation>Nombre de archivo demasiado largo: %1</translation>
    </message>
    <message>
        <source>No free output name: %1 and %2 numbered names are taken</source>
        <translation>No hay nombre de salida libre: %1 y %2 nombres numerados están ocupados</translation>
    </message>
    <message>
        <source>cannot be read</source>
        <translation>no se puede leer</translation>
    </message>
    <message>
        <source>it is not a file</source>
        <translation>no es un archivo</translation>
    </message>
    <message>
        <source>is too large for a list of split points</source>
        <translation>es demasiado grande para una lista de puntos de división</translation>
    </message>
    <message>
        <source>is not a cue sheet that can be read</source>
        <translation>no es un archivo CUE legible</translation>
    </message>
    <message>
        <source>the cue sheet holds no track</source>
        <translation>el archivo CUE no contiene pistas</translation>
    </message>
    <message>
        <source>the cue sheet&apos;s tracks lie in more than one audio file</source>
        <translation>las pistas del archivo CUE están en más de un archivo de audio</translation>
    </message>
    <message>
        <source>the list holds no time stamps</source>
        <translation>la lista no contiene marcas de tiempo</translation>
    </message>
    <message>
        <source>there are no points to split at</source>
        <translation>no hay puntos de división</translation>
    </message>
    <message>
        <source>File name template</source>
        <translation>Plantilla de nombre de archivo</translation>
    </message>
    <message>
        <source>the name template is empty</source>
        <translation>la plantilla de nombre está vacía</translation>
    </message>
    <message>
        <source>only {track} and {n} can be padded</source>
        <translation>solo {track} y {n} pueden rellenarse con ceros</translation>
    </message>
    <message>
        <source>write the width as :01 to :09</source>
        <translation>escriba el ancho como :01 a :09</translation>
    </message>
    <message>
        <source>unmatched } (write }} for a brace)</source>
        <translation>} sin pareja (escriba }} para una llave)</translation>
    </message>
    <message>
        <source>unclosed { (write {{ for a brace)</source>
        <translation>{ sin cerrar (escriba {{ para una llave)</translation>
    </message>
    <message>
        <source>track %1 has no INDEX 01</source>
        <translation>la pista %1 no tiene INDEX 01</translation>
    </message>
    <message>
        <source>%1 is before the start of the file</source>
        <translation>%1 está antes del inicio del archivo</translation>
    </message>
    <message>
        <source>%1 comes before the point above it (%2)</source>
        <translation>%1 está antes del punto anterior (%2)</translation>
    </message>
    <message>
        <source>%1 repeats the point above it</source>
        <translation>%1 repite el punto anterior</translation>
    </message>
    <message>
        <source>%1 is at the end of the file (%2)</source>
        <translation>%1 está en el final del archivo (%2)</translation>
    </message>
    <message>
        <source>%1 is past the end of the file (%2)</source>
        <translation>%1 está después del final del archivo (%2)</translation>
    </message>
    <message>
        <source>unknown placeholder {%1}</source>
        <translation>marcador desconocido {%1}</translation>
    </message>
    <message>
        <source>line %1</source>
        <translation>línea %1</translation>
    </message>
    <message>
        <source>point %1</source>
        <translation>punto %1</translation>
    </message>
    <message>
        <source>not a folder</source>
        <translation>no es una carpeta</translation>
    </message>
    <message>
        <source>the journal is cut short</source>
        <translation>el archivo está truncado</translation>
    </message>
    <message>
        <source>not understood</source>
        <translation>no se entiende</translation>
    </message>
    <message>
        <source>damaged</source>
        <translation>dañado</translation>
    </message>
    <message>
        <source>text after the end</source>
        <translation>texto después del final</translation>
    </message>
    <message>
        <source>not a list journal</source>
        <translation>no es una lista de archivos guardada</translation>
    </message>
    <message>
        <source>written by a newer version (%1)</source>
        <translation>escrita por una versión más reciente (%1)</translation>
    </message>
    <message>
        <source>a track of it cannot be decoded</source>
        <translation>una de sus pistas no se puede decodificar</translation>
    </message>
    <message>
        <source>the encoder does not start with these settings</source>
        <translation>el codificador no arranca con estos ajustes</translation>
    </message>
    <message>
        <source>the libraries here have no encoder for this profile</source>
        <translation>las bibliotecas de este sistema no tienen codificador para este perfil</translation>
    </message>
    <message>
        <source>encoding failed</source>
        <translation>la codificación falló</translation>
    </message>
</context>
<context>
    <name>v2m::TCutDialog</name>
    <message>
        <source>Cut</source>
        <translation>Recortar</translation>
    </message>
    <message>
        <source>Use Preview Position</source>
        <translation>Usar la posición de la vista previa</translation>
    </message>
    <message>
        <source>%1 is not a time; write h:mm:ss.xxx, mm:ss or seconds</source>
        <translation>%1 no es un tiempo válido; escriba h:mm:ss.xxx, mm:ss o un número de segundos</translation>
    </message>
    <message>
        <source>The start</source>
        <translation>El inicio</translation>
    </message>
    <message>
        <source>The end</source>
        <translation>El final</translation>
    </message>
    <message>
        <source>The end must come after the start</source>
        <translation>El final debe ser posterior al inicio</translation>
    </message>
    <message>
        <source>The start lies past the end of the file (%1)</source>
        <translation>El inicio está más allá del final del archivo (%1)</translation>
    </message>
    <message>
        <source></source>
        <comment>The Cut dialog, from a row&apos;s context menu in the file list: the start and end of the stretch of the file to convert, typed as times or taken from the preview&apos;s position.</comment>
        <translation></translation>
    </message>
    <message>
        <source>file start</source>
        <translation>inicio del archivo</translation>
    </message>
    <message>
        <source>file end</source>
        <translation>final del archivo</translation>
    </message>
    <message>
        <source>h:mm:ss.xxx, mm:ss or seconds</source>
        <translation>h:mm:ss.xxx, mm:ss o segundos</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>&amp;Inicio</translation>
    </message>
    <message>
        <source>&amp;End</source>
        <translation>&amp;Final</translation>
    </message>
    <message>
        <source>Start at the Preview Position</source>
        <translation>Inicio en la posición de la vista previa</translation>
    </message>
    <message>
        <source>End at the Preview Position</source>
        <translation>Final en la posición de la vista previa</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>Botones del cuadro de diálogo</translation>
    </message>
</context>
<context>
    <name>v2m::TFileListModel</name>
    <message>
        <source>re-encoded: pieces are cut to the sample</source>
        <translation>recodificado: las partes se cortan con precisión de muestra</translation>
    </message>
    <message>
        <source></source>
        <comment>The file list in the main window: tool tips, the spoken description of a row, and the Parts and Output columns&apos; counts (&quot;3 pieces, cut 3:25&quot;, &quot;song.mp3 + 2 more&quot;); times stay as they are.</comment>
        <translation></translation>
    </message>
    <message>
        <source>Converting</source>
        <translation>Convirtiendo</translation>
    </message>
    <message>
        <source>%1, %2, %3, %4 percent</source>
        <translation>%1, %2, %3, %4 por ciento</translation>
    </message>
    <message>
        <source>%1 MB</source>
        <translation>%1 MB</translation>
    </message>
    <message numerus="yes">
        <source>%n piece(s)</source>
        <translation>
            <numerusform>%n parte</numerusform>
            <numerusform>%n partes</numerusform>
        </translation>
    </message>
    <message>
        <source>cut from %1</source>
        <translation>recorte desde %1</translation>
    </message>
    <message>
        <source>cut %1</source>
        <translation>recorte de %1</translation>
    </message>
    <message>
        <source>, </source>
        <translation>, </translation>
    </message>
    <message numerus="yes">
        <source>%1 + %n more</source>
        <translation>
            <numerusform>%1 + %n más</numerusform>
            <numerusform>%1 + %n más</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>v2m::TForm1</name>
    <message>
        <source>Audio &amp;Track</source>
        <translation>Pista de &amp;audio</translation>
    </message>
    <message>
        <source>Audio Track for &amp;All</source>
        <translation>Pista de audio para &amp;todos</translation>
    </message>
    <message>
        <source>The desktop could not open this. Copy it into a browser or a file manager:

%1</source>
        <translation>El escritorio no pudo abrir este elemento. Cópielo en un navegador o en un gestor de archivos:

%1</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Advertencia</translation>
    </message>
    <message>
        <source>The output folder &quot;%1&quot; does not exist. Create it?</source>
        <translation>La carpeta de destino «%1» no existe. ¿Desea crearla?</translation>
    </message>
    <message>
        <source>The output folder could not be created: %1. Please select another folder.</source>
        <translation>No se pudo crear la carpeta de destino: %1. Seleccione otra carpeta.</translation>
    </message>
    <message>
        <source>Output folder is unavailable. Please select another folder.</source>
        <translation>La carpeta de destino no está disponible. Seleccione otra carpeta.</translation>
    </message>
    <message>
        <source>Nothing to convert: no file of the list has audio</source>
        <translation>Nada que convertir: ningún archivo de la lista tiene audio</translation>
    </message>
    <message>
        <source>Some items have been converted already, do you want to re-convert them?</source>
        <translation>Algunos elementos ya se han convertido. ¿Desea volver a convertirlos?</translation>
    </message>
    <message>
        <source>The conversion could not be started - see the log</source>
        <translation>No se pudo iniciar la conversión - consulte el registro</translation>
    </message>
    <message>
        <source>No file could be converted - see the log</source>
        <translation>No se pudo convertir ningún archivo - consulte el registro</translation>
    </message>
    <message>
        <source>Cancel Conversion.</source>
        <translation>Cancelar la conversión.</translation>
    </message>
    <message>
        <source>Are you sure you want to cancel conversion?</source>
        <translation>¿Seguro que desea cancelar la conversión?</translation>
    </message>
    <message>
        <source>Convert completed.</source>
        <translation>Conversión completada.</translation>
    </message>
    <message>
        <source>Do you want to open output folder?</source>
        <translation>¿Desea abrir la carpeta de destino?</translation>
    </message>
    <message>
        <source>Paused - </source>
        <translation>En pausa - </translation>
    </message>
    <message>
        <source>The conversion libraries could not be loaded - see the log</source>
        <translation>No se pudieron cargar las bibliotecas de conversión - consulte el registro</translation>
    </message>
    <message>
        <source>A conversion is running. Stop it and quit?</source>
        <translation>Hay una conversión en curso. ¿Detenerla y salir?</translation>
    </message>
    <message>
        <source>&amp;Resume</source>
        <translation>&amp;Reanudar</translation>
    </message>
    <message>
        <source>Normalize Loudness sets the volume (Convert menu)</source>
        <translation>«Normalizar sonoridad» fija el volumen (menú Convertir)</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Vaciar</translation>
    </message>
    <message>
        <source>Some files of the list have not been converted yet. Clear the list?</source>
        <translation>Algunos archivos de la lista aún no se han convertido. ¿Vaciar la lista?</translation>
    </message>
    <message>
        <source>Select folder</source>
        <translation>Seleccionar carpeta</translation>
    </message>
    <message>
        <source>No sound device - picture only</source>
        <translation>Sin salida de audio - solo imagen</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vista previa</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Mudo</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>Perfil</translation>
    </message>
    <message>
        <source>Output Folder</source>
        <translation>Destino</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Examinar</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Abrir</translation>
    </message>
    <message>
        <source>Same folder as input </source>
        <translation>Carpeta de origen </translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>Nombre</translation>
    </message>
    <message>
        <source>{name} {title} {artist} {album} {albumartist} {track} {date} {year} {genre} {chapter} {n} {n:02} {profile}; &quot;/&quot; makes sub-folders</source>
        <translation>{name} {title} {artist} {album} {albumartist} {track} {date} {year} {genre} {chapter} {n} {n:02} {profile}; «/» crea subcarpetas</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Progreso</translation>
    </message>
    <message>
        <source>Profile Settings</source>
        <translation>Configuración del perfil</translation>
    </message>
    <message>
        <source>&amp;Add Files...</source>
        <translation>&amp;Añadir archivos...</translation>
    </message>
    <message>
        <source>Add Files</source>
        <translation>Añadir</translation>
    </message>
    <message>
        <source>Add F&amp;older...</source>
        <translation>Añadir &amp;carpeta...</translation>
    </message>
    <message>
        <source>Cancel Adding</source>
        <translation>Cancelar la adición</translation>
    </message>
    <message>
        <source>&amp;Skin</source>
        <translation>A&amp;pariencia</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Salir</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Quitar</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>&amp;Vaciar</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>&amp;Iniciar</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>&amp;Pausar</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Reanudar</translation>
    </message>
    <message>
        <source>St&amp;op</source>
        <translation>&amp;Detener</translation>
    </message>
    <message>
        <source>Convert All A&amp;gain</source>
        <translation>Convertir todo de nue&amp;vo</translation>
    </message>
    <message>
        <source>&amp;Help Content</source>
        <translation>&amp;Contenido de la ayuda</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Ayuda</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>Acerca &amp;de</translation>
    </message>
    <message>
        <source>&amp;Visit Website</source>
        <translation>&amp;Visitar el sitio web</translation>
    </message>
    <message>
        <source>Visit Home</source>
        <translation>Sitio web</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Reproducir</translation>
    </message>
    <message>
        <source>Stop Preview</source>
        <translation>Detener la vista previa</translation>
    </message>
    <message>
        <source>View &amp;Log</source>
        <translation>Ver &amp;registro</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Salir</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Archivo</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Editar</translation>
    </message>
    <message>
        <source>&amp;Convert</source>
        <translation>&amp;Convertir</translation>
    </message>
    <message>
        <source>Si&amp;multaneous Conversions</source>
        <translation>Conversiones &amp;simultáneas</translation>
    </message>
    <message>
        <source>One per Processor</source>
        <translation>Una por procesador</translation>
    </message>
    <message>
        <source>Copy &amp;Tags</source>
        <translation>Copiar &amp;etiquetas</translation>
    </message>
    <message>
        <source>Use a &amp;Video Frame as Cover</source>
        <translation>Usar un &amp;fotograma del vídeo como portada</translation>
    </message>
    <message>
        <source>&amp;Copy Audio When Possible</source>
        <translation>&amp;Copiar el audio cuando sea posible</translation>
    </message>
    <message>
        <source>&amp;Normalize Loudness</source>
        <translation>&amp;Normalizar sonoridad</translation>
    </message>
    <message>
        <source>Loudness T&amp;arget</source>
        <translation>&amp;Objetivo de sonoridad</translation>
    </message>
    <message>
        <source>%1 LUFS</source>
        <translation>%1 LUFS</translation>
    </message>
    <message>
        <source>Split by C&amp;hapters</source>
        <translation>Dividir por capí&amp;tulos</translation>
    </message>
    <message>
        <source>S&amp;kip Files Already Converted</source>
        <translation>Omitir arc&amp;hivos ya convertidos</translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>Abrir archivo</translation>
    </message>
    <message>
        <source>Add video files to extract their audio</source>
        <translation>Añada archivos de vídeo para extraer su audio</translation>
    </message>
    <message>
        <source>The file name &quot;%1&quot; cannot be used: %2.</source>
        <translation>No se puede usar el nombre de archivo «%1»: %2.</translation>
    </message>
    <message>
        <source>Split by &amp;Chapters</source>
        <translation>Dividir por &amp;capítulos</translation>
    </message>
    <message>
        <source>Split &amp;Points from File...</source>
        <translation>&amp;Puntos de división desde archivo...</translation>
    </message>
    <message>
        <source>Split Points from File</source>
        <translation>Puntos de división desde archivo</translation>
    </message>
    <message>
        <source>C&amp;lear Split Points</source>
        <translation>&amp;Borrar puntos de división</translation>
    </message>
    <message>
        <source>C&amp;ut...</source>
        <translation>&amp;Recortar...</translation>
    </message>
    <message>
        <source>&amp;Remove Cut</source>
        <translation>&amp;Quitar recorte</translation>
    </message>
    <message>
        <source></source>
        <comment>The main window: its menus, tool bar, the preview, the Profile and Profile Settings groups, the status line below them, and its message boxes. Keep the accelerators (&amp;) unique within each menu; tool bar texts (Add Files, Help, Visit Home) sit under 32-pixel icons, so keep them short.</comment>
        <translation></translation>
    </message>
    <message>
        <source>%1 of %2 files</source>
        <translation>%1 de %2 archivos</translation>
    </message>
    <message>
        <source> - %1x real time</source>
        <translation> - %1x tiempo real</translation>
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
        <translation> - quedan aproximadamente %1</translation>
    </message>
    <message>
        <source>%L1 converted</source>
        <translation>Convertidos: %L1</translation>
    </message>
    <message>
        <source>, %L1 skipped</source>
        <translation>, omitidos: %L1</translation>
    </message>
    <message>
        <source>, %L1 failed</source>
        <translation>, con error: %L1</translation>
    </message>
    <message>
        <source>, %L1 stopped</source>
        <translation>, detenidos: %L1</translation>
    </message>
    <message>
        <source>%L1 file converted</source>
        <translation>%L1 archivo convertido</translation>
    </message>
    <message>
        <source>%L1 files converted</source>
        <translation>%L1 archivos convertidos</translation>
    </message>
    <message>
        <source>%L1 of %L2 files could not be converted:</source>
        <translation>Archivos que no se pudieron convertir (%L1 de %L2):</translation>
    </message>
    <message>
        <source>Converting %1 files</source>
        <translation>Conversión de archivos (%1)</translation>
    </message>
    <message>
        <source>Adding %L1 of %L2 files...</source>
        <translation>Añadiendo archivos: %L1 de %L2...</translation>
    </message>
    <message>
        <source>The last conversion was interrupted. Resume the %L1 remaining files?</source>
        <translation>La última conversión se interrumpió. ¿Reanudar los archivos restantes (%L1)?</translation>
    </message>
    <message>
        <source>Files to Convert</source>
        <translation>Archivos para convertir</translation>
    </message>
    <message>
        <source>Preview Picture</source>
        <translation>Imagen de la vista previa</translation>
    </message>
    <message>
        <source>Preview Position</source>
        <translation>Posición de la vista previa</translation>
    </message>
    <message>
        <source>Play or Pause Preview</source>
        <translation>Reproducir o pausar la vista previa</translation>
    </message>
    <message>
        <source>Preview Volume</source>
        <translation>Volumen de la vista previa</translation>
    </message>
    <message>
        <source>Total Progress</source>
        <translation>Progreso total</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Estado</translation>
    </message>
    <message>
        <source>Each row reads: file name, duration, state, progress</source>
        <translation>Cada fila indica: nombre del archivo, duración, estado, progreso</translation>
    </message>
    <message>
        <source>Click to play or pause the selected file</source>
        <translation>Haga clic para reproducir o pausar el archivo seleccionado</translation>
    </message>
    <message>
        <source>Where the preview stands in the selected file</source>
        <translation>Posición de la vista previa en el archivo seleccionado</translation>
    </message>
    <message>
        <source>Choose the folder the converted files go to</source>
        <translation>Elegir la carpeta donde se guardan los archivos convertidos</translation>
    </message>
    <message>
        <source>Show the output folder in the file manager</source>
        <translation>Mostrar la carpeta de destino en el gestor de archivos</translation>
    </message>
    <message>
        <source>The format the files are converted to</source>
        <translation>El formato al que se convierten los archivos</translation>
    </message>
    <message>
        <source>&amp;Loudness</source>
        <translation>Sono&amp;ridad</translation>
    </message>
    <message>
        <source>Loudness</source>
        <translation>Sonoridad</translation>
    </message>
    <message>
        <source>Normalize as &amp;Album</source>
        <translation>&amp;Normalizar por álbum</translation>
    </message>
    <message>
        <source>The files sharing a folder take one gain</source>
        <translation>Los archivos de una misma carpeta reciben una ganancia común</translation>
    </message>
    <message>
        <source>Loudness: &amp;Tag Only</source>
        <translation>Sonoridad: solo &amp;etiquetas</translation>
    </message>
    <message>
        <source>The gain goes into tags that players apply</source>
        <translation>La ganancia se escribe en etiquetas que aplican los reproductores</translation>
    </message>
    <message>
        <source>Measuring loudness: 0 of %1 files</source>
        <translation>Midiendo la sonoridad: 0 de %1 archivos</translation>
    </message>
    <message>
        <source>Measuring loudness: %1 of %2 files</source>
        <translation>Midiendo la sonoridad: %1 de %2 archivos</translation>
    </message>
    <message>
        <source>Loudness measured: %1 files</source>
        <translation>Sonoridad medida: %1 archivos</translation>
    </message>
    <message>
        <source>Loudness measuring stopped</source>
        <translation>Medición de sonoridad detenida</translation>
    </message>
    <message>
        <source>Analyze &amp;Loudness</source>
        <translation>Analizar &amp;sonoridad</translation>
    </message>
    <message numerus="yes">
        <source>%Ln file(s) could not be added - see the log</source>
        <translation>
            <numerusform>No se pudo añadir %Ln archivo - consulte el registro</numerusform>
            <numerusform>No se pudieron añadir %Ln archivos - consulte el registro</numerusform>
        </translation>
    </message>
    <message>
        <source>Cannot be converted: %1</source>
        <translation>No se puede convertir: %1</translation>
    </message>
    <message>
        <source>Gives:</source>
        <translation>Genera:</translation>
    </message>
    <message numerus="yes">
        <source>Gives %n files:</source>
        <translation>
            <numerusform>Genera %n archivo:</numerusform>
            <numerusform>Genera %n archivos:</numerusform>
        </translation>
    </message>
    <message>
        <source>(%1 for %2)</source>
        <extracomment>A piece&apos;s start and its length: &quot;(0:02 for 0:30)&quot;.</extracomment>
        <translation>(desde %1, durante %2)</translation>
    </message>
    <message>
        <source>there already: skipped</source>
        <translation>ya existe: se omite</translation>
    </message>
    <message>
        <source>audio copied</source>
        <translation>audio copiado</translation>
    </message>
    <message>
        <source>The saved file list %1 cannot be read (%2) nor set aside; the list starts empty and is not saved.</source>
        <translation>La lista de archivos guardada %1 no se puede leer (%2) ni apartar; la lista empieza vacía y no se guarda.</translation>
    </message>
    <message>
        <source>The saved file list %1 cannot be read (%2); it was kept as %3 and the list starts empty.</source>
        <translation>La lista de archivos guardada %1 no se puede leer (%2); se ha conservado como %3 y la lista empieza vacía.</translation>
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
        <translation>Mostrar &amp;registro</translation>
    </message>
    <message>
        <source>Include Sub-folders</source>
        <translation>Incluir subcarpetas</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>Botones del cuadro de diálogo</translation>
    </message>
</context>
<context>
    <name>v2m::TSkinDialog</name>
    <message>
        <source>Select skin</source>
        <translation>Seleccionar apariencia</translation>
    </message>
    <message>
        <source></source>
        <comment>The skin choice (File &gt; Skin): a list of looks for the window, with OK and Cancel.</comment>
        <translation></translation>
    </message>
    <message>
        <source>Skins</source>
        <translation>Apariencias</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>Botones del cuadro de diálogo</translation>
    </message>
    <message>
        <source>System</source>
        <translation>Sistema</translation>
    </message>
</context>
</TS>
