<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AfterRunNotices</name>
    <message>
        <source>The backup password is not right.</source>
        <translation>Das Passwort der Sicherung ist nicht richtig.</translation>
    </message>
    <message>
        <source>Nothing of the backup was transferred; it will be with the next synchronization.</source>
        <translation>Von der Sicherung wurde nichts übertragen; das geschieht bei der nächsten Synchronisierung.</translation>
    </message>
</context>
<context>
    <name>BackupPasswordBox</name>
    <message>
        <source>This backup is encrypted. Enter the password that protects it:</source>
        <translation>Diese Sicherung ist verschlüsselt. Geben Sie das Passwort ein, das sie schützt:</translation>
    </message>
    <message>
        <source>Remember the password</source>
        <translation>Passwort merken</translation>
    </message>
    <message>
        <source>The selected backup is encrypted. Enter its password to continue.</source>
        <translation>Die gewählte Sicherung ist verschlüsselt. Geben Sie ihr Passwort ein, um fortzufahren.</translation>
    </message>
    <message>
        <source>Checking the backup password...</source>
        <translation>Das Passwort der Sicherung wird geprüft...</translation>
    </message>
    <message>
        <source>The backup password is not right.</source>
        <translation>Das Passwort der Sicherung ist nicht richtig.</translation>
    </message>
    <message>
        <source>The password could not be kept in the desktop&apos;s keyring; the next synchronization will ask for it.</source>
        <translation>Das Passwort konnte nicht im Schlüsselbund des Desktops gespeichert werden; die nächste Synchronisierung fragt danach.</translation>
    </message>
</context>
<context>
    <name>BackupPasswordDialog</name>
    <message>
        <source>&lt;p&gt;The backup of %1 is encrypted. Enter its password to transfer its data to the phone.&lt;/p&gt;&lt;p&gt;Cancel leaves the transfer for the next synchronization.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Die Sicherung von %1 ist verschlüsselt. Geben Sie ihr Passwort ein, um ihre Daten auf das Telefon zu übertragen.&lt;/p&gt;&lt;p&gt;Mit Abbrechen wird die Übertragung bei der nächsten Synchronisierung nachgeholt.&lt;/p&gt;</translation>
    </message>
</context>
<context>
    <name>ConclusionStartSyncPage</name>
    <message>
        <source>Phone Setup</source>
        <translation>Telefon einrichten</translation>
    </message>
    <message>
        <source>Album Art</source>
        <translation>Albumcover</translation>
    </message>
    <message>
        <source>Synchronize album art for newly added tracks</source>
        <translation>Albumcover für neu hinzugefügte Titel synchronisieren</translation>
    </message>
    <message>
        <source>Synchronize album art for previously added tracks</source>
        <translation>Albumcover für bereits vorhandene Titel synchronisieren</translation>
    </message>
    <message>
        <source>Synchronization Options</source>
        <translation>Synchronisierungsoptionen</translation>
    </message>
    <message>
        <source>Sync now</source>
        <translation>Jetzt synchronisieren</translation>
    </message>
    <message>
        <source>Sync later</source>
        <translation>Später synchronisieren</translation>
    </message>
</context>
<context>
    <name>ConnectDevicePage</name>
    <message>
        <source>Phone Setup</source>
        <translation>Telefon einrichten</translation>
    </message>
    <message>
        <source>Use a folder as phone…</source>
        <translation>Einen Ordner als Telefon verwenden…</translation>
    </message>
    <message>
        <source>&lt;p&gt;Connect your phone to this computer using its USB cable and then select it from the list below.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Verbinden Sie Ihr Telefon über sein USB-Kabel mit diesem Computer und wählen Sie es dann in der Liste unten aus.&lt;/p&gt;</translation>
    </message>
</context>
<context>
    <name>ConvertToMp3Page</name>
    <message>
        <source>Phone Setup</source>
        <translation>Telefon einrichten</translation>
    </message>
    <message>
        <source>Is your phone capable of playing AAC files?</source>
        <translation>Kann Ihr Telefon AAC-Dateien abspielen?</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Nein</translation>
    </message>
    <message>
        <source>I Don&apos;t Know</source>
        <translation>Weiß ich nicht</translation>
    </message>
    <message>
        <source>Your iTunes library may contain tracks in AAC format which are not playable on some phones.

If you select &quot;No&quot; or &quot;I Don&apos;t Know&quot; then these tracks will be converted to MP3 format while they are being copied to your phone (this may considerably slow down the copying process).

</source>
        <translation>Ihre iTunes-Mediathek kann Titel im AAC-Format enthalten, die manche Telefone nicht abspielen können.

