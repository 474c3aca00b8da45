#pragma once

// Result codes of the XML exporters (address book, messages, calendar, notes). Once a result is
// not Ok, an exporter reads no further database of its list.
namespace ExportResult {
constexpr int Ok = 0;
// A database file could not be opened.
constexpr int DatabaseNotOpened = -12000;
// A database was opened but the driver does not consider it valid.
constexpr int DatabaseInvalid = -12001;
// The main selection of a database failed (only where an exporter treats it as fatal).
constexpr int SelectionFailed = -12002;
// The XML output file could not be opened for writing (or not written completely).
constexpr int OutputNotOpened = -12004;
} // namespace ExportResult
