#include "ModPrint.h"

#include "AppState.h"
#include "ConfigTables.h"
#include "PrintHost.h"
#include "RptCon.h"
#include "RptRel.h"
#include "RptZon.h"
#include "Schema.h"
#include "Seams.h"
#include "Strings.h"

#include <QHash>

namespace orb {

namespace {

// The value as a whole number; nullopt for null and for what is no number.
std::optional<int> code(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    bool ok = false;
    const int n = value.toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

// A number or text copied into a text column: null stays null.
QVariant asText(const QVariant &value)
{
    return value.isNull() ? QVariant() : QVariant(value.toString());
}

// Cuts every text of the row to the size of its column in the table.
void fitColumns(QVariantMap &row, const TableDef &table)
{
    for (const FieldDef &f : table.fields) {
        if (f.type != FieldType::Text)
            continue;
        const auto it = row.find(QString::fromLatin1(f.name));
        if (it == row.end() || it->typeId() != QMetaType::QString)
            continue;
        QString text = it->toString();
        const int size = f.size ? f.size : kDefaultTextSize;
        if (text.size() > size) {
            text.truncate(size);
            if (text.back().isHighSurrogate())
                text.chop(1);
            *it = text;
        }
    }
}

// Tells the user that a step of a refill failed: the step and the engine's
// error code.
bool refillFailed(const char *step, const QSqlError &error)
{
    AppState &s = appState();
    s.MensajeAux = QLatin1String(step) + QStringLiteral(" Error: ") + errorCodeOf(error);
    MsgBox(s.MensajeAux, MsgOk, applicationTitle());
    return false;
}

// Refills a print table with the rows converted from every row of its
// source table. `reading` and `emptying` name the two steps in the message
// that reports a failure of either.
bool refill(const TableDef &source, const TableDef &target,
            const std::function<QVariantMap(const QVariantMap &)> &convert, const char *reading, const char *emptying)
{
    QSqlError error;
    const QList<QVariantMap> sourceRows = reportRows(source, &error);
    if (error.isValid())
        return refillFailed(reading, error);
    QList<QList<std::pair<QString, QVariant>>> rows;
    rows.reserve(sourceRows.size());
    for (const QVariantMap &sourceRow : sourceRows) {
        const QVariantMap row = convert(sourceRow);
        QList<std::pair<QString, QVariant>> columns;
        for (auto it = row.begin(); it != row.end(); ++it)
            columns.append({it.key(), it.value()});
        rows.append(columns);
    }
    return replacePrintRows(target, rows, &error) || refillFailed(emptying, error);
}

} // namespace

QString relayTypeWord(const QVariant &tip)
{
    switch (code(tip).value_or(0) & 0xBF) {
    case 128: return Str(5026);
    case 3: return Str(5027);
    case 6: return Str(5028);
    case 10: return Str(5029);
    case 16: return Str(5030);
    case 32: return Str(5031);
    default: return Str(5032);
    }
}

QString generalActivationWord(const QVariant &tip)
{
    return (code(tip).value_or(0) & 0x40) ? Str(5037) : Str(5036);
}

QString responseWord(const QVariant &value)
{
    switch (code(value).value_or(-1)) {
    case 0: return Str(5033);
    case 1: return Str(5034);
    case 2: return Str(5035);
    default: return Str(5032);
    }
}

QString parityWord(const QVariant &parity)
{
    const QString p = parity.toString();
    if (p == QLatin1String("N") || p == QLatin1String("n"))
        return Str(5009);
    if (p == QLatin1String("E") || p == QLatin1String("e"))
        return Str(5010);
    if (p == QLatin1String("O") || p == QLatin1String("o"))
        return Str(5011);
    if (p == QLatin1String("M") || p == QLatin1String("m"))
        return Str(5012);
    if (p == QLatin1String("S") || p == QLatin1String("s"))
        return Str(5013);
    return Str(5014);
}

QString flowWord(const QVariant &flow)
{
    switch (code(flow).value_or(-1)) {
    case 0: return Str(5015);
    case 1: return Str(5016);
    case 2: return Str(5017);
    case 3: return Str(5018);
    default: return Str(5019);
    }
}

QVariantMap impConfCentralRow(const QVariantMap &conf)
{
    const auto text = [&conf](const char *field) { return conf.value(QLatin1String(field)).toString(); };
    QVariantMap row;
    row.insert(QStringLiteral("NUMZON"), asText(conf.value(QStringLiteral("NUMZON"))));
    row.insert(QStringLiteral("NUMREL"), asText(conf.value(QStringLiteral("NUMREL"))));
    row.insert(QStringLiteral("NOMCON"), QLatin1Char(' ') + text("NOMCON"));
    row.insert(QStringLiteral("BAUD"), QLatin1Char(' ') + text("BAUD") + Str(5006));
    row.insert(QStringLiteral("DATBIT"), QLatin1Char(' ') + text("DATBIT") + Str(5007));
    row.insert(QStringLiteral("STPBIT"), QLatin1Char(' ') + text("STPBIT") + Str(5008));
    row.insert(QStringLiteral("PAR"), parityWord(conf.value(QStringLiteral("PAR"))));
    row.insert(QStringLiteral("FLU"), flowWord(conf.value(QStringLiteral("FLU"))));
    row.insert(QStringLiteral("PORT"), Str(5020) + text("PORT"));
    row.insert(QStringLiteral("ETIINI"), asText(conf.value(QStringLiteral("ETIINI"))));
    row.insert(QStringLiteral("SG1M"), text("SG1M") + QLatin1Char(' ') + Str(5409));
    row.insert(QStringLiteral("SG1S"), text("SG1S") + QLatin1Char(' ') + Str(5410));
    row.insert(QStringLiteral("INIDIA"), asText(conf.value(QStringLiteral("INIDIA"))));
    row.insert(QStringLiteral("ININIT"), asText(conf.value(QStringLiteral("ININIT"))));
    fitColumns(row, tabImpConfCentral());
    return row;
}

QVariantMap impConfRelesRow(const QVariantMap &relay, const ZoneLabelLookup &zoneLabel)
{
    const QVariant tip = relay.value(QStringLiteral("TIP"));
    QVariantMap row;
    for (const char *field : {"IDCON", "IDREL", "RMIN", "RSEC"})
        row.insert(QLatin1String(field), relay.value(QLatin1String(field)));
    row.insert(QStringLiteral("ETIREL"), QLatin1Char(' ') + relay.value(QStringLiteral("ETIREL")).toString());
    row.insert(QStringLiteral("TIP"), relayTypeWord(tip));
    for (const char *field : {"DDIA", "DNOCH", "PDIA", "PNOCH"})
        row.insert(QLatin1String(field), responseWord(relay.value(QLatin1String(field))));
    row.insert(QStringLiteral("ACTGEN"), generalActivationWord(tip));
    for (const char *field : {"IL1", "FL1", "IL2", "FL2", "IL3", "FL3", "IL4", "FL4"}) {
        const QString name = QLatin1String(field);
        const int bound = code(relay.value(name)).value_or(0);
        row.insert(name, bound);
        // The label column takes no empty text: a zone without a row or
        // without a label shows a blank.
        const std::optional<QString> label = zoneLabel ? zoneLabel(bound) : std::nullopt;
        row.insert(name + QLatin1String("Label"), label && !label->isEmpty() ? *label : QStringLiteral(" "));
    }
    fitColumns(row, tabImpConfReles());
    return row;
}

bool Prn_Con(RptCon &report)
{
    report.applyTitle(printHost().configurationCaption());
    return refill(tabConfCentral(), tabImpConfCentral(), impConfCentralRow, "SELECT * FROM CONFCENTRAL ",
                  "DELETE * from IMPCONFCENTRAL ");
}

void Prn_Zon(RptZon &report) { report.applyTitle(printHost().configurationCaption()); }

bool Prn_Rel(RptRel &report)
{
    report.applyTitle(printHost().configurationCaption());
    // Every zone label is read once, not once for each bound of each relay;
    // of two rows of a zone the one read last counts.
    QSqlError error;
    const QList<QVariantMap> zones = reportRows(tabConfZonas(), &error);
    if (error.isValid())
        return refillFailed("SELECT * FROM CONFZONAS ", error);
    QHash<int, QString> labels;
    for (const QVariantMap &zone : zones)
        labels.insert(zone.value(QStringLiteral("IDZON")).toInt(), zone.value(QStringLiteral("ETIZON")).toString());
    const auto zoneLabel = [&labels](int zone) -> std::optional<QString> {
        const auto it = labels.constFind(zone);
        return it == labels.constEnd() ? std::nullopt : std::optional<QString>(*it);
    };
    const auto convert = [&zoneLabel](const QVariantMap &relay) { return impConfRelesRow(relay, zoneLabel); };
    return refill(tabConfReles(), tabImpConfReles(), convert, "SELECT * FROM CONFRELES ORDER BY IDREL",
                  "DELETE * from IMPCONFRELES ");
}

} // namespace orb
