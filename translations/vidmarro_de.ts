<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CCFuncs</name>
    <message>
        <source>This clip cannot go into a playlist because its name holds a double quote, a line break or another control character:
%1</source>
        <translation>Dieser Clip kann in keine Playlist aufgenommen werden, weil sein Name ein doppeltes Anführungszeichen, einen Zeilenumbruch oder ein anderes Steuerzeichen enthält:
%1</translation>
    </message>
    <message>
        <source>%1
is not a playlist that Vidmarro can read: it holds binary data.</source>
        <translation>%1
ist keine Playlist, die Vidmarro lesen kann: Sie enthält Binärdaten.</translation>
    </message>
    <message>
        <source>%1
refers to a clip whose name is not valid text on this system, so it cannot be kept:
%2</source>
        <translation>%1
verweist auf einen Clip, dessen Name auf diesem System kein gültiger Text ist; er kann daher nicht übernommen werden:
%2</translation>
    </message>
    <message>
        <source>Cannot write %1:
%2 is a file, where a folder should be.</source>
        <translation>%1 kann nicht geschrieben werden:
%2 ist eine Datei, wo ein Ordner sein sollte.</translation>
    </message>
</context>
<context>
    <name>ClipTypes</name>
    <message>
        <source>All file types (*.*)</source>
        <extracomment>File dialog filters: keep the patterns in brackets.</extracomment>
        <translation>Alle Dateitypen (*.*)</translation>
    </message>
    <message>
        <source>Audio (music) files (*.asf *.mp2 *.mp3 *.wav *.mid *.wma *.aif *.au *.wax)</source>
        <translation>Audiodateien (Musik) (*.asf *.mp2 *.mp3 *.wav *.mid *.wma *.aif *.au *.wax)</translation>
    </message>
    <message>
        <source>Video (movie) files (*.mpg *.mpeg *.asf *.m1v *.wmv *.avi *.mov *.qt *.wvx *.fli *.flc *.mpe)</source>
        <translation>Videodateien (Filme) (*.mpg *.mpeg *.asf *.m1v *.wmv *.avi *.mov *.qt *.wvx *.fli *.flc *.mpe)</translation>
    </message>
    <message>
        <source>Other audio and video files (*.mp4 *.m4a *.m4v *.mkv *.mka *.webm *.ogg *.oga *.ogv *.opus *.flac *.aac *.ac3 *.3gp *.ts *.m2ts *.mts *.vob *.flv *.aiff *.wv *.ape *.midi *.kar)</source>
        <translation>Andere Audio- und Videodateien (*.mp4 *.m4a *.m4v *.mkv *.mka *.webm *.ogg *.oga *.ogv *.opus *.flac *.aac *.ac3 *.3gp *.ts *.m2ts *.mts *.vob *.flv *.aiff *.wv *.ape *.midi *.kar)</translation>
    </message>
</context>
<context>
    <name>DesktopServices</name>
    <message>
        <source>Win32 Error.  Code: %1.</source>
        <translation>Win32-Fehler.  Code: %1.</translation>
    </message>
    <message>
        <source>A Win32 API function failed</source>
        <translation>Eine Win32-API-Funktion ist fehlgeschlagen</translation>
    </message>
</context>
<context>
    <name>DesktopSession</name>
    <message>
        <source>Playing a video</source>
        <translation>Ein Video wird abgespielt</translation>
    </message>
</context>
<context>
    <name>FileResult</name>
    <message>
        <source>File not found</source>
        <translation>Datei nicht gefunden</translation>
    </message>
    <message>
        <source>Invalid filename</source>
        <translation>Ungültiger Dateiname</translation>
    </message>
    <message>
        <source>Too many open files</source>
        <translation>Zu viele offene Dateien</translation>
    </message>
    <message>
        <source>File access denied</source>
        <translation>Dateizugriff verweigert</translation>
    </message>
    <message>
        <source>Disk full</source>
        <translation>Datenträger voll</translation>
    </message>
    <message>
        <source>I/O error %1</source>
        <translation>E/A-Fehler %1</translation>
    </message>
</context>
<context>
    <name>FolderBrowser</name>
    <message>
        <source>Browse for Folder</source>
        <translation>Ordner suchen</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Ordner</translation>
    </message>
</context>
<context>
    <name>FolderScan</name>
    <message>
        <source>Looking for clips in %1 and the folders inside it...
%2 files looked at</source>
        <translation>Suche nach Clips in %1 und den Ordnern darin...
%2 Dateien durchgesehen</translation>
    </message>
    <message>
        <source>There are no clips in %1 or in the folders inside it.</source>
        <translation>In %1 und den Ordnern darin gibt es keine Clips.</translation>
    </message>
</context>
<context>
    <name>IniFile</name>
    <message>
        <source>Unable to write to %1</source>
        <translation>%1 kann nicht geschrieben werden</translation>
    </message>
