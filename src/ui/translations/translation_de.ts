<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>ConculsionStartSyncPage</name>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/ConculsionStartSyncPage.cpp" line="16"/>
        <source>Phone Setup</source>
        <translation>Telefon einrichten</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/ConculsionStartSyncPage.cpp" line="19"/>
        <source>Album Art</source>
        <translation>Albumcover</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/ConculsionStartSyncPage.cpp" line="21"/>
        <source>Synchronize album art for newly added tracks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/ConculsionStartSyncPage.cpp" line="23"/>
        <source>Synchronize album art for previously added tracks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/ConculsionStartSyncPage.cpp" line="28"/>
        <source>Synchronization Options</source>
        <translation>Synchronisierungsoptionen</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/ConculsionStartSyncPage.cpp" line="30"/>
        <source>Sync now</source>
        <translation>Jetzt synchronisieren</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/ConculsionStartSyncPage.cpp" line="33"/>
        <source>Sync later</source>
        <translation>Später synchronisieren</translation>
    </message>
</context>
<context>
    <name>ConnectDevicePage</name>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/ConnectDevicePage.cpp" line="26"/>
        <source>Phone Setup</source>
        <translation>Telefon einrichten</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/ConnectDevicePage.cpp" line="31"/>
        <source>&lt;p&gt;Connect your Samsung Galaxy to the PC using the USB cable and then select it from the list below.&lt;/p&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/ConnectDevicePage.cpp" line="44"/>
        <source>Use a folder as phone…</source>
        <translation>Einen Ordner als Telefon verwenden…</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/ConnectDevicePage.cpp" line="96"/>
        <source>Use a folder as phone</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ConvertToMp3Page</name>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/ConvertToMp3Page.cpp" line="13"/>
        <source>Phone Setup</source>
        <translation>Telefon einrichten</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/ConvertToMp3Page.cpp" line="16"/>
        <source>Is your phone capable of playing AAC files?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/ConvertToMp3Page.cpp" line="19"/>
        <source>Yes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/ConvertToMp3Page.cpp" line="20"/>
        <source>No</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/ConvertToMp3Page.cpp" line="21"/>
        <source>I Don&apos;t Know</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/ConvertToMp3Page.cpp" line="27"/>
        <source>Your iTunes library may contain tracks in AAC format which are not playable on some phones.

If you select &quot;No&quot; or &quot;I Don&apos;t Know&quot; then these tracks will be converted to MP3 format while they are being copied to your phone (this may considerably slow down the copying process).

