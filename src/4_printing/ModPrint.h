#pragma once
// The display-ready rows of the print tables. Before the general and relay
// reports are shown, every row of CONFCENTRAL and CONFRELES is copied into
// IMPCONFCENTRAL and IMPCONFRELES with its codes turned into words of the
// string table (in the language in force) and the zone labels of its
// activation lists looked up. These functions build one print row from one
// source row; rows map field names to values, a missing field counting as
// null.

#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <functional>
#include <optional>

namespace orb {

class RptCon;
class RptRel;
class RptZon;

// Type word of a relay's TIP with the general-activation bit cleared (bit 7
// stays, so only 128 and 192 are "not configured"): 128, 3, 6, 10, 16, 32
// have their words, everything else (null and 0 included) is NO_PRG.
QString relayTypeWord(const QVariant &tip);
// Bit 6 of TIP: YES when set, NO otherwise (null counts as 0).
QString generalActivationWord(const QVariant &tip);
// Day/night response code: 0 inactive, 1 without delay, 2 with delay, any
// other value (null included) NO_PRG.
QString responseWord(const QVariant &code);
// Word of the stored parity text, compared case-sensitively as a whole: N, E,
// O, M, S in either case; anything else, the empty text included, is "not
// configured".
QString parityWord(const QVariant &parity);
// Word of the handshaking code 0-3; any other value is "not configured".
QString flowWord(const QVariant &flow);

// The IMPCONFCENTRAL row of one CONFCENTRAL row: counts, hours and the panel
// label as text, the name behind a blank, the port settings as words, the
// minutes and seconds with their units. Every text is cut to its column's
// size, so the longest configuration name still fits behind its blank.
QVariantMap impConfCentralRow(const QVariantMap &conf);

// Label of a zone by its number; nullopt when the zone has no row.
using ZoneLabelLookup = std::function<std::optional<QString>(int zone)>;

// The IMPCONFRELES row of one CONFRELES row: ids, delay minutes and seconds
// as they are, the label behind a blank, the type, response and general
// activation words, the eight list bounds (null as 0) and beside each bound
// the label of the zone it names. A bound without a zone row, or whose zone
// has an empty label, gets a single blank.
QVariantMap impConfRelesRow(const QVariantMap &relay, const ZoneLabelLookup &zoneLabel);

// ---- Preparing a report ---------------------------------------------------
//
// Each report is prepared just before it is shown or printed. Its title (and
// the caption of a preview of it) becomes the report's heading followed by
// the configuration caption of the main window's status panel as it stands.
// The general and relay reports then get their print table refilled from
// the configuration: every row of the source table converted as above and
// written, together with the emptying of the table, in one transaction, so
// that the report reads the new rows as soon as the procedure returns.
// When the refill fails the user is told, the table keeps the rows it held
// and the procedure returns false: the report must not be shown.

// IMPCONFCENTRAL from CONFCENTRAL.
bool Prn_Con(RptCon &report);
// The zone report reads CONFZONAS itself: the title only.
void Prn_Zon(RptZon &report);
// IMPCONFRELES from CONFRELES in relay order, with the zone labels of the
// activation lists.
bool Prn_Rel(RptRel &report);

} // namespace orb