</context>
<context>
    <name>MidiRender</name>
    <message>
        <source>File not found</source>
        <translation>Datei nicht gefunden</translation>
    </message>
    <message>
        <source>Not a MIDI file</source>
        <translation>Keine MIDI-Datei</translation>
    </message>
    <message>
        <source>No General MIDI soundfont is installed</source>
        <translation>Kein General-MIDI-Soundfont installiert</translation>
    </message>
    <message>
        <source>The WAV file could not be written</source>
        <translation>Die WAV-Datei konnte nicht geschrieben werden</translation>
    </message>
    <message>
        <source>The MIDI synthesiser could not be loaded</source>
        <translation>Der MIDI-Synthesizer konnte nicht geladen werden</translation>
    </message>
    <message>
        <source>The soundfont could not be loaded</source>
        <translation>Der Soundfont konnte nicht geladen werden</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>Abgebrochen</translation>
    </message>
</context>
<context>
    <name>ModuleLoader</name>
    <message>
        <source>The program&apos;s module vidmarro-engine could not be loaded.</source>
        <translation>Das Programmmodul vidmarro-engine konnte nicht geladen werden.</translation>
    </message>
</context>
<context>
    <name>MpvControls</name>
    <message>
        <source>Seek</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Position in the playing clip</source>
        <translation>Position im laufenden Clip</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Wiedergabe</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Previous</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Weiter</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Stumm</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Lautstärke</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
</context>
<context>
    <name>MpvPlayer</name>
    <message>
        <source>Media player</source>
        <translation>Medienwiedergabe</translation>
    </message>
    <message>
        <source>The media engine could not be started.</source>
        <translation>Die Medien-Engine konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Bereit</translation>
    </message>
    <message>
        <source>Opening</source>
        <translation>Wird geöffnet</translation>
    </message>
    <message>
        <source>Playing</source>
        <translation>Wiedergabe</translation>
    </message>
    <message>
        <source>Paused</source>
        <translation>Angehalten</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Gestoppt</translation>
    </message>
    <message>
        <source>Resumed at %1</source>
        <translation>Fortgesetzt bei %1</translation>
    </message>
</context>
<context>
    <name>Playlists</name>
    <message>
        <source>Other playlists (*.m3u *.m3u8 *.pls *.xspf)</source>
        <translation>Andere Playlists (*.m3u *.m3u8 *.pls *.xspf)</translation>
    </message>
    <message>
        <source>This clip cannot go into a playlist because its name holds a line break or another control character:
%1</source>
        <translation>Dieser Clip kann nicht in eine Playlist, weil sein Name einen Zeilenumbruch oder ein anderes Steuerzeichen enthält:
%1</translation>
    </message>
    <message>
        <source>This clip cannot go into this playlist because its name cannot be written in the playlist&apos;s text encoding:
%1</source>
        <translation>Dieser Clip kann nicht in diese Playlist, weil sich sein Name in der Textkodierung der Playlist nicht schreiben lässt:
%1</translation>
    </message>
    <message>
        <source>%1
is not a playlist that Vidmarro can read: it holds binary data.</source>
        <translation>%1
ist keine Playlist, die Vidmarro lesen kann: Sie enthält Binärdaten.</translation>
    </message>
    <message>
        <source>%1
is too large to be read as a playlist.</source>
        <translation>%1
ist zu groß, um als Playlist gelesen zu werden.</translation>
    </message>
    <message>
        <source>%1
is not a playlist that Vidmarro can read: it is no XSPF playlist.</source>
        <translation>%1
ist keine Playlist, die Vidmarro lesen kann: Sie ist keine XSPF-Playlist.</translation>
    </message>
</context>
<context>
    <name>Prompts</name>
    <message>
        <source>Out of memory</source>
        <translation>Nicht genügend Arbeitsspeicher</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Bestätigen</translation>
    </message>
</context>
<context>
    <name>SafeFile</name>
    <message>
        <source>Not saved to %1: it is a symbolic link that another user could have placed or redirected.</source>
        <translation>Nicht in %1 gespeichert: Es ist eine symbolische Verknüpfung, die ein anderer Benutzer angelegt oder umgelenkt haben könnte.</translation>
    </message>
</context>
<context>
    <name>ShellFileOperation</name>
    <message>
        <source>The copy of %1 is incomplete.</source>
        <translation>Die Kopie von %1 ist unvollständig.</translation>
    </message>
    <message>
        <source>The source and destination file names are the same.</source>
        <translation>Quell- und Zieldateiname sind gleich.</translation>
    </message>
    <message>
        <source>Cannot find the specified file.</source>
        <translation>Die angegebene Datei wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>The destination folder is a subfolder of the source folder.</source>
        <translation>Der Zielordner ist ein Unterordner des Quellordners.</translation>
    </message>
    <message>
        <source>A file of that name is in the way.</source>
        <translation>Eine Datei dieses Namens ist im Weg.</translation>
    </message>
    <message>
        <source>A folder of that name is in the way.</source>
        <translation>Ein Ordner dieses Namens ist im Weg.</translation>
    </message>
    <message>
        <source>Unknown file operation %1.</source>
        <translation>Unbekannter Dateivorgang %1.</translation>
    </message>
    <message>
        <source>Cannot copy %1: %2</source>
        <extracomment>%1: a file name; %2: the reason.</extracomment>
        <translation>%1 kann nicht kopiert werden: %2</translation>
    </message>
    <message>
        <source>Cannot move %1: %2</source>
        <translation>%1 kann nicht verschoben werden: %2</translation>
    </message>
    <message>
        <source>Cannot delete %1: %2</source>
        <translation>%1 kann nicht gelöscht werden: %2</translation>
    </message>
    <message>
        <source>No destination folder was given.</source>
        <translation>Es wurde kein Zielordner angegeben.</translation>
    </message>
    <message>
        <source>The folder &quot;%1&quot; does not exist.

