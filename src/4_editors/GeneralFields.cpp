#include "GeneralFields.h"

#include "AppState.h"
#include "ConfigTables.h"
#include "ConfigurationCheck.h"
#include "Cp1252.h"
#include "ModBas.h"
#include "Marks.h"
#include "Seams.h"
#include "Strings.h"

#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <cerrno>

namespace orb {

namespace {

bool isAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

bool isNumberField(int index) { return index >= FieldZones && index <= FieldNightHour; }

// The working database of the open configuration, open again.
void reopenOpenConfiguration()
{
    if (appState().ConfCargada) {
        QSqlDatabase db = BaseDatos();
        db.setDatabaseName(workingDatabasePath());
        db.open();
    }
}

// The previous working database is kept aside while the new one is made, and
// put back when making it fails.
void putPreviousBack()
{
    Close_DB();
    if (!putPreviousDatabaseBack()) {
        removeDatabaseFile(workingDatabasePath());
        return;
    }
    reopenOpenConfiguration();
}

// The general row's columns of the six fields, in order.
ColumnValues generalColumns(const GeneralTexts &texts)
{
    return {{"NOMCON", texts[FieldName]},
            {"NUMZON", int(generalNumber(texts[FieldZones]))},
            {"NUMREL", int(generalNumber(texts[FieldRelays]))},
            {"INIDIA", int(generalNumber(texts[FieldDayHour]))},
            {"ININIT", int(generalNumber(texts[FieldNightHour]))},
            {"ETIINI", texts[FieldLabel]}};
}

// The header of the open configuration from the six fields.
void setHeader(const GeneralTexts &texts)
{
    AppState &s = appState();
    s.NomCon = texts[FieldName];
    s.NumZon = quint8(generalNumber(texts[FieldZones]));
    s.NumRel = quint8(generalNumber(texts[FieldRelays]));
    s.IniDia = quint8(generalNumber(texts[FieldDayHour]));
    s.IniNit = quint8(generalNumber(texts[FieldNightHour]));
    s.EtiIni = texts[FieldLabel];
}

} // namespace

bool generalKeyAccepted(int index, QChar key, int length, int selectionLength)
{
    if (isNumberField(index))
        return isAsciiDigit(key) || key == kBackspace || key == kEscape;
    if (key == kBackspace)
        return true;
    const int limit = index == FieldName ? LenNomCon : LenEtiqueta;
    if (length >= limit && selectionLength == 0)
        return false;
    // Only characters that Windows-1252, in which both are kept, holds.
    return cp1252Byte(key) >= 0;
}

bool generalTextAcceptable(int index, const QString &text, bool signBlank)
{
    if (isNumberField(index)) {
        auto digits = text.cbegin();
        while (signBlank && digits != text.cend() && *digits == QLatin1Char(' '))
            ++digits;
        return std::all_of(digits, text.cend(), isAsciiDigit);
    }
    // A name or label is one line of visible text: a pasted tab or line
    // break is refused with the rest.
    if (hasControlCharacters(text))
        return false;
    // Both are kept in Windows-1252: a character the code page lacks could
    // never be saved (nor sent to the panel).
    const int limit = index == FieldName ? LenNomCon : LenEtiqueta;
    return (index == FieldName || index == FieldLabel) && text.size() <= limit && fitsCp1252(text);
}

std::optional<QString> editAsTyped(int index, const QString &before, const QString &after, int *caret)
{
    if (isNumberField(index))
        return std::nullopt;
    // What the edit left of `before` is its start and its end; what lies
    // between them in `after` was put in. The end is what follows the caret.
    const qsizetype end = std::clamp<qsizetype>(caret ? *caret : after.size(), 0, after.size());
    qsizetype tail = 0;
    while (tail < after.size() - end && tail < before.size()
           && after.at(after.size() - 1 - tail) == before.at(before.size() - 1 - tail))
        ++tail;
    qsizetype head = 0;
    while (head < after.size() - tail && head < before.size() - tail && after.at(head) == before.at(head))
        ++head;
    const QString put = after.mid(head, after.size() - tail - head);
    if (hasControlCharacters(put))
        return std::nullopt;
    const qsizetype limit = index == FieldName ? LenNomCon : LenEtiqueta;
    const qsizetype room = std::max<qsizetype>(0, limit - head - tail);
    QString kept;
    for (QChar c : put) {
        if (kept.size() < room && cp1252Byte(c) >= 0)
            kept += c;
    }
    if (kept.isEmpty() && !put.isEmpty())
        return std::nullopt;
    const QString text = after.left(head) + kept + after.right(tail);
    if (!generalTextAcceptable(index, text))
        return std::nullopt;
    if (caret)
        *caret = int(head + kept.size());
    return text;
}

double generalNumber(const QString &text) { return leadingNumber(text); }

std::optional<RangeFailure> firstRangeFailure(const GeneralTexts &texts)
{
    if (generalNumber(texts[FieldZones]) > MaxZonas)
        return RangeFailure{FieldZones, Str(839)};
    if (generalNumber(texts[FieldRelays]) > MaxReles)
        return RangeFailure{FieldRelays, Str(840)};
    if (generalNumber(texts[FieldDayHour]) > MaxHora)
        return RangeFailure{FieldDayHour, Str(841)};
    if (generalNumber(texts[FieldNightHour]) > MaxHora)
        return RangeFailure{FieldNightHour, Str(842)};
    return std::nullopt;
}

int firstEmptyField(const GeneralTexts &texts)
{
    for (int i = 0; i < kGeneralFieldCount; ++i) {
        if (texts[i].isEmpty())
            return i;
    }
    return -1;
}

bool createConfiguration(const GeneralTexts &texts)
{
    AppState &s = appState();
    s.RutaBD = workingDatabasePath();

    // The previous working database goes aside first, so that a failure
    // further on can put it back. When it cannot (no room for the note that
    // goes with it), nothing is made and it stays open in place.
    Close_DB();
    QString failedPath;
    if (!setWorkingDatabaseAside(&failedPath)) {
        const int code = errno;
        reopenOpenConfiguration();
        showDatabaseFailure(failedPath, errnoError(code));
        return false;
    }

    if (!Create_DB()) {   // reports its own failure
        putPreviousBack();
        return false;
    }

    QSqlDatabase db = BaseDatos();
    db.setDatabaseName(s.RutaBD);
    if (!db.open()) {
        const QString code = numberedError(db.lastError(), kSqliteCantOpen);
        putPreviousBack();
        showDatabaseFailure(s.RutaBD, code);
        return false;
    }

    // Every row or none: a configuration is never left half made. The
    // general row takes the column's default IDCON, 0, and its zones and
    // relays the same, whatever configuration was open before.
    const int zones = int(generalNumber(texts[FieldZones]));
    const int relays = int(generalNumber(texts[FieldRelays]));
    constexpr int idCon = 0;
    QSqlError error;
    const bool stored = [&] {
        Transaction transaction(db);
        const bool ok = transaction.started() && insertGeneralRow(generalColumns(texts), &error)
                        && addDefaultZoneRows(idCon, 1, zones, &error)
                        && addDefaultRelayRows(idCon, 1, relays, &error) && transaction.commit();
        if (!ok && !error.isValid())
            error = transaction.error();
        return ok;
    }();
    if (!stored) {
        putPreviousBack();
        // The engine's number and text: a full disk is named as such.
        showDatabaseFailure(s.RutaBD, numberedError(error, kSqliteError));
        return false;
    }

    s.IdCon = idCon;
    setHeader(texts);

    s.NumNuevas = s.NumNuevas + 1;
    const QString number = QString::number(qint64(s.NumNuevas));
    s.WorkingName = Str(4924) + number;
    s.WorkingFile = dataFolder() + QLatin1Char('/') + Str(4924) + number;
    writeWorkingMarks(s.WorkingFile, s.WorkingName);
    // Only now that the marks name the new configuration is the previous one
    // dropped: an end before this point restores the previous one.
    dropPreviousDatabase();
    s.ConfCargada = true;
    s.ConfModif = true;
    // A new configuration was not restored, whatever was open before.
    s.ConfRecup = false;
    return true;
}

bool storeGeneralPart(const GeneralTexts &texts)
{
    AppState &s = appState();
    const int zones = int(generalNumber(texts[FieldZones]));
    const int relays = int(generalNumber(texts[FieldRelays]));
    const int oldZones = s.NumZon;
    const int oldRelays = s.NumRel;
    QSqlError error;
    const bool stored = [&] {
        Transaction transaction(BaseDatos());
        const bool ok =
            transaction.started()
            && updateGeneralRow(generalColumns(texts), &error)
            && (zones == oldZones
                || (zones > oldZones ? addDefaultZoneRows(s.IdCon, oldZones + 1, zones, &error)
                                     : deleteZonesAbove(zones, s.IdCon, &error)))
            && (relays == oldRelays
                || (relays > oldRelays ? addDefaultRelayRows(s.IdCon, oldRelays + 1, relays, &error)
                                       : deleteRelaysAbove(relays, s.IdCon, &error)))
            && transaction.commit();
        if (!ok && !error.isValid())
            error = transaction.error();
        return ok;
    }();
    if (!stored) {
        // A general row that is missing says so alone; any other failure
        // with the engine's reason.
        s.MensajeAux = Str(120);
        if (!isNoRowError(error))
            s.MensajeAux += QStringLiteral("\n\n") + databaseErrorText(error);
        MsgBox(s.MensajeAux, MsgOk);
        return false;
    }
    setHeader(texts);
    s.ConfModif = true;
    return true;
}

} // namespace orb