Wenn Sie „Nein“ oder „Weiß ich nicht“ wählen, werden diese Titel beim Kopieren auf Ihr Telefon in das MP3-Format umgewandelt (das kann das Kopieren deutlich verlangsamen).

</translation>
    </message>
</context>
<context>
    <name>CopyPhotosPage</name>
    <message>
        <source>Copy Photos</source>
        <translation>Fotos kopieren</translation>
    </message>
    <message>
        <source>Do not copy photos</source>
        <translation>Keine Fotos kopieren</translation>
    </message>
    <message>
        <source>Copy photos from:</source>
        <translation>Fotos kopieren aus:</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Durchsuchen</translation>
    </message>
    <message>
        <source>Select Photo Folder</source>
        <translation>Fotoordner auswählen</translation>
    </message>
</context>
<context>
    <name>DeviceBackupPage</name>
    <message>
        <source>Copy Data from Another Device</source>
        <translation>Daten von einem anderen Gerät kopieren</translation>
    </message>
    <message>
        <source>&lt;p&gt;If you wish to transfer this information to your Android phone then select a backup from the above list plus one or more of the options below:</source>
        <translation>&lt;p&gt;Wenn Sie diese Daten auf Ihr Android-Telefon übertragen möchten, wählen Sie oben ein Backup und unten eine oder mehrere Optionen aus:</translation>
    </message>
    <message>
        <source>Copy Text Messages</source>
        <translation>Textnachrichten kopieren</translation>
    </message>
    <message>
        <source>Copy Address Book and Contacts</source>
        <translation>Adressbuch und Kontakte kopieren</translation>
    </message>
    <message>
        <source>Copy Calendar</source>
        <translation>Kalender kopieren</translation>
    </message>
    <message>
        <source>Copy Photos</source>
        <translation>Fotos kopieren</translation>
    </message>
    <message>
        <source>Copy Notes</source>
        <translation>Notizen kopieren</translation>
    </message>
    <message>
        <source>You have selected a backup but you have not selected which data to transfer. Select one or more of the checkboxes to continue.</source>
        <translation>Sie haben ein Backup ausgewählt, aber nicht, welche Daten übertragen werden sollen. Wählen Sie mindestens eines der Kästchen aus, um fortzufahren.</translation>
    </message>
    <message>
        <source>&lt;p&gt;Pellmar can copy additional information from iTunes device backups on this computer to your Android phone.&lt;/p&gt;&lt;p&gt;Any iTunes device backups on this computer are listed below:&lt;/p&gt;</source>
        <translation>&lt;p&gt;Pellmar kann weitere Daten aus iTunes-Gerätebackups auf diesem Computer auf Ihr Android-Telefon kopieren.&lt;/p&gt;&lt;p&gt;Die iTunes-Gerätebackups auf diesem Computer sind unten aufgeführt:&lt;/p&gt;</translation>
    </message>
    <message>
        <source>Choose backup…</source>
        <translation>Backup wählen…</translation>
    </message>
    <message>
        <source>iPhone backup folder…</source>
        <translation>iPhone-Backup-Ordner…</translation>
    </message>
    <message>
        <source>BlackBerry backup file…</source>
        <translation>BlackBerry-Backup-Datei…</translation>
    </message>
    <message>
        <source>No iPhone backup was found. Pellmar looked in:
%1

Choose a backup folder or a BlackBerry backup file if you keep one elsewhere.</source>
        <translation>Es wurde kein iPhone-Backup gefunden. Pellmar hat hier gesucht:
%1

Wählen Sie einen Backup-Ordner oder eine BlackBerry-Backup-Datei, wenn Sie eines an anderer Stelle aufbewahren.</translation>
    </message>
    <message>
        <source>The folder %1 is not an iPhone backup: it has no Info.plist that names a device.</source>
        <translation>Der Ordner %1 ist kein iPhone-Backup: Er enthält keine Info.plist, die ein Gerät nennt.</translation>
    </message>
    <message>
        <source>%1 is neither an iPhone backup folder nor a BlackBerry backup file.</source>
        <translation>%1 ist weder ein iPhone-Backup-Ordner noch eine BlackBerry-Backup-Datei.</translation>
    </message>
    <message>
        <source>Choose an iPhone backup folder</source>
        <translation>iPhone-Backup-Ordner wählen</translation>
    </message>
    <message>
        <source>Choose a BlackBerry backup file</source>
        <translation>BlackBerry-Backup-Datei wählen</translation>
    </message>
    <message>
        <source>BlackBerry backups (*.ipd *.bbb);;All files (*)</source>
        <translation>BlackBerry-Backups (*.ipd *.bbb);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>%1 (not found)</source>
        <translation>%1 (nicht gefunden)</translation>
    </message>