Do you want to create it?</source>
        <translation>Der Ordner „%1“ existiert nicht.

Soll er erstellt werden?</translation>
    </message>
    <message>
        <source>Confirm Folder Create</source>
        <translation>Ordner erstellen bestätigen</translation>
    </message>
    <message>
        <source>The destination is not a folder.</source>
        <translation>Das Ziel ist kein Ordner.</translation>
    </message>
    <message>
        <source>This folder already contains a folder named &quot;%1&quot;.

Do you want to replace the existing folder?</source>
        <translation>Dieser Ordner enthält bereits einen Ordner namens „%1“.

Soll der vorhandene Ordner ersetzt werden?</translation>
    </message>
    <message>
        <source>This folder already contains a file named &quot;%1&quot;.

Do you want to replace the existing file?</source>
        <translation>Dieser Ordner enthält bereits eine Datei namens „%1“.

Soll die vorhandene Datei ersetzt werden?</translation>
    </message>
    <message>
        <source>Confirm File Replace</source>
        <translation>Ersetzen der Datei bestätigen</translation>
    </message>
    <message>
        <source>Copying</source>
        <extracomment>Before a file&apos;s name in the progress window.</extracomment>
        <translation>Kopiere</translation>
    </message>
    <message>
        <source>Moving</source>
        <translation>Verschiebe</translation>
    </message>
    <message>
        <source>Moving to the trash</source>
        <translation>Verschiebe in den Papierkorb</translation>
    </message>
    <message>
        <source>Deleting</source>
        <translation>Lösche</translation>
    </message>
    <message>
        <source>Error Copying File or Folder</source>
        <translation>Fehler beim Kopieren der Datei oder des Ordners</translation>
    </message>
    <message>
        <source>Error Moving File or Folder</source>
        <translation>Fehler beim Verschieben der Datei oder des Ordners</translation>
    </message>
    <message>
        <source>Error Deleting File or Folder</source>
        <translation>Fehler beim Löschen der Datei oder des Ordners</translation>
    </message>
    <message>
        <source>Confirm File Delete</source>
        <translation>Löschen der Datei bestätigen</translation>
    </message>
    <message>
        <source>Confirm Multiple File Delete</source>
        <translation>Löschen mehrerer Dateien bestätigen</translation>
    </message>
    <message>
        <source>Are you sure you want to move &quot;%1&quot; to the trash?</source>
        <translation>Soll „%1“ wirklich in den Papierkorb verschoben werden?</translation>
    </message>
    <message>
        <source>Are you sure you want to permanently delete &quot;%1&quot;?</source>
        <translation>Soll „%1“ wirklich endgültig gelöscht werden?</translation>
    </message>
    <message>
        <source>Are you sure you want to move these %1 items to the trash?</source>
        <translation>Sollen diese %1 Elemente wirklich in den Papierkorb verschoben werden?</translation>
    </message>
    <message>
        <source>Are you sure you want to permanently delete these %1 items?</source>
        <translation>Sollen diese %1 Elemente wirklich endgültig gelöscht werden?</translation>
    </message>
    <message>
        <source>Unable to move %1 to the trash: %2</source>
        <translation>%1 kann nicht in den Papierkorb verschoben werden: %2</translation>
    </message>
    <message>
        <source>Unable to record %1 in the trash (%2); the file is at %3</source>
        <translation>%1 kann nicht im Papierkorb verzeichnet werden (%2); die Datei liegt unter %3</translation>
    </message>
    <message>
        <source>Cannot move %1 to the trash: %2</source>
        <translation>%1 kann nicht in den Papierkorb verschoben werden: %2</translation>
    </message>
    <message>
        <source>Folders are moved to another file system one file at a time.</source>
        <translation>Ordner werden Datei für Datei in ein anderes Dateisystem verschoben.</translation>
    </message>
    <message>
        <source>Cannot move %1 to the trash</source>
        <translation>%1 kann nicht in den Papierkorb verschoben werden</translation>
    </message>
</context>
<context>
    <name>ShellProgressWindow</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>From %1</source>
        <extracomment>%1, %2: folders.</extracomment>
        <translation>Aus %1</translation>
    </message>
    <message>
        <source>From %1 to %2</source>
        <translation>Von %1 nach %2</translation>
    </message>
    <message>
        <source>%1 of %2 items</source>
        <translation>%1 von %2 Elementen</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <extracomment>%1 and %2: sizes, &quot;1.5 MiB&quot;.</extracomment>
        <translation>%1 von %2</translation>
    </message>
