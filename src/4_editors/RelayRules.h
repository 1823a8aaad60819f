#pragma once
// The editing rules of one relay, as the relay window applies them: the
// relay type byte with its flags and the names the lookup tables give its
// codes, the key filters and whole-text rules of the typed boxes, the rules
// run on leaving a list, delay or label box, and a record read from the
// panel laid over a relay row. No windows here.
//
// The type byte TIP: bit 7 (128) the relay is not configured, bit 6 (64)
// general activation, bits 0-5 the type code (0 not defined, 6 extinction
// pre-alarm, 10 extinction, 16 control action, 32 siren). The response codes
// DDIA, DNOCH, PDIA and PNOCH: 0 not active, 1 without delay, 2 delayed.

#include "ConfigTables.h"
#include "ModCom.h"

#include <QChar>
#include <QList>
#include <QString>
#include <optional>
#include <utility>

namespace orb {

inline constexpr int TipRelNoDefinido = 0;
inline constexpr int TipRelActGen = 64;
inline constexpr int TipRelNoConfigurado = 128;

// Limits of the delay boxes: what leaving one keeps (minutes 0-9, seconds
// 0-59).
inline constexpr int MaxRetMin = 9;
inline constexpr int MaxRetSeg = 59;

// Rows of a lookup table (TIPREL or DIANIT): code and name, in table order.
using LookupRows = QList<std::pair<int, QString>>;

// The position of a code among the rows; -1 when it has none.
int rowOfCode(const LookupRows &rows, int code);

// The position of the type name a type byte shows: the not-configured row
// for any byte with bit 7 set, else the row of its type code, and for a
// type code without a row the not-defined row. -1 when that row is missing
// too.
int typeRowShown(const LookupRows &types, int tip);

// What a type byte leaves enabled: the delay boxes, the response lists and
// the general-activation box (`programming`) only for a configured relay;
// the activation lists only for a configured relay without general
// activation. The type list and the label are always enabled.
struct RelayEnabling {
    bool programming = false;
    bool lists = false;
    bool operator==(const RelayEnabling &) const = default;
};
RelayEnabling relayEnabling(int tip);

// The type byte with general activation switched on or off.
int tipWithGeneral(int tip, bool general);
// The type byte after the type `code` is picked from the list, with the
// general-activation box checked or not: the bare code (which clears the
// not-configured bit unless the not-configured row is picked), with
// general activation kept when checked.
int tipAfterPick(int code, bool general);

// Key filters of a typed character (Backspace 8 and Escape 27 always
// pass), each given the box's text before the key:
// - a list box takes digits while its number is not above numZon (so with
//   8 zones "8" takes one more digit, "9" none);
// - a delay box takes digits while it holds fewer than two characters;
// - the label takes any character Windows-1252 holds, up to 16, and one
//   more over a selection.
bool listKeyAccepted(QChar key, const QString &before, int numZon);
bool delayKeyAccepted(QChar key, const QString &before);
bool labelKeyAccepted(QChar key, int length, int selectionLength);

// Whether a list or delay box may hold a text however it got there (typed
// or pasted): only a plain number, digits alone, or nothing.
bool numberTextAcceptable(const QString &text);
// The same for the label: at most 16 characters, all in Windows-1252.
bool labelTextAcceptable(const QString &text);

// The number in a box: the leading decimal number of its text, 0 when it
// has none.
int boxNumber(const QString &text);

// The texts of one activation list's start and end boxes.
struct ListTexts {
    QString start;
    QString end;
    bool operator==(const ListTexts &) const = default;
};

// Leaving the start box of a list: empty becomes "0"; a number above
// numZon, or below the end of the list before (`previousEnd`, none for list
// 1), becomes "0"; a start of 0 sets the end to "0".
ListTexts startBoxLeft(ListTexts list, const std::optional<QString> &previousEnd, int numZon);
// Leaving the end box of a list: empty takes the start; with a start of 0
// it becomes "0"; below the start or above numZon it takes the start.
QString endBoxLeft(const ListTexts &list, int numZon);
// Leaving a delay box: empty or above `maximum` becomes "0".
QString delayBoxLeft(const QString &text, int maximum);

// A relay row with a record read from the panel laid over it: the type byte
// as received (general activation is its bit 6), the delay, the lists and
// the four response codes of the mode byte. Number and label stay.
RelayRow withRecord(RelayRow row, const RelayRecord &record);

} // namespace orb
