#include "RelayRules.h"

#include "GeneralFields.h"
#include "ModBas.h"

#include <algorithm>

namespace orb {

namespace {

bool isAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

bool isEditKey(QChar key) { return key == kBackspace || key == kEscape; }

} // namespace

int rowOfCode(const LookupRows &rows, int code)
{
    for (int i = 0; i < rows.size(); ++i) {
        if (rows.at(i).first == code)
            return i;
    }
    return -1;
}

int typeRowShown(const LookupRows &types, int tip)
{
    const int code = (tip & TipRelNoConfigurado) ? TipRelNoConfigurado : (tip & 63);
    const int row = rowOfCode(types, code);
    return row >= 0 ? row : rowOfCode(types, TipRelNoDefinido);
}

RelayEnabling relayEnabling(int tip)
{
    if (tip & TipRelNoConfigurado)
        return {false, false};
    return {true, !(tip & TipRelActGen)};
}

int tipWithGeneral(int tip, bool general) { return general ? (tip | TipRelActGen) : (tip & ~TipRelActGen & 0xFF); }

int tipAfterPick(int code, bool general) { return tipWithGeneral(code, general); }

bool listKeyAccepted(QChar key, const QString &before, int numZon)
{
    if (isEditKey(key))
        return true;
    return isAsciiDigit(key) && boxNumber(before) <= numZon;
}

bool delayKeyAccepted(QChar key, const QString &before)
{
    if (isEditKey(key))
        return true;
    return isAsciiDigit(key) && before.size() < 2;
}

bool labelKeyAccepted(QChar key, int length, int selectionLength)
{
    return generalKeyAccepted(FieldLabel, key, length, selectionLength);
}

bool numberTextAcceptable(const QString &text) { return std::all_of(text.cbegin(), text.cend(), isAsciiDigit); }

bool labelTextAcceptable(const QString &text) { return generalTextAcceptable(FieldLabel, text); }

int boxNumber(const QString &text)
{
    // Far beyond any limit the boxes know, and still an int.
    return int(std::clamp(leadingNumber(text), -1e6, 1e6));
}

ListTexts startBoxLeft(ListTexts list, const std::optional<QString> &previousEnd, int numZon)
{
    if (list.start.isEmpty())
        list.start = QStringLiteral("0");
    const int start = boxNumber(list.start);
    if (start > numZon || (previousEnd && start < boxNumber(*previousEnd)))
        list.start = QStringLiteral("0");
    if (boxNumber(list.start) == 0)
        list.end = QStringLiteral("0");
    return list;
}

QString endBoxLeft(const ListTexts &list, int numZon)
{
    const QString end = list.end.isEmpty() ? list.start : list.end;
    const int start = boxNumber(list.start);
    if (start == 0)
        return QStringLiteral("0");
    const int number = boxNumber(end);
    return number < start || number > numZon ? list.start : end;
}

QString delayBoxLeft(const QString &text, int maximum)
{
    return text.isEmpty() || boxNumber(text) > maximum ? QStringLiteral("0") : text;
}

RelayRow withRecord(RelayRow row, const RelayRecord &record)
{
    row.TIP = record.TIP;
    row.RMIN = record.RMIN;
    row.RSEC = record.RSEC;
    row.IL = {record.IL[0], record.IL[1], record.IL[2], record.IL[3]};
    row.FL = {record.FL[0], record.FL[1], record.FL[2], record.FL[3]};
    const ModeCodes mode = decodeModeByte(record.Mode);
    row.DDIA = mode.DDIA;
    row.DNOCH = mode.DNOCH;
    row.PDIA = mode.PDIA;
    row.PNOCH = mode.PNOCH;
    return row;
}

} // namespace orb