</context>
<context>
    <name>TActionForm</name>
    <message>
        <source>Vidmarro - Media File Manager</source>
        <translation>Vidmarro - Mediendateiverwaltung</translation>
    </message>
    <message>
        <source>Action Box</source>
        <translation>Aktionsliste</translation>
    </message>
    <message>
        <source>--&gt;</source>
        <translation>--&gt;</translation>
    </message>
    <message>
        <source>&lt;--</source>
        <translation>&lt;--</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Alle wählen</translation>
    </message>
    <message>
        <source>Clear All</source>
        <translation>Keine wählen</translation>
    </message>
    <message>
        <source>Confirm by selecting and moving clips to the 
right-hand Action Box. The simplest way to move 
all clips is to click on Select All, and then click on 
the right arrow button.  After the Action Box has 
your choice of clips, Choose Action you wish to 
perform.
Finally, click the Go! button.  </source>
        <translation>Wählen Sie Clips aus und verschieben Sie sie 
in die rechte Aktionsliste. Am einfachsten 
klicken Sie auf Alle wählen und dann auf den 
Pfeil nach rechts.  Enthält die Aktionsliste 
Ihre Clips, wählen Sie unter Aktion wählen, 
was geschehen soll.
Klicken Sie zum Schluss auf Los!  </translation>
    </message>
    <message>
        <source> Choose Action </source>
        <translation> Aktion wählen </translation>
    </message>
    <message>
        <source>Delete C;lip</source>
        <translation>Clip löschen</translation>
    </message>
    <message>
        <source>Copy  to another folder</source>
        <translation>In Ordner kopieren</translation>
    </message>
    <message>
        <source>Move to another folder</source>
        <translation>In Ordner verschieben</translation>
    </message>
    <message>
        <source>Add to existing playlist</source>
        <translation>Zu vorhandener Playlist</translation>
    </message>
    <message>
        <source>Add to new playlist</source>
        <translation>Zu neuer Playlist</translation>
    </message>
    <message>
        <source>Go!</source>
        <translation>Los!</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
    <message>
        <source>Playlist for Adding Clips</source>
        <translation>Playlist zum Hinzufügen der Clips</translation>
    </message>
    <message>
        <source>Playlists (*.asx)</source>
        <extracomment>A file dialog filter: keep the pattern in brackets.</extracomment>
        <translation>Playlists (*.asx)</translation>
    </message>
    <message>
        <source>Name for New Playlist  (don&apos;t enter extension)</source>
        <translation>Name der neuen Playlist  (ohne Dateiendung eingeben)</translation>
    </message>
    <message>
        <source>Playlist (*.asx)</source>
        <extracomment>A file dialog filter: keep the pattern in brackets.</extracomment>
        <translation>Playlist (*.asx)</translation>
    </message>
    <message>
        <source>Marked clips</source>
        <translation>Markierte Clips</translation>
    </message>
    <message>
        <source>Move to Action Box</source>
        <translation>In die Aktionsliste</translation>
    </message>
    <message>
        <source>Move back</source>
        <translation>Zurücklegen</translation>
    </message>
    <message>
        <source>How to act on the marked clips</source>
        <translation>So bearbeiten Sie die markierten Clips</translation>
    </message>
    <message>
        <source>ERROR: no files have been put in right-hand &quot;Action Box&quot;</source>
        <translation>FEHLER: Es wurden keine Dateien in die rechte „Aktionsliste“ gelegt</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Source and destination directories can NOT be the same</source>
        <translation>Quell- und Zielordner dürfen NICHT gleich sein</translation>
    </message>
    <message>
        <source>Ready to COPY clip from %1 to %2</source>
        <extracomment>%1: the clips&apos; folder; %2: the folder chosen.</extracomment>
        <translation>Bereit, den Clip von %1 nach %2 zu KOPIEREN</translation>
    </message>
    <message>
        <source>Ready to COPY clips from %1 to %2</source>
        <translation>Bereit, die Clips von %1 nach %2 zu KOPIEREN</translation>
    </message>
    <message>
        <source>Ready to MOVE clip from %1 to %2</source>
        <translation>Bereit, den Clip von %1 nach %2 zu VERSCHIEBEN</translation>
    </message>
    <message>
        <source>Ready to MOVE clips from %1 to %2</source>
        <translation>Bereit, die Clips von %1 nach %2 zu VERSCHIEBEN</translation>
    </message>
    <message>
        <source>Playlist with that name already exists!<byte value="xd"/>OK to overwrite?</source>
        <translation>Eine Playlist mit diesem Namen gibt es schon!<byte value="xd"/>Überschreiben?</translation>
    </message>