</context>
<context>
    <name>EULAPage</name>
    <message>
        <source>License Agreement</source>
        <translation>Lizenzvereinbarung</translation>
    </message>
    <message>
        <source>I accept the above license agreement</source>
        <translation>Ich akzeptiere die obige Lizenzvereinbarung</translation>
    </message>
    <message>
        <source>You must accept the license agreement to continue.</source>
        <translation>Sie müssen die Lizenzvereinbarung akzeptieren, um fortzufahren.</translation>
    </message>
</context>
<context>
    <name>IntroPage</name>
    <message>
        <source>Phone Setup</source>
        <translation>Telefon einrichten</translation>
    </message>
    <message>
        <source>This wizard will help you change your synchronization settings.</source>
        <translation>Dieser Assistent hilft Ihnen, Ihre Synchronisierungseinstellungen zu ändern.</translation>
    </message>
    <message>
        <source>A new phone has been detected. This wizard will help you set it up so that it can be synchronized.</source>
        <translation>Ein neues Telefon wurde erkannt. Dieser Assistent hilft Ihnen, es für die Synchronisierung einzurichten.</translation>
    </message>
    <message>
        <source>This wizard will help you set up a phone so that it can be synchronized.</source>
        <translation>Dieser Assistent hilft Ihnen, ein Telefon für die Synchronisierung einzurichten.</translation>
    </message>
</context>
<context>
    <name>LibraryChooser</name>
    <message>
        <source>Choose the music library</source>
        <translation>Musikbibliothek wählen</translation>
    </message>
    <message>
        <source>Looking for music libraries on this computer…</source>
        <translation>Musikbibliotheken auf diesem Computer werden gesucht…</translation>
    </message>
    <message>
        <source>Library</source>
        <translation>Bibliothek</translation>
    </message>
    <message>
        <source>Tracks</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Ort</translation>
    </message>
    <message>
        <source>Choose a file…</source>
        <translation>Datei wählen…</translation>
    </message>
    <message>
        <source>Choose a folder…</source>
        <translation>Ordner wählen…</translation>
    </message>
    <message>
        <source>Use this library</source>
        <translation>Diese Bibliothek verwenden</translation>
    </message>
    <message>
        <source>iTunes</source>
        <translation>iTunes</translation>
    </message>
    <message>
        <source>Music folder</source>
        <translation>Musikordner</translation>
    </message>
    <message>
        <source>Rhythmbox</source>
        <translation>Rhythmbox</translation>
    </message>
    <message>
        <source>Strawberry</source>
        <translation>Strawberry</translation>
    </message>
    <message>
        <source>Clementine</source>
        <translation>Clementine</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message>
        <source>No music library was found on this computer. Choose a library file, or the folder that holds your music.</source>
        <translation>Auf diesem Computer wurde keine Musikbibliothek gefunden. Wählen Sie eine Bibliotheksdatei oder den Ordner mit Ihrer Musik.</translation>
    </message>
    <message>
        <source>These music libraries were found on this computer. Choose the one whose music Pellmar copies to your phone, or choose another library file or music folder.</source>
        <translation>Diese Musikbibliotheken wurden auf diesem Computer gefunden. Wählen Sie die, deren Musik Pellmar auf Ihr Telefon kopiert, oder wählen Sie eine andere Bibliotheksdatei oder einen anderen Musikordner.</translation>
    </message>
    <message>
        <source>counting…</source>
        <translation>wird gezählt…</translation>
    </message>
    <message>
        <source>cannot be read</source>
        <translation>nicht lesbar</translation>
    </message>
    <message>
        <source>1 track</source>
        <translation>1 Titel</translation>
    </message>
    <message>
        <source>%1 tracks</source>
        <translation>%1 Titel</translation>
    </message>
    <message>
        <source>Choose the music folder</source>
        <translation>Musikordner wählen</translation>
    </message>
    <message>
        <source>Choose the library file</source>
        <translation>Bibliotheksdatei wählen</translation>
    </message>
    <message>
        <source>Music libraries (*.xml *.db)</source>
        <translation>Musikbibliotheken (*.xml *.db)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
</context>
<context>
    <name>PhoneWait</name>
    <message>
        <source>Waiting for the phone...</source>
        <translation>Warten auf das Telefon...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Stopping...</source>
        <translation>Wird beendet...</translation>
    </message>
