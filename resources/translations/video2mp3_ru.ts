<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru">
<context>
    <name>v2m::TAboutForm</name>
    <message>
        <source>About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Home:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Support:</source>
        <translation type="unfinished"></translation>
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
        <comment>Words the conversion logic names and the main window shows: the file list&apos;s column titles, a row&apos;s state in its Progress column, the labels and items of the four lists in Profile Settings, and the names of the file dialogs&apos; filters. The log keeps them in English.</comment>
        <translation></translation>
    </message>
    <message>
        <source>Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Duration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Original Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Progress</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Audio</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Parts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Waiting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Completed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Skipped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No audio</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>N/A</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quality</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channels</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bit Rates (Kbps)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Volume (%)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Auto</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mono</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stereo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Video Files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All Files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cue Sheets</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Text Files</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>v2m::TCutDialog</name>
    <message>
        <source>Cut</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use Preview Position</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is not a time; write h:mm:ss.xxx, mm:ss or seconds</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The end</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The end must come after the start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The start lies past the end of the file (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source></source>
        <comment>The Cut dialog, from a row&apos;s context menu in the file list: the start and end of the stretch of the file to convert, typed as times or taken from the preview&apos;s position.</comment>
        <translation></translation>
    </message>
    <message>
        <source>file start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>file end</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>h:mm:ss.xxx, mm:ss or seconds</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;End</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start at the Preview Position</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>End at the Preview Position</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>v2m::TFileListModel</name>
    <message>
        <source>re-encoded: pieces are cut to the sample</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source></source>
        <comment>The file list in the main window: tool tips and the spoken description of a row.</comment>
        <translation></translation>
    </message>
    <message>
        <source>Converting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1, %2, %3, %4 percent</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 MB</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>v2m::TForm1</name>
    <message>
        <source>Audio &amp;Track</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Audio Track for &amp;All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The desktop could not open this. Copy it into a browser or a file manager:

%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Warning</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The output folder &quot;%1&quot; does not exist. Create it?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The output folder could not be created: %1. Please select another folder.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output folder is unavailable. Please select another folder.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing to convert: no file of the list has audio</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Some items have been converted already, do you want to re-convert them?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The conversion could not be started - see the log</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No file could be converted - see the log</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel Conversion.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure you want to cancel conversion?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Convert completed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Do you want to open output folder?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Paused - </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The conversion libraries could not be loaded - see the log</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A conversion is running. Stop it and quit?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Resume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Normalize Loudness sets the volume (Convert menu)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Some files of the list have not been converted yet. Clear the list?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No sound device - picture only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preview</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mute</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Browse</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Same folder as input </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>{name} {title} {artist} {album} {albumartist} {track} {date} {year} {genre} {chapter} {n} {n:02} {profile}; &quot;/&quot; makes sub-folders</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Progress</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Profile Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Add Files...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add F&amp;older...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel Adding</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Skin</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>St&amp;op</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Convert All A&amp;gain</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help Content</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Visit Website</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Visit Home</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop Preview</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>View &amp;Log</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Convert</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Si&amp;multaneous Conversions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>One per Processor</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy &amp;Tags</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use a &amp;Video Frame as Cover</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Copy Audio When Possible</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Normalize Loudness</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Loudness T&amp;arget</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 LUFS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Split by C&amp;hapters</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>S&amp;kip Files Already Converted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add video files to extract their audio</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file name &quot;%1&quot; cannot be used: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Split by &amp;Chapters</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Split &amp;Points from File...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Split Points from File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>C&amp;lear Split Points</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>C&amp;ut...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Remove Cut</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source></source>
        <comment>The main window: its menus, tool bar, the preview, the Profile and Profile Settings groups, the status line below them, and its message boxes. Keep the accelerators (&amp;) unique within each menu; tool bar texts (Add Files, Help, Visit Home) sit under 32-pixel icons, so keep them short.</comment>
        <translation></translation>
    </message>
    <message>
        <source>%1 of %2 files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> - %1x real time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> - about %1 left</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%L1 converted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, %L1 skipped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, %L1 failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, %L1 stopped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%L1 file converted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%L1 files converted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%L1 of %L2 files could not be converted:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Converting %1 files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adding %L1 of %L2 files...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%L1 files could not be added - see the log</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The last conversion was interrupted. Resume the %L1 remaining files?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Files to Convert</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preview Picture</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preview Position</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play or Pause Preview</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preview Volume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Total Progress</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Status</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Each row reads: file name, duration, state, progress</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Click to play or pause the selected file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Where the preview stands in the selected file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose the folder the converted files go to</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show the output folder in the file manager</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The format the files are converted to</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>v2m::TLogForm</name>
    <message>
        <source>Log</source>
        <translation type="unfinished"></translation>
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
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Include Sub-folders</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>v2m::TSkinDialog</name>
    <message>
        <source>Select skin</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source></source>
        <comment>The skin choice (File &gt; Skin): a list of looks for the window, with OK and Cancel.</comment>
        <translation></translation>
    </message>
    <message>
        <source>Skins</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