</context>
<context>
    <name>TConfirmKill</name>
    <message>
        <source>Confirm clip deletion from playlist</source>
        <translation>Entfernen des Clips aus der Playlist bestätigen</translation>
    </message>
    <message>
        <source>Are you sure you want to delete selected clip from the playlist?</source>
        <translation>Den gewählten Clip wirklich aus der Playlist entfernen?</translation>
    </message>
    <message>
        <source>Send clip to the Recycle Bin also</source>
        <translation>Clip auch in den Papierkorb</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Ja</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Nein</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>Vidmarro Player, Flexible Playlist Editor &amp; Clip Manager 3.0</source>
        <translation>Vidmarro Player, flexibler Playlist-Editor &amp; Clip-Verwaltung 3.0</translation>
    </message>
    <message>
        <source>  Click Select Clips to pick audio and/or video clip(s)  or click
  Load Playlist to use a previously saved Playlist. Either way,
  in a second or so the Player window will appear.  
  Edit Playlist is where you can  add, move, delete or sort clips 
  from an existing Playlist, or erase a Playlist completely.</source>
        <translation>  Mit „Clip(s) wählen“ suchen Sie Audio- oder Videoclips aus,
  mit „Playlist laden“ eine gespeicherte Playlist. So oder so
  erscheint nach etwa einer Sekunde das Player-Fenster.
  Mit „Bearbeiten“ fügen Sie Clips einer Playlist hinzu, verschieben,
  löschen oder sortieren sie, oder Sie löschen die ganze Playlist.</translation>
    </message>
    <message>
        <source>  Playlist  </source>
        <translation>  Playlist  </translation>
    </message>
    <message>
        <source>&amp;Select Clip(s)</source>
        <translation>Clip(s) &amp;wählen</translation>
    </message>
    <message>
        <source>Create New Playlist</source>
        <translation>Neue Playlist erstellen</translation>
    </message>
    <message>
        <source>&amp;Load Playlist</source>
        <translation>Playlist &amp;laden</translation>
    </message>
    <message>
        <source>Open Existing Playlist</source>
        <translation>Vorhandene Playlist öffnen</translation>
    </message>
    <message>
        <source>&amp;Edit Playlist</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>Modify existing playlist</source>
        <translation>Vorhandene Playlist ändern</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
    <message>
        <source>Visit our website</source>
        <translation>Besuchen Sie unsere Website</translation>
    </message>
    <message>
        <source>Vidmarro is free to use.  However, if you wish to offer</source>
        <translation>Vidmarro ist kostenlos.  Wenn Sie uns dennoch danken oder</translation>
    </message>
    <message>
        <source>appreciation or support, feel free to make a </source>
        <translation>helfen möchten, freuen wir uns über eine </translation>
    </message>
    <message>
        <source>donation</source>
        <translation>Spende</translation>
    </message>
    <message>
        <source> Would you like a slick way to manage your entire music collection? </source>
        <translation> Möchten Sie Ihre ganze Musiksammlung bequem verwalten? </translation>
    </message>
    <message>
        <source>Download free trial version of Melnoria Music Collection Manager</source>
        <translation>Kostenlose Testversion von Melnoria Music Collection Manager laden</translation>
    </message>
    <message>
        <source> Today&apos;s top 100: </source>
        <translation> Die Top 100 von heute: </translation>
    </message>
    <message>
        <source>Videos-VHS</source>
        <translation>Videos-VHS</translation>
    </message>
    <message>
        <source>Videos-DVD</source>
        <translation>Videos-DVD</translation>
    </message>
    <message>
        <source>Music</source>
        <translation>Musik</translation>
    </message>
    <message>
        <source>Books</source>
        <translation>Bücher</translation>
    </message>
    <message>
        <source>Toys &amp;&amp; Games</source>
        <translation>Spielzeug</translation>
    </message>
    <message>
        <source>Toys &amp; Games by age</source>
        <translation>Spielzeug &amp; Spiele nach Alter</translation>
    </message>
    <message>
        <source>Select clip(s)</source>
        <translation>Clip(s) wählen</translation>
    </message>
    <message>
        <source>Select Playlist</source>
        <translation>Playlist wählen</translation>
    </message>
    <message>
        <source>Play Lists (*.asx)</source>
        <extracomment>A file dialog filter: keep the pattern in brackets.</extracomment>
        <translation>Playlists (*.asx)</translation>
    </message>
    <message>
        <source>do NOT include extension in filename</source>
        <translation>Dateinamen OHNE Endung eingeben</translation>
    </message>
    <message>
        <source>PlayList (*.asx)</source>
        <extracomment>A file dialog filter: keep the pattern in brackets.</extracomment>
        <translation>Playlist (*.asx)</translation>
    </message>
    <message>
        <source>Playlist</source>
        <extracomment>The name first offered for a saved playlist.</extracomment>
        <translation>Playlist</translation>
    </message>
    <message>
        <source>Guide</source>
        <translation>Anleitung</translation>
    </message>
    <message>
        <source>ERROR:<byte value="xd"/>It seems the Windows Media Player is not installed<byte value="xd"/>Please download + install latest version available free from<byte value="xd"/> </source>
        <translation>FEHLER:<byte value="xd"/>Der Windows Media Player scheint nicht installiert zu sein<byte value="xd"/>Bitte laden und installieren Sie die neueste kostenlose Version von<byte value="xd"/> </translation>
    </message>
    <message>
        <source>Save Playlist?</source>
        <translation>Playlist speichern?</translation>
    </message>
    <message>
        <source>&quot;%1&quot; lists no clips to play.</source>
        <translation>„%1“ enthält keine Clips zum Abspielen.</translation>
    </message>
    <message>
        <source>Warning: %1 clip(s) could not be found.<byte value="xd"/>Will play any remaining clips</source>
        <translation>Warnung: %1 Clip(s) wurden nicht gefunden.<byte value="xd"/>Die übrigen Clips werden abgespielt</translation>
    </message>
    <message>
        <source>it is a device, not a file</source>
        <translation>es ist ein Gerät, keine Datei</translation>
    </message>
    <message>
        <source>it is a pipe, not a file</source>
        <translation>es ist eine Pipe, keine Datei</translation>
    </message>
    <message>
        <source>it is not a plain file</source>
        <translation>es ist keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>you are not allowed to read it</source>
        <translation>Sie dürfen sie nicht lesen</translation>
    </message>
    <message>
        <source>it cannot be read (%1)</source>
        <extracomment>%1: the system&apos;s reason.</extracomment>
        <translation>sie kann nicht gelesen werden (%1)</translation>
    </message>
    <message>
        <source>Cannot open %1: %2.</source>
        <extracomment>%1: a quoted file name; %2: why, in a few words.</extracomment>
        <translation>%1 kann nicht geöffnet werden: %2.</translation>
    </message>
    <message>
        <source>Cannot open &quot;%1&quot;: Vidmarro plays files on this computer, not web addresses.</source>
        <translation>„%1“ kann nicht geöffnet werden: Vidmarro spielt Dateien auf diesem Computer ab, keine Webadressen.</translation>
    </message>
    <message>
        <source>Cannot open %1: its name is not valid text on this system.</source>
        <translation>%1 kann nicht geöffnet werden: Der Name ist auf diesem System kein gültiger Text.</translation>
    </message>
    <message>
        <source>Cannot open %1: the file does not exist.</source>
        <translation>%1 kann nicht geöffnet werden: Die Datei existiert nicht.</translation>
    </message>
    <message>
        <source>Cannot open %1: it is neither an audio or video clip nor a playlist (.asx).</source>
        <translation>%1 kann nicht geöffnet werden: Es ist weder ein Audio- oder Videoclip noch eine Playlist (.asx).</translation>
    </message>
    <message>
        <source>Open either clips or one playlist (.asx), not both at once.</source>
        <translation>Öffnen Sie entweder Clips oder eine Playlist (.asx), nicht beides zugleich.</translation>
    </message>
    <message>
        <source>Open one playlist (.asx) at a time.</source>
        <translation>Öffnen Sie jeweils nur eine Playlist (.asx).</translation>
    </message>
    <message>
        <source>Vidmarro is busy. The file(s) will open when you are back at the main window.</source>
        <translation>Vidmarro ist beschäftigt. Die Datei(en) werden geöffnet, sobald Sie wieder im Hauptfenster sind.</translation>
    </message>
    <message>
        <source>Only files on this computer can be opened here.</source>
        <translation>Hier lassen sich nur Dateien auf diesem Computer öffnen.</translation>
    </message>