</context>
<context>
    <name>PlaylistSettingsPage</name>
    <message>
        <source>Phone Setup</source>
        <translation>Telefon einrichten</translation>
    </message>
    <message>
        <source>Do not copy podcasts to phone</source>
        <translation>Keine Podcasts auf das Telefon kopieren</translation>
    </message>
    <message>
        <source>Do not copy music to the phone</source>
        <translation>Keine Musik auf das Telefon kopieren</translation>
    </message>
    <message>
        <source>Copy all podcasts to the phone</source>
        <translation>Alle Podcasts auf das Telefon kopieren</translation>
    </message>
    <message>
        <source>Copy the complete music library to the phone</source>
        <translation>Die ganze Musikmediathek auf das Telefon kopieren</translation>
    </message>
    <message>
        <source>Copy selected podcasts to the phone</source>
        <translation>Ausgewählte Podcasts auf das Telefon kopieren</translation>
    </message>
    <message>
        <source>Copy the contents of an existing iTunes playlist to the phone</source>
        <translation>Den Inhalt vorhandener iTunes-Wiedergabelisten auf das Telefon kopieren</translation>
    </message>
    <message>
        <source>Episode options:</source>
        <translation>Folgen:</translation>
    </message>
    <message>
        <source>Sync all episodes</source>
        <translation>Alle Folgen synchronisieren</translation>
    </message>
    <message>
        <source>Sync most recent episode only</source>
        <translation>Nur die neueste Folge synchronisieren</translation>
    </message>
    <message>
        <source>Sync most recent %1 episodes only</source>
        <translation>Nur die neuesten %1 Folgen synchronisieren</translation>
    </message>
    <message>
        <source>Used and available space on your phone:</source>
        <translation>Belegter und freier Platz auf Ihrem Telefon:</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
</context>
<context>
    <name>SpaceGauge</name>
    <message>
        <source>Used %1</source>
        <translation>Belegt: %1</translation>
    </message>
    <message>
        <source>Free %1</source>
        <translation>Frei: %1</translation>
    </message>
    <message>
        <source>%1 used and %2 free of %3 on your phone</source>
        <translation>%1 belegt und %2 frei von %3 auf Ihrem Telefon</translation>
    </message>
</context>
<context>
    <name>SyncControls</name>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>Show what a synchronization would copy and delete</source>
        <translation>Zeigen, was eine Synchronisierung kopieren und löschen würde</translation>
    </message>
    <message>
        <source>Synchronize</source>
        <translation>Synchronisieren</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Anhalten</translation>
    </message>
    <message>
        <source>Use a folder as phone…</source>
        <translation>Einen Ordner als Telefon verwenden…</translation>
    </message>
    <message>
        <source>Force full resynchronization</source>
        <translation>Vollständige Neusynchronisierung erzwingen</translation>
    </message>
</context>
<context>
    <name>SyncPreviewDialog</name>
    <message>
        <source>%1 by %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>What</source>
        <translation>Was</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>What a synchronization of &quot;%1&quot; would do. Nothing has been changed yet.</source>
        <translation>Was eine Synchronisierung von „%1“ tun würde. Noch wurde nichts geändert.</translation>
    </message>
    <message>
        <source>Your phone is not set up yet: use Settings to choose what goes onto it.</source>
        <translation>Ihr Telefon ist noch nicht eingerichtet: Wählen Sie unter „Einstellungen“, was darauf kommen soll.</translation>
    </message>
    <message>
        <source>The library could not be read: a synchronization would change nothing on your phone.</source>
        <translation>Die Mediathek konnte nicht gelesen werden: Eine Synchronisierung würde auf Ihrem Telefon nichts ändern.</translation>
    </message>
    <message>
        <source>The list of what is on your phone could not be read: a synchronization would clear it and copy nothing; the one after it checks every track again.</source>
        <translation>Die Liste dessen, was auf Ihrem Telefon ist, konnte nicht gelesen werden: Eine Synchronisierung würde sie leeren und nichts kopieren; die nächste prüft jeden Titel erneut.</translation>
    </message>
    <message>
        <source>First the chosen data of the backup %1 would be copied to your phone.</source>
        <translation>Zuerst würden die gewählten Daten des Backups %1 auf Ihr Telefon kopiert.</translation>
    </message>
    <message>
        <source>Not enough space: the new tracks need %1 and your phone has %2 free. Some tracks would not be copied.</source>
        <translation>Nicht genug Platz: Die neuen Titel brauchen %1, auf Ihrem Telefon sind %2 frei. Einige Titel würden nicht kopiert.</translation>
    </message>
    <message>
        <source>Enough space: the new tracks need %1 and your phone has %2 free.</source>
        <translation>Genug Platz: Die neuen Titel brauchen %1, auf Ihrem Telefon sind %2 frei.</translation>
    </message>
    <message>
        <source>Tracks to copy (%1)</source>
        <translation>Zu kopierende Titel (%1)</translation>
    </message>
    <message>
        <source>Tracks to delete from your phone (%1)</source>
        <translation>Vom Telefon zu löschende Titel (%1)</translation>
    </message>
    <message>
        <source>Playlists to write (%1)</source>
        <translation>Zu schreibende Wiedergabelisten (%1)</translation>
    </message>
    <message>
        <source>Playlists no longer chosen, to empty or remove (%1)</source>
        <translation>Nicht mehr gewählte Wiedergabelisten, die geleert oder entfernt werden (%1)</translation>
    </message>
    <message>
        <source>Copy-protected tracks left out (%1)</source>
        <translation>Ausgelassene kopiergeschützte Titel (%1)</translation>
    </message>
