#pragma once
// The six general fields of a configuration (name, zones, relays, day-mode
// hour, night-mode hour, panel label), as the new-configuration dialog and
// the general-configuration window edit them: the key filter, the rule for
// whole texts (pasted ones included), the range check run on leaving a field,
// the default zone and relay rows, and the creation of a new configuration
// in the working database. No windows here.

#include "Schema.h"

#include <QChar>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <array>
#include <optional>

namespace orb {

// Field indexes of the TxtCon arrays.
enum GeneralField { FieldName = 0, FieldZones, FieldRelays, FieldDayHour, FieldNightHour, FieldLabel };
inline constexpr int kGeneralFieldCount = 6;
using GeneralTexts = std::array<QString, kGeneralFieldCount>;


inline constexpr char16_t kBackspace = 8;
inline constexpr char16_t kEscape = 27;

// Key filter for a typed character in field `index`: number fields take
// digits, Backspace and Escape; the name and the label take any character
// of Windows-1252 (the code page in which they are stored, and the label
// reaches the panel) but refuse one once full unless text is selected (it
// replaces the selection).
bool generalKeyAccepted(int index, QChar key, int length, int selectionLength);

// Whether a field may hold a text, however it got there (typed or pasted):
// number fields only digits (after blanks, with `signBlank`), the name at
// most LenNomCon characters, the label at most LenEtiqueta, both within
// Windows-1252 and neither with a control character (tab, line break, NUL).
bool generalTextAcceptable(int index, const QString &text, bool signBlank = false);

// The name or the label after an edit (typed, pasted or dropped) that made
// `after` of `before`, with the caret left at *caret, just after what the
// edit put in: what typing the characters put in one by one would have made
// of it. Each character Windows-1252 lacks is dropped, as its key would be,
// and so is each beyond the field's limit. Nothing (the edit is refused and
// the box keeps `before`) when what was put in holds a control character
// (a tab, a line break), or none of it would be kept, as no key of it would
// replace a selection. *caret is then after the characters kept.
std::optional<QString> editAsTyped(int index, const QString &before, const QString &after, int *caret);

// Value of a number field: the leading decimal number of its text, 0 when
// it has none.
double generalNumber(const QString &text);

struct RangeFailure {
    int index;       // the failing field, 1..4
    QString message; // its message (839-842)
};
// The first of the four number fields above its limit, tested in the order
// zones, relays, day hour, night hour.
std::optional<RangeFailure> firstRangeFailure(const GeneralTexts &texts);

// The first empty field, or -1.
int firstEmptyField(const GeneralTexts &texts);

// Replaces the working database by a new one holding the general row of
// `texts` (already checked: none empty, all within range) and the default
// zone and relay rows, and makes it the open configuration: header, name
// ConfigN and its made-up path, the settings-store marks, ConfCargada and
// ConfModif set, ConfRecup cleared. On failure the message is shown, the previous working database
// is put back where it still exists and nothing else changes.
bool createConfiguration(const GeneralTexts &texts);

// Stores the general part of the open configuration from `texts` (already
// checked: none empty, all within range), in one transaction: the general
// row, then default zone and relay rows added up to the new counts or the
// rows above them deleted (counted from the header's NumZon and NumRel).
// Then the header takes the new values and ConfModif is set. On failure
// message 120 tells why and nothing changes.
bool storeGeneralPart(const GeneralTexts &texts);

} // namespace orb