</context>
<context>
    <name>TMangle</name>
    <message>
        <source>Vidmarro - Edit Playlist</source>
        <translation>Vidmarro - Playlist bearbeiten</translation>
    </message>
    <message>
        <source>Media in this Playlist:</source>
        <translation>Medien in dieser Playlist:</translation>
    </message>
    <message>
        <source>Add clip(s)</source>
        <translation>Clip(s) hinzu</translation>
    </message>
    <message>
        <source>Add Clip(s) to this Playlist</source>
        <translation>Clip(s) zu dieser Playlist hinzufügen</translation>
    </message>
    <message>
        <source>Delete clip</source>
        <translation>Clip löschen</translation>
    </message>
    <message>
        <source>Delete Selected Media from Playlist</source>
        <translation>Gewählte Medien aus der Playlist löschen</translation>
    </message>
    <message>
        <source>Move Up</source>
        <translation>Nach oben</translation>
    </message>
    <message>
        <source>Move selected clip up in Playlist</source>
        <translation>Gewählten Clip in der Playlist nach oben schieben</translation>
    </message>
    <message>
        <source>Move Down</source>
        <translation>Nach unten</translation>
    </message>
    <message>
        <source>Move selected clip down in Playlist</source>
        <translation>Gewählten Clip in der Playlist nach unten schieben</translation>
    </message>
    <message>
        <source>Sort</source>
        <translation>Sortieren</translation>
    </message>
    <message>
        <source>Put clips in alphabetical order</source>
        <translation>Clips alphabetisch ordnen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Save changes &amp; Exit</source>
        <translation>Änderungen speichern &amp; beenden</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Undo any changes</source>
        <translation>Alle Änderungen verwerfen</translation>
    </message>
    <message>
        <source>Erase Playlist </source>
        <translation>Playlist löschen </translation>
    </message>
    <message>
        <source>Send this Playlist to the Recycle Bin</source>
        <translation>Diese Playlist in den Papierkorb verschieben</translation>
    </message>
    <message>
        <source>Only clips can be dropped on the list.</source>
        <translation>Auf der Liste lassen sich nur Clips ablegen.</translation>
    </message>
    <message>
        <source>Only clips can be dropped on the list. Not a clip:</source>
        <extracomment>Followed by the names of the files that are not clips, one a line.</extracomment>
        <translation>Auf der Liste lassen sich nur Clips ablegen. Kein Clip:</translation>
    </message>
    <message>
        <source>Nothing was added: the drop holds more than clips. Not a clip:</source>
        <translation>Nichts hinzugefügt: Die abgelegten Dateien sind nicht alle Clips. Kein Clip:</translation>
    </message>
    <message>
        <source>