</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CopyPhotosPage</name>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/CopyPhotosPage.cpp" line="21"/>
        <source>Copy Photos</source>
        <translation>Fotos kopieren</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/CopyPhotosPage.cpp" line="23"/>
        <source>Do not copy photos</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/CopyPhotosPage.cpp" line="25"/>
        <source>Copy photos from:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/CopyPhotosPage.cpp" line="32"/>
        <source>Browse</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/CopyPhotosPage.cpp" line="68"/>
        <source>Select Photo Folder</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DeviceBackupPage</name>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/DeviceBackupPage.cpp" line="18"/>
        <source>Copy Data from Another Device</source>
        <translation>Daten von einem anderen Gerät kopieren</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/DeviceBackupPage.cpp" line="20"/>
        <source>&lt;p&gt;Pellmar can copy additional information from iTunes device backups on your PC to your Android phone.&lt;/p&gt;&lt;p&gt;Any iTunes device backups on your PC are listed below:&lt;/p&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/DeviceBackupPage.cpp" line="33"/>
        <source>&lt;p&gt;If you wish to transfer this information to your Android phone then select a backup from the above list plus one or more of the options below:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/DeviceBackupPage.cpp" line="47"/>
        <source>Copy Text Messages</source>
        <translation>Textnachrichten kopieren</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/DeviceBackupPage.cpp" line="48"/>
        <source>Copy Address Book and Contacts</source>
        <translation>Adressbuch und Kontakte kopieren</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/DeviceBackupPage.cpp" line="49"/>
        <source>Copy Calendar</source>
        <translation>Kalender kopieren</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/DeviceBackupPage.cpp" line="50"/>
        <source>Copy Photos</source>
        <translation>Fotos kopieren</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/DeviceBackupPage.cpp" line="51"/>
        <source>Copy Notes</source>
        <translation>Notizen kopieren</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/DeviceBackupPage.cpp" line="107"/>
        <source>You have selected a backup but you have not selected which data to transfer. Select one or more of the checkboxes to continue.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>EULAPage</name>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/EULAPage.cpp" line="17"/>
        <source>License Agreement</source>
        <translation>Lizenzvereinbarung</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/EULAPage.cpp" line="24"/>
        <source>I accept the above license agreement</source>
        <translation>Ich akzeptiere die obige Lizenzvereinbarung</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/EULAPage.cpp" line="41"/>
        <source>You must accept the license agreement to continue.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>IntroPage</name>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/IntroPage.cpp" line="12"/>
        <source>Phone Setup</source>
        <translation>Telefon einrichten</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/IntroPage.cpp" line="16"/>
        <source>This wizard will help you change your synchronization settings.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/IntroPage.cpp" line="18"/>
        <source>A new phone has been detected. This wizard will help you set it up so that it can be synchronized.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/IntroPage.cpp" line="22"/>
        <source>This wizard will help you set up a phone so that it can be synchronized.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PlaylistSettingsPage</name>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/PlaylistSettingsPage.cpp" line="22"/>
        <source>Phone Setup</source>
        <translation>Telefon einrichten</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/PlaylistSettingsPage.cpp" line="24"/>
        <source>Do not copy podcasts to phone</source>
        <translation>Keine Podcasts auf das Telefon kopieren</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/PlaylistSettingsPage.cpp" line="25"/>
        <source>Do not copy music to the phone</source>
        <translation>Keine Musik auf das Telefon kopieren</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/PlaylistSettingsPage.cpp" line="26"/>
        <source>Copy all podcasts to the phone</source>
        <translation>Alle Podcasts auf das Telefon kopieren</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/PlaylistSettingsPage.cpp" line="27"/>
        <source>Copy the complete music library to the phone</source>
        <translation>Die ganze Musikmediathek auf das Telefon kopieren</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/PlaylistSettingsPage.cpp" line="29"/>
        <source>Copy selected podcasts to the phone</source>
        <translation>Ausgewählte Podcasts auf das Telefon kopieren</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/PlaylistSettingsPage.cpp" line="30"/>
        <source>Copy the contents of an existing iTunes playlist to the phone</source>
        <translation>Den Inhalt vorhandener iTunes-Wiedergabelisten auf das Telefon kopieren</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/PlaylistSettingsPage.cpp" line="45"/>
        <source>Episode options:</source>
        <translation>Folgen:</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/PlaylistSettingsPage.cpp" line="48"/>
        <source>Sync all episodes</source>
        <translation>Alle Folgen synchronisieren</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/PlaylistSettingsPage.cpp" line="49"/>
        <source>Sync most recent episode only</source>
        <translation>Nur die neueste Folge synchronisieren</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/PlaylistSettingsPage.cpp" line="51"/>
        <source>Sync most recent %1 episodes only</source>
        <translation>Nur die neuesten %1 Folgen synchronisieren</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/wizard/PlaylistSettingsPage.cpp" line="57"/>
        <source>Used and available space on your phone:</source>
        <translation>Belegter und freier Platz auf Ihrem Telefon:</translation>
    </message>
</context>
<context>
    <name>SyncUi</name>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="46"/>
        <source>en</source>
        <translation>de</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="48"/>
        <source>Pellmar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="49"/>
        <source>Please wait while iTunes is started</source>
        <translation>Bitte warten Sie, bis iTunes gestartet ist</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="50"/>
        <source>&lt;p&gt;If iTunes is already running then click &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/please_wait_while_itunes_is_started.html&quot;&gt;here&lt;/a&gt; &lt;/p&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="54"/>
        <source>Connect your phone to the PC</source>
        <translation>Verbinden Sie Ihr Telefon mit dem PC</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="55"/>
        <source>If your phone is already connected then click &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/phone_not_detected.html&quot;&gt;here&lt;/a&gt;. </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="59"/>
        <source>A phone is connected and is ready to be synchronized</source>
        <translation>Ein Telefon ist verbunden und bereit zur Synchronisierung</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="60"/>
        <source>Phone synchronization is complete</source>
        <translation>Die Synchronisierung des Telefons ist abgeschlossen</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="61"/>
        <source>Errors detected</source>
        <translation>Fehler gefunden</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="62"/>
        <source>Phone synchronization was cancelled</source>
        <translation>Die Synchronisierung des Telefons wurde abgebrochen</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="63"/>
        <source>Scanning iTunes Library</source>
        <translation>iTunes-Mediathek wird gelesen</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="64"/>
        <source>Please Wait</source>
        <translation>Bitte warten</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="65"/>
        <source>Preparing to synchronize</source>
        <translation>Synchronisierung wird vorbereitet</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="66"/>
        <source>Preparing to delete tracks</source>
        <translation>Löschen der Titel wird vorbereitet</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="67"/>
        <source>Checking for album art</source>
        <translation>Albumcover werden gesucht</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="68"/>
        <source>Deleting tracks from the phone</source>
        <translation>Titel werden vom Telefon gelöscht</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="69"/>
        <source>Copying tracks to the phone</source>
        <translation>Titel werden auf das Telefon kopiert</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="70"/>
        <source>Cancelling</source>
        <translation>Wird abgebrochen</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="71"/>
        <source>Updating playlists</source>
        <translation>Wiedergabelisten werden aktualisiert</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="72"/>
        <source>Copying photos to the phone</source>
        <translation>Fotos werden auf das Telefon kopiert</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="73"/>
        <source>Converting video</source>
        <translation>Video wird umgewandelt</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="74"/>
        <source>&lt;p&gt;It has not been possible to transfer data from the selected backup. If the backup is encrypted then please create a non-encrypted backup using iTunes.&lt;/p&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="78"/>
        <source>&lt;p&gt;It is necessary to enable the USB connection on your phone before synchronizing. Click &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/enable_usb.html&quot;&gt;here&lt;/a&gt; for instructions on how to do this.&lt;p&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="83"/>
        <source>Not Enough Space</source>
        <translation>Nicht genug Platz</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="84"/>
        <source>You do not have enough space on your phone to complete the synchronization.  You need to free up %1 MB. Do you want to continue with the sync anyway? Note that if you do this then some tracks will not be copied.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="88"/>
        <source>Don&apos;t Sync</source>
        <translation>Nicht synchronisieren</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="89"/>
        <source>Sync Anyway</source>
        <translation>Trotzdem synchronisieren</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="90"/>
        <source>iTunes has stopped responding. If iTunes is displaying any messages or dialog boxes then close them.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="93"/>
        <source>Unable to Connect to The Device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="94"/>
        <source>It has not been possible to connect to the device. Try restarting the device and your PC then try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="97"/>
        <source>http://www.[APP_DOMAIN]/help/help.html</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="98"/>
        <source>iTunes Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="99"/>
        <source>iTunes must be running for Pellmar to work correctly. It is important that iTunes is not closed while Pellmar is running.