</context>
<context>
    <name>SyncSummaryView</name>
    <message>
        <source>%1 by %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>1 track copied</source>
        <translation>1 Titel kopiert</translation>
    </message>
    <message>
        <source>%1 tracks copied</source>
        <translation>%1 Titel kopiert</translation>
    </message>
    <message>
        <source>%1 deleted</source>
        <translation>%1 gelöscht</translation>
    </message>
    <message>
        <source>%1 not copied</source>
        <translation>%1 nicht kopiert</translation>
    </message>
    <message>
        <source>%1 not deleted</source>
        <translation>%1 nicht gelöscht</translation>
    </message>
    <message>
        <source>The synchronization was stopped before it finished.</source>
        <translation>Die Synchronisierung wurde angehalten, bevor sie fertig war.</translation>
    </message>
    <message>
        <source>The library could not be read, so nothing was changed on your phone.</source>
        <translation>Die Mediathek konnte nicht gelesen werden, daher wurde auf Ihrem Telefon nichts geändert.</translation>
    </message>
    <message>
        <source>Your phone was disconnected during the synchronization.</source>
        <translation>Ihr Telefon wurde während der Synchronisierung getrennt.</translation>
    </message>
    <message>
        <source>An error stopped the synchronization before it finished.</source>
        <translation>Ein Fehler hat die Synchronisierung beendet, bevor sie fertig war.</translation>
    </message>
    <message>
        <source>Not copied: %1 (%2)</source>
        <translation>Nicht kopiert: %1 (%2)</translation>
    </message>
    <message>
        <source>the copy failed</source>
        <translation>das Kopieren ist fehlgeschlagen</translation>
    </message>
    <message>
        <source>Not copied: %1 (copy protected, it cannot be played on your phone)</source>
        <translation>Nicht kopiert: %1 (kopiergeschützt, auf Ihrem Telefon nicht abspielbar)</translation>
    </message>
    <message>
        <source>Not deleted: %1 (%2)</source>
        <translation>Nicht gelöscht: %1 (%2)</translation>
    </message>
    <message>
        <source>the deletion failed</source>
        <translation>das Löschen ist fehlgeschlagen</translation>
    </message>
    <message>
        <source>Playlist not written: %1</source>
        <translation>Wiedergabeliste nicht geschrieben: %1</translation>
    </message>
    <message>
        <source>the phone is read-only</source>
        <translation>das Telefon ist schreibgeschützt</translation>
    </message>
    <message>
        <source>the phone is full</source>
        <translation>das Telefon ist voll</translation>
    </message>
    <message>
        <source>the name is too long for the phone</source>
        <translation>der Name ist zu lang für das Telefon</translation>
    </message>
    <message>
        <source>the phone was disconnected</source>
        <translation>das Telefon wurde getrennt</translation>
    </message>
    <message>
        <source>a link or a file stands in the way on the phone</source>
        <translation>eine Verknüpfung oder Datei auf dem Telefon steht im Weg</translation>
    </message>
    <message>
        <source>the file is missing on this computer</source>
        <translation>die Datei fehlt auf diesem Computer</translation>
    </message>
    <message>
        <source>a folder on the phone could not be created</source>
        <translation>ein Ordner auf dem Telefon konnte nicht angelegt werden</translation>
    </message>