(and %1 more)</source>
        <translation>
(und %1 weitere)</translation>
    </message>
    <message>
        <source>You must first select (click on) a clip</source>
        <translation>Wählen Sie zuerst einen Clip (anklicken)</translation>
    </message>
    <message>
        <source>Select Playlist to Modify</source>
        <translation>Zu bearbeitende Playlist wählen</translation>
    </message>
    <message>
        <source>PlayLists (*.asx)</source>
        <extracomment>A file dialog filter: keep the pattern in brackets.</extracomment>
        <translation>Playlists (*.asx)</translation>
    </message>
    <message>
        <source>Media in this Playlist</source>
        <translation>Medien in dieser Playlist</translation>
    </message>
    <message>
        <source>Are you sure you want to send this Playlist to the Recycle Bin?</source>
        <translation>Soll diese Playlist wirklich in den Papierkorb verschoben werden?</translation>
    </message>
</context>
<context>
    <name>TSleepF</name>
    <message>
        <source>Vidmarro - Sleep Timer</source>
        <translation>Vidmarro - Abschalttimer</translation>
    </message>
    <message>
        <source> Shutdown:</source>
        <translation> Herunterfahren:</translation>
    </message>
    <message>
        <source>Off (don&apos;t shutdown)</source>
        <translation>Aus (kein Abschalten)</translation>
    </message>
    <message>
        <source>When Playlist finishes</source>
        <translation>Am Ende der Playlist</translation>
    </message>
    <message>
        <source>  15 minutes</source>
        <translation>  15 Minuten</translation>
    </message>
    <message>
        <source>  30 minutes</source>
        <translation>  30 Minuten</translation>
    </message>
    <message>
        <source>  45 minuties</source>
        <translation>  45 Minuten</translation>
    </message>
    <message>
        <source>  60 minutes (1 hour)</source>
        <translation>  60 Minuten (1 Std.)</translation>
    </message>
    <message>
        <source>  90 minutes</source>
        <translation>  90 Minuten</translation>
    </message>
    <message>
        <source>120 minutes (2 hours)</source>
        <translation>120 Minuten (2 Std.)</translation>
    </message>
    <message>
        <source>150 minutes </source>
        <translation>150 Minuten </translation>
    </message>
    <message>
        <source>180 minutes (3 hours)</source>
        <translation>180 Minuten (3 Std.)</translation>
    </message>
    <message>
        <source>210 minutes</source>
        <translation>210 Minuten</translation>
    </message>
    <message>
        <source>240 minutes (4 hours)</source>
        <translation>240 Minuten (4 Std.)</translation>
    </message>
    <message>
        <source>1 minute (for testing)</source>
        <translation>1 Minute (zum Testen)</translation>
    </message>
    <message>
        <source>
This Sleep Timer will shut down your 
computer and (if supported by your bios) 
power it off.  Select the first item (Off) to 
cancel automatic shutdown.  The next 
option will cause shutdown after the Playlist 
has completed.

The other options will schedule shutdown 
after the specified period of time, or after 
the Playlist is finished, whichever happens 
first.  To be certain that shutdown occurs at 
the specific time period specified and not 
before, also select the Repeat toggle button 
so that the Playlist keeps repeating.

If you select anything but Off, make sure 
you have saved any documents that might 
be open in any other application you have 
running on your computer.</source>
        <translation>
Der Abschalttimer fährt Ihren Computer 
herunter und schaltet ihn (wenn das BIOS 
es unterstützt) aus.  Mit dem ersten Punkt 
(Aus) brechen Sie das Herunterfahren ab. 
Der nächste fährt herunter, sobald die 
Playlist zu Ende ist.

Die übrigen Punkte fahren nach der 
gewählten Zeit herunter oder am Ende der 
Playlist, je nachdem, was zuerst eintritt. 
Damit genau nach der gewählten Zeit und 
nicht früher heruntergefahren wird, 
schalten Sie auch Wiederholen ein, sodass 
die Playlist immer wieder läuft.

Wählen Sie etwas anderes als Aus, dann 
speichern Sie vorher alle Dokumente, die 
in anderen Programmen auf Ihrem 
Computer geöffnet sind.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Apply change</source>
        <translation>Änderung übernehmen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>No Changes</source>
        <translation>Keine Änderung</translation>
    </message>
    <message>
        <source>About the sleep timer</source>
        <translation>Über den Abschalttimer</translation>
    </message>
