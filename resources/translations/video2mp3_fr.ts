<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>v2m::TAboutForm</name>
    <message>
        <source>About</source>
        <translation>À propos</translation>
    </message>
    <message>
        <source>Home:</source>
        <translation>Site web :</translation>
    </message>
    <message>
        <source>Support:</source>
        <translation>Assistance :</translation>
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
        <translation>Nom</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Durée</translation>
    </message>
    <message>
        <source>Original Size</source>
        <translation>Taille d&apos;origine</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>Sortie</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Progression</translation>
    </message>
    <message>
        <source>Output Size</source>
        <translation>Taille de sortie</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>Parts</source>
        <translation>Parties</translation>
    </message>
    <message>
        <source>Waiting</source>
        <translation>En attente</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Échec</translation>
    </message>
    <message>
        <source>Completed</source>
        <translation>Terminé</translation>
    </message>
    <message>
        <source>Skipped</source>
        <translation>Ignoré</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Arrêté</translation>
    </message>
    <message>
        <source>No audio</source>
        <translation>Pas de son</translation>
    </message>
    <message>
        <source>N/A</source>
        <translation>N/D</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>Qualité</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>Canaux</translation>
    </message>
    <message>
        <source>Bit Rates (Kbps)</source>
        <translation>Débit (kbit/s)</translation>
    </message>
    <message>
        <source>Volume (%)</source>
        <translation>Volume (%)</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Automatique</translation>
    </message>
    <message>
        <source>Mono</source>
        <translation>Mono</translation>
    </message>
    <message>
        <source>Stereo</source>
        <translation>Stéréo</translation>
    </message>
    <message>
        <source>Video Files</source>
        <translation>Fichiers vidéo</translation>
    </message>
    <message>
        <source>All Files</source>
        <translation>Tous les fichiers</translation>
    </message>
    <message>
        <source>Cue Sheets</source>
        <translation>Fichiers CUE</translation>
    </message>
    <message>
        <source>Text Files</source>
        <translation>Fichiers texte</translation>
    </message>
    <message>
        <source>cut does not fit</source>
        <translation>coupe hors du fichier</translation>
    </message>
    <message>
        <source>has no audio track</source>
        <translation>n&apos;a pas de piste audio</translation>
    </message>
    <message>
        <source>is not a media file the libraries can read</source>
        <translation>n&apos;est pas un fichier multimédia lisible par les bibliothèques</translation>
    </message>
    <message>
        <source>no such file</source>
        <translation>fichier introuvable</translation>
    </message>
    <message>
        <source>No space left on device</source>
        <translation>Plus de place sur le périphérique</translation>
    </message>
    <message>
        <source>Disk quota exceeded</source>
        <translation>Quota de disque dépassé</translation>
    </message>
    <message>
        <source>Read-only file system</source>
        <translation>Système de fichiers en lecture seule</translation>
    </message>
    <message>
        <source>Permission denied</source>
        <translation>Permission refusée</translation>
    </message>
    <message>
        <source>File too large</source>
        <translation>Fichier trop volumineux</translation>
    </message>
    <message>
        <source>Input/output error</source>
        <translation>Erreur d&apos;entrée/sortie</translation>
    </message>
    <message>
        <source>The cover picture is left out: %1</source>
        <translation>La pochette est omise : %1</translation>
    </message>
    <message>
        <source>the file has no such picture</source>
        <translation>le fichier ne contient pas cette image</translation>
    </message>
    <message>
        <source>it is larger than %1 MiB</source>
        <translation>elle dépasse %1 Mio</translation>
    </message>
    <message>
        <source>it is not a picture we can read</source>
        <translation>ce n&apos;est pas une image lisible</translation>
    </message>
    <message>
        <source>it does not decode as a picture</source>
        <translation>elle ne se décode pas comme une image</translation>
    </message>
    <message>
        <source>it is %1x%2 pixels, more than %3 a side</source>
        <translation>elle mesure %1×%2 pixels, plus de %3 par côté</translation>
    </message>
    <message>
        <source>The cut ends at %1, not after its start at %2</source>
        <translation>La coupe finit à %1, pas après son début à %2</translation>
    </message>
    <message>
        <source>The cut starts at %1, past the end of the file (%2)</source>
        <translation>La coupe commence à %1, après la fin du fichier (%2)</translation>
    </message>
    <message>
        <source>No piece of the file lies within the cut from %1 to %2</source>
        <translation>Aucune partie du fichier ne se trouve dans la coupe de %1 à %2</translation>
    </message>
    <message>
        <source>File name too long: %1</source>
        <translation>Nom de fichier trop long : %1</translation>
    </message>
    <message>
        <source>No free output name: %1 and %2 numbered names are taken</source>
        <translation>Aucun nom de sortie libre : %1 et %2 noms numérotés sont déjà pris</translation>
    </message>
    <message>
        <source>cannot be read</source>
        <translation>illisible</translation>
    </message>
    <message>
        <source>it is not a file</source>
        <translation>ce n&apos;est pas un fichier</translation>
    </message>
    <message>
        <source>is too large for a list of split points</source>
        <translation>est trop volumineux pour une liste de points de découpe</translation>
    </message>
    <message>
        <source>is not a cue sheet that can be read</source>
        <translation>n&apos;est pas un fichier CUE lisible</translation>
    </message>
    <message>
        <source>the cue sheet holds no track</source>
        <translation>le fichier CUE ne contient aucune piste</translation>
    </message>
    <message>
        <source>the cue sheet&apos;s tracks lie in more than one audio file</source>
        <translation>les pistes du fichier CUE se trouvent dans plusieurs fichiers audio</translation>
    </message>
    <message>
        <source>the list holds no time stamps</source>
        <translation>la liste ne contient aucun horodatage</translation>
    </message>
    <message>
        <source>there are no points to split at</source>
        <translation>il n&apos;y a aucun point de découpe</translation>
    </message>
    <message>
        <source>File name template</source>
        <translation>Modèle de nom de fichier</translation>
    </message>
    <message>
        <source>the name template is empty</source>
        <translation>le modèle de nom est vide</translation>
    </message>
    <message>
        <source>only {track} and {n} can be padded</source>
        <translation>seuls {track} et {n} peuvent être complétés par des zéros</translation>
    </message>
    <message>
        <source>write the width as :01 to :09</source>
        <translation>écrivez la largeur sous la forme :01 à :09</translation>
    </message>
    <message>
        <source>unmatched } (write }} for a brace)</source>
        <translation>} sans correspondance (écrivez }} pour une accolade)</translation>
    </message>
    <message>
        <source>unclosed { (write {{ for a brace)</source>
        <translation>{ non fermée (écrivez {{ pour une accolade)</translation>
    </message>
    <message>
        <source>track %1 has no INDEX 01</source>
        <translation>la piste %1 n&apos;a pas d&apos;INDEX 01</translation>
    </message>
    <message>
        <source>%1 is before the start of the file</source>
        <translation>%1 est avant le début du fichier</translation>
    </message>
    <message>
        <source>%1 comes before the point above it (%2)</source>
        <translation>%1 vient avant le point précédent (%2)</translation>
    </message>
    <message>
        <source>%1 repeats the point above it</source>
        <translation>%1 répète le point précédent</translation>
    </message>
    <message>
        <source>%1 is at the end of the file (%2)</source>
        <translation>%1 est à la fin du fichier (%2)</translation>
    </message>
    <message>
        <source>%1 is past the end of the file (%2)</source>
        <translation>%1 est au-delà de la fin du fichier (%2)</translation>
    </message>
    <message>
        <source>unknown placeholder {%1}</source>
        <translation>espace réservé inconnu {%1}</translation>
    </message>
    <message>
        <source>line %1</source>
        <translation>ligne %1</translation>
    </message>
    <message>
        <source>point %1</source>
        <translation>point %1</translation>
    </message>
    <message>
        <source>not a folder</source>
        <translation>ce n&apos;est pas un dossier</translation>
    </message>
    <message>
        <source>the journal is cut short</source>
        <translation>le fichier est tronqué</translation>
    </message>
    <message>
        <source>not understood</source>
        <translation>incompréhensible</translation>
    </message>
    <message>
        <source>damaged</source>
        <translation>endommagé</translation>
    </message>
    <message>
        <source>text after the end</source>
        <translation>texte après la fin</translation>
    </message>
    <message>
        <source>not a list journal</source>
        <translation>pas une liste de fichiers enregistrée</translation>
    </message>
    <message>
        <source>written by a newer version (%1)</source>
        <translation>écrite par une version plus récente (%1)</translation>
    </message>
    <message>
        <source>a track of it cannot be decoded</source>
        <translation>une de ses pistes ne peut pas être décodée</translation>
    </message>
    <message>
        <source>the encoder does not start with these settings</source>
        <translation>l&apos;encodeur ne démarre pas avec ces réglages</translation>
    </message>
    <message>
        <source>the libraries here have no encoder for this profile</source>
        <translation>les bibliothèques de ce système n&apos;ont pas d&apos;encodeur pour ce profil</translation>
    </message>
    <message>
        <source>encoding failed</source>
        <translation>l&apos;encodage a échoué</translation>
    </message>
</context>
<context>
    <name>v2m::TCutDialog</name>
    <message>
        <source>Cut</source>
        <translation>Coupe</translation>
    </message>
    <message>
        <source>Use Preview Position</source>
        <translation>Position de l&apos;aperçu</translation>
    </message>
    <message>
        <source>%1 is not a time; write h:mm:ss.xxx, mm:ss or seconds</source>
        <translation>%1 n&apos;est pas une durée ; saisissez h:mm:ss.xxx, mm:ss ou des secondes</translation>
    </message>
    <message>
        <source>The start</source>
        <translation>Le début</translation>
    </message>
    <message>
        <source>The end</source>
        <translation>La fin</translation>
    </message>
    <message>
        <source>The end must come after the start</source>
        <translation>La fin doit venir après le début</translation>
    </message>
    <message>
        <source>The start lies past the end of the file (%1)</source>
        <translation>Le début se trouve après la fin du fichier (%1)</translation>
    </message>
    <message>
        <source></source>
        <comment>The Cut dialog, from a row&apos;s context menu in the file list: the start and end of the stretch of the file to convert, typed as times or taken from the preview&apos;s position.</comment>
        <translation></translation>
    </message>
    <message>
        <source>file start</source>
        <translation>début du fichier</translation>
    </message>
    <message>
        <source>file end</source>
        <translation>fin du fichier</translation>
    </message>
    <message>
        <source>h:mm:ss.xxx, mm:ss or seconds</source>
        <translation>h:mm:ss.xxx, mm:ss ou secondes</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>&amp;Début</translation>
    </message>
    <message>
        <source>&amp;End</source>
        <translation>&amp;Fin</translation>
    </message>
    <message>
        <source>Start at the Preview Position</source>
        <translation>Début à la position de l&apos;aperçu</translation>
    </message>
    <message>
        <source>End at the Preview Position</source>
        <translation>Fin à la position de l&apos;aperçu</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>Boutons de la boîte de dialogue</translation>
    </message>
</context>
<context>
    <name>v2m::TFileListModel</name>
    <message>
        <source>re-encoded: pieces are cut to the sample</source>
        <translation>réencodé : les parties sont coupées à l&apos;échantillon près</translation>
    </message>
    <message>
        <source></source>
        <comment>The file list in the main window: tool tips, the spoken description of a row, and the Parts and Output columns&apos; counts (&quot;3 pieces, cut 3:25&quot;, &quot;song.mp3 + 2 more&quot;); times stay as they are.</comment>
        <translation></translation>
    </message>
    <message>
        <source>Converting</source>
        <translation>Conversion en cours</translation>
    </message>
    <message>
        <source>%1, %2, %3, %4 percent</source>
        <translation>%1, %2, %3, %4 pour cent</translation>
    </message>
    <message>
        <source>%1 MB</source>
        <translation>%1 Mo</translation>
    </message>
    <message numerus="yes">
        <source>%n piece(s)</source>
        <translation>
            <numerusform>%n partie</numerusform>
            <numerusform>%n parties</numerusform>
        </translation>
    </message>
    <message>
        <source>cut from %1</source>
        <translation>coupe à partir de %1</translation>
    </message>
    <message>
        <source>cut %1</source>
        <translation>coupe de %1</translation>
    </message>
    <message>
        <source>, </source>
        <translation>, </translation>
    </message>
    <message numerus="yes">
        <source>%1 + %n more</source>
        <translation>
            <numerusform>%1 + %n autre</numerusform>
            <numerusform>%1 + %n autres</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>v2m::TForm1</name>
    <message>
        <source>Audio &amp;Track</source>
        <translation>&amp;Piste audio</translation>
    </message>
    <message>
        <source>Audio Track for &amp;All</source>
        <translation>Piste audio pour &amp;tous</translation>
    </message>
    <message>
        <source>The desktop could not open this. Copy it into a browser or a file manager:

%1</source>
        <translation>Le bureau n&apos;a pas pu ouvrir ceci. Copiez-le dans un navigateur ou un gestionnaire de fichiers :

%1</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Avertissement</translation>
    </message>
    <message>
        <source>The output folder &quot;%1&quot; does not exist. Create it?</source>
        <translation>Le dossier de sortie « %1 » n&apos;existe pas. Le créer ?</translation>
    </message>
    <message>
        <source>The output folder could not be created: %1. Please select another folder.</source>
        <translation>Impossible de créer le dossier de sortie : %1. Veuillez choisir un autre dossier.</translation>
    </message>
    <message>
        <source>Output folder is unavailable. Please select another folder.</source>
        <translation>Le dossier de sortie n&apos;est pas disponible. Veuillez choisir un autre dossier.</translation>
    </message>
    <message>
        <source>Nothing to convert: no file of the list has audio</source>
        <translation>Rien à convertir : aucun fichier de la liste ne contient de son</translation>
    </message>
    <message>
        <source>Some items have been converted already, do you want to re-convert them?</source>
        <translation>Certains fichiers ont déjà été convertis. Voulez-vous les convertir à nouveau ?</translation>
    </message>
    <message>
        <source>The conversion could not be started - see the log</source>
        <translation>Impossible de démarrer la conversion – voir le journal</translation>
    </message>
    <message>
        <source>No file could be converted - see the log</source>
        <translation>Aucun fichier n&apos;a pu être converti – voir le journal</translation>
    </message>
    <message>
        <source>Cancel Conversion.</source>
        <translation>Annuler la conversion</translation>
    </message>
    <message>
        <source>Are you sure you want to cancel conversion?</source>
        <translation>Voulez-vous vraiment annuler la conversion ?</translation>
    </message>
    <message>
        <source>Convert completed.</source>
        <translation>Conversion terminée</translation>
    </message>
    <message>
        <source>Do you want to open output folder?</source>
        <translation>Voulez-vous ouvrir le dossier de sortie ?</translation>
    </message>
    <message>
        <source>Paused - </source>
        <translation>En pause – </translation>
    </message>
    <message>
        <source>The conversion libraries could not be loaded - see the log</source>
        <translation>Impossible de charger les bibliothèques de conversion – voir le journal</translation>
    </message>
    <message>
        <source>A conversion is running. Stop it and quit?</source>
        <translation>Une conversion est en cours. L&apos;arrêter et quitter ?</translation>
    </message>
    <message>
        <source>&amp;Resume</source>
        <translation>&amp;Reprendre</translation>
    </message>
    <message>
        <source>Normalize Loudness sets the volume (Convert menu)</source>
        <translation>« Normaliser le volume sonore » fixe le volume (menu Convertir)</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Vider la liste</translation>
    </message>
    <message>
        <source>Some files of the list have not been converted yet. Clear the list?</source>
        <translation>Certains fichiers de la liste n&apos;ont pas encore été convertis. Vider la liste quand même ?</translation>
    </message>
    <message>
        <source>Select folder</source>
        <translation>Choisir un dossier</translation>
    </message>
    <message>
        <source>No sound device - picture only</source>
        <translation>Aucun périphérique audio – image seule</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Aperçu</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Muet</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>Profil</translation>
    </message>
    <message>
        <source>Output Folder</source>
        <translation>Dossier de sortie</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Parcourir</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Ouvrir</translation>
    </message>
    <message>
        <source>Same folder as input </source>
        <translation>Dossier de la source </translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>Nom de fichier</translation>
    </message>
    <message>
        <source>{name} {title} {artist} {album} {albumartist} {track} {date} {year} {genre} {chapter} {n} {n:02} {profile}; &quot;/&quot; makes sub-folders</source>
        <translation>{name} {title} {artist} {album} {albumartist} {track} {date} {year} {genre} {chapter} {n} {n:02} {profile} ; « / » crée des sous-dossiers</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Progression</translation>
    </message>
    <message>
        <source>Profile Settings</source>
        <translation>Réglages du profil</translation>
    </message>
    <message>
        <source>&amp;Add Files...</source>
        <translation>&amp;Ajouter des fichiers...</translation>
    </message>
    <message>
        <source>Add Files</source>
        <translation>Ajouter</translation>
    </message>
    <message>
        <source>Add F&amp;older...</source>
        <translation>Ajouter un &amp;dossier...</translation>
    </message>
    <message>
        <source>Cancel Adding</source>
        <translation>Annuler l&apos;ajout</translation>
    </message>
    <message>
        <source>&amp;Skin</source>
        <translation>&amp;Thème</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Retirer</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>&amp;Vider</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>&amp;Démarrer</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>&amp;Pause</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Reprendre</translation>
    </message>
    <message>
        <source>St&amp;op</source>
        <translation>&amp;Arrêter</translation>
    </message>
    <message>
        <source>Convert All A&amp;gain</source>
        <translation>T&amp;out reconvertir</translation>
    </message>
    <message>
        <source>&amp;Help Content</source>
        <translation>&amp;Sommaire de l&apos;aide</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Aide</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>À &amp;propos</translation>
    </message>
    <message>
        <source>&amp;Visit Website</source>
        <translation>&amp;Visiter le site web</translation>
    </message>
    <message>
        <source>Visit Home</source>
        <translation>Site web</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Lecture</translation>
    </message>
    <message>
        <source>Stop Preview</source>
        <translation>Arrêter l&apos;aperçu</translation>
    </message>
    <message>
        <source>View &amp;Log</source>
        <translation>Afficher le &amp;journal</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Quitter</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Fichier</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>É&amp;dition</translation>
    </message>
    <message>
        <source>&amp;Convert</source>
        <translation>&amp;Convertir</translation>
    </message>
    <message>
        <source>Si&amp;multaneous Conversions</source>
        <translation>Conversions &amp;simultanées</translation>
    </message>
    <message>
        <source>One per Processor</source>
        <translation>Une par processeur</translation>
    </message>
    <message>
        <source>Copy &amp;Tags</source>
        <translation>Copier les &amp;étiquettes</translation>
    </message>
    <message>
        <source>Use a &amp;Video Frame as Cover</source>
        <translation>Image de la &amp;vidéo comme pochette</translation>
    </message>
    <message>
        <source>&amp;Copy Audio When Possible</source>
        <translation>&amp;Copier l&apos;audio si possible</translation>
    </message>
    <message>
        <source>&amp;Normalize Loudness</source>
        <translation>&amp;Normaliser le volume sonore</translation>
    </message>
    <message>
        <source>Loudness T&amp;arget</source>
        <translation>Niveau cib&amp;le</translation>
    </message>
    <message>
        <source>%1 LUFS</source>
        <translation>%1 LUFS</translation>
    </message>
    <message>
        <source>Split by C&amp;hapters</source>
        <translation>Découper par c&amp;hapitres</translation>
    </message>
    <message>
        <source>S&amp;kip Files Already Converted</source>
        <translation>I&amp;gnorer les fichiers déjà convertis</translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>Ouvrir un fichier</translation>
    </message>
    <message>
        <source>Add video files to extract their audio</source>
        <translation>Ajoutez des fichiers vidéo pour en extraire le son</translation>
    </message>
    <message>
        <source>The file name &quot;%1&quot; cannot be used: %2.</source>
        <translation>Le nom de fichier « %1 » ne peut pas être utilisé : %2.</translation>
    </message>
    <message>
        <source>Split by &amp;Chapters</source>
        <translation>Découper par &amp;chapitres</translation>
    </message>
    <message>
        <source>Split &amp;Points from File...</source>
        <translation>Points de découpe depuis un &amp;fichier...</translation>
    </message>
    <message>
        <source>Split Points from File</source>
        <translation>Points de découpe depuis un fichier</translation>
    </message>
    <message>
        <source>C&amp;lear Split Points</source>
        <translation>&amp;Effacer les points de découpe</translation>
    </message>
    <message>
        <source>C&amp;ut...</source>
        <translation>Co&amp;uper...</translation>
    </message>
    <message>
        <source>&amp;Remove Cut</source>
        <translation>&amp;Retirer la coupe</translation>
    </message>
    <message>
        <source></source>
        <comment>The main window: its menus, tool bar, the preview, the Profile and Profile Settings groups, the status line below them, and its message boxes. Keep the accelerators (&amp;) unique within each menu; tool bar texts (Add Files, Help, Visit Home) sit under 32-pixel icons, so keep them short.</comment>
        <translation></translation>
    </message>
    <message>
        <source>%1 of %2 files</source>
        <translation>%1 fichiers sur %2</translation>
    </message>
    <message>
        <source> - %1x real time</source>
        <translation> – %1 × le temps réel</translation>
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
        <translation> – environ %1 restantes</translation>
    </message>
    <message>
        <source>%L1 converted</source>
        <translation>%L1 converti(s)</translation>
    </message>
    <message>
        <source>, %L1 skipped</source>
        <translation>, %L1 ignoré(s)</translation>
    </message>
    <message>
        <source>, %L1 failed</source>
        <translation>, %L1 en échec</translation>
    </message>
    <message>
        <source>, %L1 stopped</source>
        <translation>, %L1 arrêté(s)</translation>
    </message>
    <message>
        <source>%L1 file converted</source>
        <translation>%L1 fichier converti</translation>
    </message>
    <message>
        <source>%L1 files converted</source>
        <translation>%L1 fichiers convertis</translation>
    </message>
    <message>
        <source>%L1 of %L2 files could not be converted:</source>
        <translation>%L1 fichiers sur %L2 n&apos;ont pas pu être convertis :</translation>
    </message>
    <message>
        <source>Converting %1 files</source>
        <translation>Conversion de %1 fichiers</translation>
    </message>
    <message>
        <source>Adding %L1 of %L2 files...</source>
        <translation>Ajout de %L1 fichiers sur %L2...</translation>
    </message>
    <message>
        <source>The last conversion was interrupted. Resume the %L1 remaining files?</source>
        <translation>La dernière conversion a été interrompue. Reprendre les %L1 fichiers restants ?</translation>
    </message>
    <message>
        <source>Files to Convert</source>
        <translation>Fichiers à convertir</translation>
    </message>
    <message>
        <source>Preview Picture</source>
        <translation>Image de l&apos;aperçu</translation>
    </message>
    <message>
        <source>Preview Position</source>
        <translation>Position de l&apos;aperçu</translation>
    </message>
    <message>
        <source>Play or Pause Preview</source>
        <translation>Lire ou mettre en pause l&apos;aperçu</translation>
    </message>
    <message>
        <source>Preview Volume</source>
        <translation>Volume de l&apos;aperçu</translation>
    </message>
    <message>
        <source>Total Progress</source>
        <translation>Progression totale</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>État</translation>
    </message>
    <message>
        <source>Each row reads: file name, duration, state, progress</source>
        <translation>Chaque ligne indique : nom du fichier, durée, état, progression</translation>
    </message>
    <message>
        <source>Click to play or pause the selected file</source>
        <translation>Cliquez pour lire ou mettre en pause le fichier sélectionné</translation>
    </message>
    <message>
        <source>Where the preview stands in the selected file</source>
        <translation>Position de l&apos;aperçu dans le fichier sélectionné</translation>
    </message>
    <message>
        <source>Choose the folder the converted files go to</source>
        <translation>Choisir le dossier des fichiers convertis</translation>
    </message>
    <message>
        <source>Show the output folder in the file manager</source>
        <translation>Afficher le dossier de sortie dans le gestionnaire de fichiers</translation>
    </message>
    <message>
        <source>The format the files are converted to</source>
        <translation>Le format dans lequel les fichiers sont convertis</translation>
    </message>
    <message>
        <source>&amp;Loudness</source>
        <translation>Vol&amp;ume sonore</translation>
    </message>
    <message>
        <source>Loudness</source>
        <translation>Volume sonore</translation>
    </message>
    <message>
        <source>Normalize as &amp;Album</source>
        <translation>Normaliser par &amp;album</translation>
    </message>
    <message>
        <source>The files sharing a folder take one gain</source>
        <translation>Les fichiers d&apos;un même dossier reçoivent un gain commun</translation>
    </message>
    <message>
        <source>Loudness: &amp;Tag Only</source>
        <translation>Volume sonore : &amp;étiquettes seules</translation>
    </message>
    <message>
        <source>The gain goes into tags that players apply</source>
        <translation>Le gain est écrit dans des étiquettes appliquées par les lecteurs</translation>
    </message>
    <message>
        <source>Measuring loudness: 0 of %1 files</source>
        <translation>Mesure du volume sonore : 0 fichier sur %1</translation>
    </message>
    <message>
        <source>Measuring loudness: %1 of %2 files</source>
        <translation>Mesure du volume sonore : %1 fichiers sur %2</translation>
    </message>
    <message>
        <source>Loudness measured: %1 files</source>
        <translation>Volume sonore mesuré : %1 fichiers</translation>
    </message>
    <message>
        <source>Loudness measuring stopped</source>
        <translation>Mesure du volume sonore arrêtée</translation>
    </message>
    <message>
        <source>Analyze &amp;Loudness</source>
        <translation>&amp;Analyser le volume sonore</translation>
    </message>
    <message numerus="yes">
        <source>%Ln file(s) could not be added - see the log</source>
        <translation>
            <numerusform>%Ln fichier n&apos;a pas pu être ajouté – voir le journal</numerusform>
            <numerusform>%Ln fichiers n&apos;ont pas pu être ajoutés – voir le journal</numerusform>
        </translation>
    </message>
    <message>
        <source>Cannot be converted: %1</source>
        <translation>Conversion impossible : %1</translation>
    </message>
    <message>
        <source>Gives:</source>
        <translation>Donne :</translation>
    </message>
    <message numerus="yes">
        <source>Gives %n files:</source>
        <translation>
            <numerusform>Donne %n fichier :</numerusform>
            <numerusform>Donne %n fichiers :</numerusform>
        </translation>
    </message>
    <message>
        <source>(%1 for %2)</source>
        <extracomment>A piece&apos;s start and its length: &quot;(0:02 for 0:30)&quot;.</extracomment>
        <translation>(à partir de %1, durée %2)</translation>
    </message>
    <message>
        <source>there already: skipped</source>
        <translation>déjà présent : ignoré</translation>
    </message>
    <message>
        <source>audio copied</source>
        <translation>audio copié</translation>
    </message>
    <message>
        <source>The saved file list %1 cannot be read (%2) nor set aside; the list starts empty and is not saved.</source>
        <translation>La liste de fichiers enregistrée %1 est illisible (%2) et ne peut pas être mise de côté ; la liste commence vide et n&apos;est pas enregistrée.</translation>
    </message>
    <message>
        <source>The saved file list %1 cannot be read (%2); it was kept as %3 and the list starts empty.</source>
        <translation>La liste de fichiers enregistrée %1 est illisible (%2) ; elle a été conservée sous %3 et la liste commence vide.</translation>
    </message>
</context>
<context>
    <name>v2m::TLogForm</name>
    <message>
        <source>Log</source>
        <translation>Journal</translation>
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
        <translation>Afficher le &amp;journal</translation>
    </message>
    <message>
        <source>Include Sub-folders</source>
        <translation>Inclure les sous-dossiers</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>Boutons de la boîte de dialogue</translation>
    </message>
</context>
<context>
    <name>v2m::TSkinDialog</name>
    <message>
        <source>Select skin</source>
        <translation>Choisir un thème</translation>
    </message>
    <message>
        <source></source>
        <comment>The skin choice (File &gt; Skin): a list of looks for the window, with OK and Cancel.</comment>
        <translation></translation>
    </message>
    <message>
        <source>Skins</source>
        <translation>Thèmes</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>Boutons de la boîte de dialogue</translation>
    </message>
    <message>
        <source>System</source>
        <translation>Système</translation>
    </message>
</context>
</TS>
