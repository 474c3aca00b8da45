#pragma once

// Every name the settings file uses, in one place: the values with their kind and the value
// they read as when absent, and the tags that give the file its structure. A new value is one
// line here (and, when the table of all values should list it, one entry in kAll).

enum class SettingScope {
    Global, // a child of the root element
    Phone,  // a child of one phone's `device` element
};

enum class SettingKind {
    Flag,   // "true" or "false"; only exactly "true" reads as true
    Number, // decimal; text that is not a number reads as 0
    Text,
};

struct SettingKey
{
    const char* name;     // the element's tag
    SettingScope scope;
    SettingKind kind;
    const char* fallback; // what an absent value reads as, in the file's own encoding
};

namespace SettingKeys {

using enum SettingScope;
using enum SettingKind;

// Global values.
// The update version the user chose not to be told about again.
inline constexpr SettingKey kSkipUpdateMessage{"dont-display-message", Global, Text, ""};
// The iTunes library file the user chose; empty when not chosen.
inline constexpr SettingKey kITunesLibrary{"itunes-library", Global, Text, ""};
// The kind of library "itunes-library" names: "itunes", "folder", "rhythmbox", "strawberry" or
// "clementine". Files written before other kinds were read have none: theirs is iTunes.
inline constexpr SettingKey kLibraryKind{"library-kind", Global, Text, ""};
// Folders named as phones by hand, one a line (phones set up with a folder keep theirs in
// "phone-folder").
inline constexpr SettingKey kPhoneFolders{"phone-folders", Global, Text, ""};

// Per-phone values.
inline constexpr SettingKey kDeleteWithoutWarning{"delete-without-warning", Phone, Flag, "false"};
inline constexpr SettingKey kConvertToMp3{"convert-to-mp3", Phone, Flag, "false"};
inline constexpr SettingKey kSkipUsbEjectWarning{"dont-warn-usb", Phone, Flag, "false"};
inline constexpr SettingKey kSkipDrmWarning{"dont-warn-drm", Phone, Flag, "false"};
inline constexpr SettingKey kSkipNotCopiedWarning{"dont-warn-not-copied", Phone, Flag, "false"};
inline constexpr SettingKey kSkipNotDeletedWarning{"dont-warn-not-deleted", Phone, Flag, "false"};
inline constexpr SettingKey kForceArtworkSync{"force-album-art-sync", Phone, Flag, "true"};
inline constexpr SettingKey kEnableArtworkSync{"enable-album-art-sync", Phone, Flag, "true"};
inline constexpr SettingKey kEpisodesToSync{"number-of-episodes-to-sync", Phone, Number, "0"};
// 0 no podcasts, 1 every podcast, 2 the podcasts named in `podcast` elements.
inline constexpr SettingKey kPodcastSyncSetting{"podcast-sync-setting", Phone, Number, "0"};
inline constexpr SettingKey kCopyTextMessages{"copy-text-messages", Phone, Flag, "false"};
inline constexpr SettingKey kCopyAddressBook{"copy-address-book", Phone, Flag, "false"};
inline constexpr SettingKey kCopyPhotos{"copy-photos", Phone, Flag, "false"};
inline constexpr SettingKey kCopyNotes{"copy-notes", Phone, Flag, "false"};
inline constexpr SettingKey kCopyCalendar{"copy-calendar", Phone, Flag, "false"};
inline constexpr SettingKey kFirstUse{"first-use", Phone, Flag, "false"};
inline constexpr SettingKey kBackupPath{"backup-path", Phone, Text, ""};
// The folder named as this phone when it was set up; empty for a phone found by itself.
inline constexpr SettingKey kPhoneFolder{"phone-folder", Phone, Text, ""};
// When the run of this phone that has not finished began (UTC, ISO 8601); absent after a
// finished run.
inline constexpr SettingKey kRunStarted{"run-started", Phone, Text, ""};

// The warning choices a new choice of music keeps for the phone.
inline constexpr const SettingKey* kPreservedWarnings[] = {
    &kDeleteWithoutWarning, &kSkipUsbEjectWarning, &kSkipDrmWarning, &kSkipNotCopiedWarning,
    &kSkipNotDeletedWarning};

inline constexpr const SettingKey* kAll[] = {
    &kSkipUpdateMessage, &kITunesLibrary, &kLibraryKind, &kPhoneFolders,
    &kDeleteWithoutWarning, &kConvertToMp3, &kSkipUsbEjectWarning, &kSkipDrmWarning,
    &kSkipNotCopiedWarning, &kSkipNotDeletedWarning, &kForceArtworkSync, &kEnableArtworkSync,
    &kEpisodesToSync, &kPodcastSyncSetting, &kCopyTextMessages, &kCopyAddressBook,
    &kCopyPhotos, &kCopyNotes, &kCopyCalendar, &kFirstUse, &kBackupPath, &kPhoneFolder,
    &kRunStarted};

// Structure of the file.
inline constexpr const char* kRootTag = "settings";
// Attribute of the root: the layout the file was written in. Files written before it existed
// have none and read as format 1; their layout is the same.
inline constexpr const char* kFormatAttribute = "version";
inline constexpr int kFormat = 1;
inline constexpr const char* kDeviceTag = "device";
inline constexpr const char* kIdTag = "id";
inline constexpr const char* kNameTag = "name";
inline constexpr const char* kCacheTag = "cache";
inline constexpr const char* kPlaylistTag = "playlist";
inline constexpr const char* kPodcastTag = "podcast";
// A named list: `list` with a `name` attribute, entries with `key` and `value` attributes.
inline constexpr const char* kListTag = "list";
inline constexpr const char* kListEntryTag = "entry";
inline constexpr const char* kPhotoFoldersList = "photo_folders";
// The one playlist entry that means "no music".
inline constexpr const char* kDontSyncMusic = "###DONT-SYNC-MUSIC###";

} // namespace SettingKeys