</context>
<context>
    <name>TSpeedF</name>
    <message>
        <source>Vidmarro - Playback Speed</source>
        <translation>Vidmarro - Wiedergabetempo</translation>
    </message>
    <message>
        <source>  Playback Speed  </source>
        <translation>  Wiedergabetempo  </translation>
    </message>
    <message>
        <source>Normal (1.0)</source>
        <translation>Normal (1,0)</translation>
    </message>
    <message>
        <source>Fifth (0.2)</source>
        <translation>Fünftel (0,2)</translation>
    </message>
    <message>
        <source>Half  (0.5)</source>
        <translation>Halb (0,5)</translation>
    </message>
    <message>
        <source>Fast (1.5)</source>
        <translation>Flott (1,5)</translation>
    </message>
    <message>
        <source>Double (2.0)</source>
        <translation>2-fach (2,0)</translation>
    </message>
    <message>
        <source>Note:  Audio becomes difficult to understand at rates lower than 0.5 
or higher than 1.5.</source>
        <translation>Hinweis:  Unter 0,5 und über 1,5 ist der Ton 
schwer zu verstehen.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Note on speed</source>
        <translation>Hinweis zum Tempo</translation>
    </message>
</context>
<context>
    <name>TWplayerF2</name>
    <message>
        <source>Vidmarro - Player</source>
        <translation>Vidmarro - Player</translation>
    </message>
    <message>
        <source>To delete, copy or move a clip
(or add it to a playlist):
While it is playing click the Mark 
button which will appear in place of 
the Go! button.  When the clips are 
finished playing, then the 
Clip Manager window will appear.</source>
        <translation>Clips löschen, kopieren oder
verschieben (oder zu einer
Playlist hinzufügen): Während
der Wiedergabe auf Markieren
klicken (statt Los!). Sind alle
Clips abgespielt, erscheint die
Clip-Verwaltung.</translation>
    </message>
    <message>
        <source>Click Go to play, clip names will be in window title bar</source>
        <translation>Los! spielt ab, die Clipnamen stehen in der Titelleiste</translation>
    </message>
    <message>
        <source>Go!</source>
        <translation>Los!</translation>
    </message>
    <message>
        <source>&amp;Mark</source>
        <translation>&amp;Markieren</translation>
    </message>
    <message>
        <source> Playback options </source>
        <translation> Wiedergabe </translation>
    </message>
    <message>
        <source>Shuffle</source>
        <translation>Zufall</translation>
    </message>
    <message>
        <source>Play in random order</source>
        <translation>In zufälliger Reihenfolge abspielen</translation>
    </message>
    <message>
        <source>Repeat</source>
        <translation>Endlos</translation>
    </message>
    <message>
        <source>Play continuously</source>
        <translation>Immer wieder abspielen</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>Tempo</translation>
    </message>
    <message>
        <source>Play slower or faster</source>
        <translation>Langsamer oder schneller abspielen</translation>
    </message>
    <message>
        <source>Sleep</source>
        <translation>Timer</translation>
    </message>
    <message>
        <source>Shutdown after play or specified minutes</source>
        <translation>Nach der Wiedergabe oder nach einigen Minuten herunterfahren</translation>
    </message>
    <message>
        <source> Display options </source>
        <translation> Anzeige </translation>
    </message>
    <message>
        <source>Track Bar</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Status Bar</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Fertig</translation>
    </message>
    <message>
        <source>How to mark clips</source>
        <translation>So markieren Sie Clips</translation>
    </message>
    <message>
        <source>Warning - Sound Card Not Enabled</source>
        <translation>Warnung - Soundkarte nicht aktiviert</translation>
    </message>
</context>
<context>
    <name>TrackKeys</name>
    <message>
        <source>Audio: none</source>
        <translation>Ton: keiner</translation>
    </message>
    <message>
        <source>Audio: %1</source>
        <translation>Ton: %1</translation>
    </message>
    <message>
        <source>Subtitles: off</source>
        <translation>Untertitel: aus</translation>
    </message>
    <message>
        <source>Subtitles: %1</source>
        <translation>Untertitel: %1</translation>
    </message>
    <message>
        <source>Subtitles: shown</source>
        <translation>Untertitel: eingeblendet</translation>
    </message>
    <message>
        <source>Subtitles: hidden</source>
        <translation>Untertitel: ausgeblendet</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Usage: vidmarro [--] [FILE...]
Plays one playlist (.asx), or the audio and video clips given, in Vidmarro.
When Vidmarro already runs, the files open in the running copy.
Options: -h, --help (this text), --version; &quot;--&quot; ends the options.
</source>
        <extracomment>The command-line summary of --help and of a wrong option; keep the options themselves as they are.</extracomment>
        <translation>Aufruf: vidmarro [--] [DATEI...]
Spielt eine Playlist (.asx) oder die angegebenen Audio- und Videoclips in Vidmarro ab.
Läuft Vidmarro bereits, öffnen sich die Dateien in der laufenden Instanz.
Optionen: -h, --help (dieser Text), --version; „--“ beendet die Optionen.
</translation>
    </message>
    <message>
        <source>vidmarro: unknown option %1
</source>
        <translation>vidmarro: unbekannte Option %1
</translation>
    </message>
    <message>
        <source>Vidmarro is already running but did not take the file(s). Try again once it is ready.</source>
        <translation>Vidmarro läuft bereits, hat die Datei(en) aber nicht übernommen. Versuchen Sie es erneut, sobald es bereit ist.</translation>
    </message>
</context>
</TS>