</context>
<context>
    <name>SyncUi</name>
    <message>
        <source>en</source>
        <translation>de</translation>
    </message>
    <message>
        <source>Pellmar</source>
        <translation>Pellmar</translation>
    </message>
    <message>
        <source>Please wait while iTunes is started</source>
        <translation>Bitte warten Sie, bis iTunes gestartet ist</translation>
    </message>
    <message>
        <source>&lt;p&gt;If iTunes is already running then click &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/please_wait_while_itunes_is_started.html&quot;&gt;here&lt;/a&gt; &lt;/p&gt;</source>
        <translation>&lt;p&gt;Wenn iTunes bereits läuft, klicken Sie &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/please_wait_while_itunes_is_started.html&quot;&gt;hier&lt;/a&gt; &lt;/p&gt;</translation>
    </message>
    <message>
        <source>If your phone is already connected then click &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/phone_not_detected.html&quot;&gt;here&lt;/a&gt;. </source>
        <translation>Wenn Ihr Telefon bereits verbunden ist, klicken Sie &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/phone_not_detected.html&quot;&gt;hier&lt;/a&gt;. </translation>
    </message>
    <message>
        <source>A phone is connected and is ready to be synchronized</source>
        <translation>Ein Telefon ist verbunden und bereit zur Synchronisierung</translation>
    </message>
    <message>
        <source>Phone synchronization is complete</source>
        <translation>Die Synchronisierung des Telefons ist abgeschlossen</translation>
    </message>
    <message>
        <source>Errors detected</source>
        <translation>Fehler gefunden</translation>
    </message>
    <message>
        <source>Phone synchronization was cancelled</source>
        <translation>Die Synchronisierung des Telefons wurde abgebrochen</translation>
    </message>
    <message>
        <source>Scanning iTunes Library</source>
        <translation>iTunes-Mediathek wird gelesen</translation>
    </message>
    <message>
        <source>Preparing to synchronize</source>
        <translation>Synchronisierung wird vorbereitet</translation>
    </message>
    <message>
        <source>Preparing to delete tracks</source>
        <translation>Löschen der Titel wird vorbereitet</translation>
    </message>
    <message>
        <source>Checking for album art</source>
        <translation>Albumcover werden gesucht</translation>
    </message>
    <message>
        <source>Deleting tracks from the phone</source>
        <translation>Titel werden vom Telefon gelöscht</translation>
    </message>
    <message>
        <source>Copying tracks to the phone</source>
        <translation>Titel werden auf das Telefon kopiert</translation>
    </message>
    <message>
        <source>Cancelling</source>
        <translation>Wird abgebrochen</translation>
    </message>
    <message>
        <source>Updating playlists</source>
        <translation>Wiedergabelisten werden aktualisiert</translation>
    </message>
    <message>
        <source>Copying photos to the phone</source>
        <translation>Fotos werden auf das Telefon kopiert</translation>
    </message>
    <message>
        <source>Converting video</source>
        <translation>Video wird umgewandelt</translation>
    </message>
    <message>
        <source>&lt;p&gt;It is necessary to enable the USB connection on your phone before synchronizing. Click &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/enable_usb.html&quot;&gt;here&lt;/a&gt; for instructions on how to do this.&lt;p&gt;</source>
        <translation>&lt;p&gt;Vor dem Synchronisieren muss die USB-Verbindung auf Ihrem Telefon aktiviert werden. Klicken Sie &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/enable_usb.html&quot;&gt;hier&lt;/a&gt; für eine Anleitung.&lt;p&gt;</translation>
    </message>
    <message>
        <source>Not Enough Space</source>
        <translation>Nicht genug Platz</translation>
    </message>
    <message>
        <source>You do not have enough space on your phone to complete the synchronization.  You need to free up %1 MB. Do you want to continue with the sync anyway? Note that if you do this then some tracks will not be copied.</source>
        <translation>Auf Ihrem Telefon ist nicht genug Platz, um die Synchronisierung abzuschließen.  Sie müssen %1 MB freigeben. Möchten Sie trotzdem synchronisieren? Dann werden einige Titel nicht kopiert.</translation>
    </message>
    <message>
        <source>Don&apos;t Sync</source>
        <translation>Nicht synchronisieren</translation>
    </message>
    <message>
        <source>Sync Anyway</source>
        <translation>Trotzdem synchronisieren</translation>
    </message>
    <message>
        <source>iTunes has stopped responding. If iTunes is displaying any messages or dialog boxes then close them.</source>
        <translation>iTunes reagiert nicht mehr. Wenn iTunes Meldungen oder Dialogfenster anzeigt, schließen Sie diese.</translation>
    </message>
    <message>
        <source>http://www.[APP_DOMAIN]/help/help.html</source>
        <translation>http://www.[APP_DOMAIN]/help/help.html</translation>
    </message>
    <message>
        <source>iTunes Information</source>
        <translation>iTunes-Information</translation>
    </message>
    <message>
        <source>iTunes must be running for Pellmar to work correctly. It is important that iTunes is not closed while Pellmar is running.