If iTunes is displaying any message boxes then please cancel them before continuing.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="103"/>
        <source>&lt;p&gt;It was not possible to copy the following tracks to your phone.&lt;/p&gt;&lt;p&gt;Click &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/copyfailed.htm&quot;&gt;here&lt;/a&gt; to diagnose the problem.&lt;/p&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="113"/>
        <source>&lt;p&gt;Some of your tracks are copy protected and cannot be played on your phone. These tracks are listed below.&lt;/p&gt;&lt;p&gt;Click &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/drm.htm&quot;&gt;here&lt;/a&gt; for more information on copy protected tracks.&lt;/p&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="118"/>
        <source>Do not display this message again.</source>
        <translation>Diese Meldung nicht mehr anzeigen.</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="119"/>
        <source>&lt;p&gt;Synchronization is complete.&lt;/p&gt;&lt;p&gt;Please eject your phone before disconnecting, click &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/usbeject.htm&quot;&gt;here&lt;/a&gt; for more details.&lt;/p&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="124"/>
        <source>The iTunes library could not be found or read.</source>
        <translation>Die iTunes-Mediathek wurde nicht gefunden oder ist nicht lesbar.</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="126"/>
        <source>Choose iTunes library…</source>
        <translation>iTunes-Mediathek wählen…</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="127"/>
        <source>Choose iTunes library</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="128"/>
        <source>&lt;p&gt;Click &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/phone_not_detected.html&quot;&gt;here&lt;/a&gt; if your phone is connected but is not displayed above.&lt;/p&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="132"/>
        <source>&lt;p&gt;The Pellmar application is not detected on the attached device. Ensure that you have run the Pellmar application on your phone or tablet before connecting it.&lt;/p&gt;&lt;p&gt; Click &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/usb_connection_problem.html&quot;&gt;here&lt;/a&gt; for more information.&lt;/p&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="138"/>
        <source>You must select a backup from the list to continue. If there are no device backups displayed in the list then you can use iTunes to create one.  Click &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/create_itunes_backup.html&quot;&gt;here&lt;/a&gt; for more information on how to create an iTunes backup.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/MessageCatalogue.cpp" line="143"/>
        <source>The above folder cannot be found. Click the Browse button to select your Blackberry photos folder or click &lt;a href=&quot;http://www.[APP_DOMAIN]/blog/files/blackberry_photos.html&quot;&gt;here&lt;/a&gt; for more information on how to transfer Blackberry photos to your PC or Mac.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/SyncUi.cpp" line="79"/>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/SyncUi.cpp" line="81"/>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/SyncUi.cpp" line="83"/>
        <source>Synchronize</source>
        <translation>Synchronisieren</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/SyncUi.cpp" line="89"/>
        <source>Force full resynchronization</source>
        <translation>Vollständige Neusynchronisierung erzwingen</translation>
    </message>
    <message>
        <location filename="../../work/wt/i17/src/ui/SyncUi.cpp" line="176"/>
        <source>iTunes library (*.xml);;All files (*)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