If iTunes is displaying any message boxes then please cancel them before continuing.</source>
        <translation>iTunes muss laufen, damit Pellmar richtig arbeitet. iTunes darf nicht geschlossen werden, solange Pellmar läuft.

Wenn iTunes Meldungsfenster anzeigt, schließen Sie diese bitte, bevor Sie fortfahren.</translation>
    </message>
    <message>
        <source>&lt;p&gt;It was not possible to copy the following tracks to your phone.&lt;/p&gt;&lt;p&gt;Click &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/copyfailed.htm&quot;&gt;here&lt;/a&gt; to diagnose the problem.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Die folgenden Titel konnten nicht auf Ihr Telefon kopiert werden.&lt;/p&gt;&lt;p&gt;Klicken Sie &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/copyfailed.htm&quot;&gt;hier&lt;/a&gt;, um die Ursache zu finden.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;p&gt;Some of your tracks are copy protected and cannot be played on your phone. These tracks are listed below.&lt;/p&gt;&lt;p&gt;Click &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/drm.htm&quot;&gt;here&lt;/a&gt; for more information on copy protected tracks.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Einige Ihrer Titel sind kopiergeschützt und können auf Ihrem Telefon nicht abgespielt werden. Sie sind unten aufgeführt.&lt;/p&gt;&lt;p&gt;Klicken Sie &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/drm.htm&quot;&gt;hier&lt;/a&gt; für mehr über kopiergeschützte Titel.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>Do not display this message again.</source>
        <translation>Diese Meldung nicht mehr anzeigen.</translation>
    </message>
    <message>
        <source>&lt;p&gt;Synchronization is complete.&lt;/p&gt;&lt;p&gt;Please eject your phone before disconnecting, click &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/usbeject.htm&quot;&gt;here&lt;/a&gt; for more details.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Die Synchronisierung ist abgeschlossen.&lt;/p&gt;&lt;p&gt;Bitte werfen Sie Ihr Telefon aus, bevor Sie es trennen; klicken Sie &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/usbeject.htm&quot;&gt;hier&lt;/a&gt; für Einzelheiten.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;p&gt;Click &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/phone_not_detected.html&quot;&gt;here&lt;/a&gt; if your phone is connected but is not displayed above.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Klicken Sie &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/phone_not_detected.html&quot;&gt;hier&lt;/a&gt;, wenn Ihr Telefon verbunden ist, aber oben nicht angezeigt wird.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>You must select a backup from the list to continue. If there are no device backups displayed in the list then you can use iTunes to create one.  Click &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/create_itunes_backup.html&quot;&gt;here&lt;/a&gt; for more information on how to create an iTunes backup.</source>
        <translation>Sie müssen ein Backup aus der Liste wählen, um fortzufahren. Wenn die Liste keine Gerätebackups zeigt, können Sie mit iTunes eines erstellen.  Klicken Sie &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/create_itunes_backup.html&quot;&gt;hier&lt;/a&gt;, um zu erfahren, wie Sie ein iTunes-Backup erstellen.</translation>
    </message>
    <message>
        <source>Use a folder as phone</source>
        <translation>Einen Ordner als Telefon verwenden</translation>
    </message>
    <message>
        <source>No web browser could be started. The help is at this address:</source>
        <translation>Es konnte kein Webbrowser gestartet werden. Die Hilfe finden Sie unter dieser Adresse:</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Connect your phone to this computer</source>
        <translation>Verbinden Sie Ihr Telefon mit diesem Computer</translation>
    </message>
    <message>
        <source>Please wait</source>
        <translation>Bitte warten</translation>
    </message>
    <message>
        <source>&lt;p&gt;The data you chose to bring over from your old phone (contacts, calendar, text messages, notes) is now also on your phone in the folder &lt;b&gt;%1&lt;/b&gt;, in files that the phone&apos;s own apps can import.&lt;/p&gt;&lt;p&gt;Open &lt;b&gt;README.txt&lt;/b&gt; in that folder with the phone&apos;s Files app: it says how to import each file.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Die Daten, die Sie von Ihrem alten Telefon übernehmen wollten (Kontakte, Kalender, Textnachrichten, Notizen), liegen jetzt auch auf Ihrem Telefon im Ordner &lt;b&gt;%1&lt;/b&gt;, in Dateien, die die eigenen Apps des Telefons importieren können.&lt;/p&gt;&lt;p&gt;Öffnen Sie &lt;b&gt;README.txt&lt;/b&gt; in diesem Ordner mit der Dateien-App des Telefons: Dort steht, wie Sie jede Datei importieren.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>Unable to Connect to Your Phone</source>
        <translation>Verbindung mit Ihrem Telefon nicht möglich</translation>
    </message>
    <message>
        <source>It has not been possible to connect to your phone. Try restarting your phone and this computer, then try again.</source>
        <translation>Die Verbindung mit Ihrem Telefon war nicht möglich. Starten Sie Ihr Telefon und diesen Computer neu und versuchen Sie es dann noch einmal.</translation>
    </message>
    <message>
        <source>The phone &apos;%1&apos; is being synchronized by %2. Wait for that run to end, then try again.</source>
        <translation>Das Telefon „%1“ wird gerade von %2 synchronisiert. Warten Sie, bis dieser Lauf endet, und versuchen Sie es dann noch einmal.</translation>
    </message>
    <message>
        <source>The above folder cannot be found. Click the Browse button to select your Blackberry photos folder or click &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/blackberry_photos.html&quot;&gt;here&lt;/a&gt; for more information on how to transfer Blackberry photos to this computer.</source>
        <translation>Der obige Ordner wurde nicht gefunden. Klicken Sie auf „Durchsuchen“, um Ihren BlackBerry-Fotoordner zu wählen, oder klicken Sie &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/blackberry_photos.html&quot;&gt;hier&lt;/a&gt;, um zu erfahren, wie Sie BlackBerry-Fotos auf diesen Computer übertragen.</translation>
    </message>
    <message>
        <source>Phone synchronization did not finish</source>
        <translation>Die Synchronisierung des Telefons wurde nicht abgeschlossen</translation>
    </message>
    <message>
        <source>Your phone is being synchronized. Stop the synchronization and close Pellmar? What has been copied stays on your phone; the next synchronization finishes the rest.</source>
        <translation>Ihr Telefon wird gerade synchronisiert. Synchronisierung anhalten und Pellmar schließen? Was bereits kopiert wurde, bleibt auf Ihrem Telefon; die nächste Synchronisierung erledigt den Rest.</translation>
    </message>
    <message>
        <source>Stop and Close</source>
        <translation>Anhalten und schließen</translation>
    </message>
    <message>
        <source>Keep Synchronizing</source>
        <translation>Weiter synchronisieren</translation>
    </message>
    <message>
        <source>Working out what a synchronization would do</source>
        <translation>Es wird ermittelt, was eine Synchronisierung tun würde</translation>
    </message>
    <message>
        <source>The folder %1 is not there</source>
        <translation>Der Ordner %1 ist nicht vorhanden</translation>
    </message>
    <message>
        <source>Insert the card or connect the drive that holds it, or use Settings to choose another phone.</source>
        <translation>Stecken Sie die Karte ein oder schließen Sie das Laufwerk an, auf dem er liegt, oder wählen Sie unter „Einstellungen“ ein anderes Telefon.</translation>
    </message>
    <message>
        <source>The synchronization of &quot;%1&quot; that began %2 did not finish. The next synchronization finishes it.</source>
        <translation>Die Synchronisierung von „%1“, begonnen %2, wurde nicht abgeschlossen. Die nächste Synchronisierung schließt sie ab.</translation>
    </message>
    <message>
        <source>&lt;p&gt;It was not possible to copy the following tracks to your phone.&lt;/p&gt;&lt;p&gt;Click &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/copyfailed.htm&quot;&gt;here&lt;/a&gt; to diagnose the problem.&lt;/p&gt;</source>
        <comment>other failure</comment>
        <translation>&lt;p&gt;Die folgenden Titel konnten nicht auf Ihr Telefon kopiert werden.&lt;/p&gt;&lt;p&gt;Klicken Sie &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/copyfailed.htm&quot;&gt;hier&lt;/a&gt;, um die Ursache zu finden.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;p&gt;It has not been possible to transfer data from the selected backup. It may be damaged, or encrypted in a way that cannot be opened: then please create a backup without encryption (with idevicebackup2, iTunes or Finder) and choose it again.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Die Daten der gewählten Sicherung konnten nicht übertragen werden. Sie ist vielleicht beschädigt oder so verschlüsselt, dass sie sich nicht öffnen lässt: Erstellen Sie dann bitte eine unverschlüsselte Sicherung (mit idevicebackup2, iTunes oder dem Finder) und wählen Sie diese erneut.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>Phone synchronization ended with tracks not copied</source>
        <translation>Die Synchronisierung des Telefons endete mit nicht kopierten Titeln</translation>
    </message>
    <message>
        <source>The music library could not be found or read.</source>
        <translation>Die Musikbibliothek wurde nicht gefunden oder ist nicht lesbar.</translation>
    </message>
    <message>
        <source>Choose music library…</source>
        <translation>Musikbibliothek wählen…</translation>
    </message>
</context>
</TS>
