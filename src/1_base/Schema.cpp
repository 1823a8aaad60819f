#include "Schema.h"

namespace orb {

namespace {

using T = FieldType;

FieldDef num(const char *name, T type, bool required = false)
{
    return FieldDef{name, type, 0, required, false, 0};
}

FieldDef text(const char *name, int size, bool zeroLength, QVariant def = {})
{
    return FieldDef{name, T::Text, size, false, zeroLength, def};
}

QString quoted(const QString &identifier)
{
    return QLatin1Char('"') + identifier + QLatin1Char('"');
}

QString declaredType(const FieldDef &f)
{
    switch (f.type) {
    case T::Byte: return QStringLiteral("TINYINT");
    case T::Integer: return QStringLiteral("SMALLINT");
    // Not "INTEGER": a one-column INTEGER key would become the row id and
    // number rows by itself instead of taking the default.
    case T::Long: return QStringLiteral("INT");
    case T::Double: return QStringLiteral("DOUBLE");
    case T::Text: return QStringLiteral("VARCHAR(%1)").arg(f.size ? f.size : kDefaultTextSize);
    }
    return {};
}

QString rangeCheck(const FieldDef &f)
{
    const QString n = quoted(QString::fromLatin1(f.name));
    switch (f.type) {
    case T::Byte: return QStringLiteral("CHECK (%1 BETWEEN 0 AND 255)").arg(n);
    case T::Integer: return QStringLiteral("CHECK (%1 BETWEEN -32768 AND 32767)").arg(n);
    case T::Long: return QStringLiteral("CHECK (%1 BETWEEN -2147483648 AND 2147483647)").arg(n);
    case T::Double: return QStringLiteral("CHECK (typeof(%1) IN ('real', 'integer', 'null'))").arg(n);
    case T::Text: {
        QString check = QStringLiteral("CHECK (length(%1) <= %2)").arg(n).arg(f.size ? f.size : kDefaultTextSize);
        if (!f.allowZeroLength)
            check += QStringLiteral(" CHECK (%1 <> '')").arg(n);
        return check;
    }
    }
    return {};
}

QString defaultClause(const FieldDef &f)
{
    if (!f.defaultValue.isValid())
        return {};
    if (f.type == T::Text)
        return QStringLiteral("DEFAULT '%1'").arg(f.defaultValue.toString());
    return QStringLiteral("DEFAULT %1").arg(f.defaultValue.toString());
}

} // namespace

const TableDef &tabDiaNit()
{
    static const TableDef t{"DIANIT", {num("TIP", T::Double), text("NOMTIP", 50, false)}, {"TIP"}};
    return t;
}

const TableDef &tabTipRel()
{
    static const TableDef t{"TIPREL",
                            {num("TIP", T::Double), text("NOMTIP", 50, true), text("DESC", 50, true)},
                            {"TIP"}};
    return t;
}

const TableDef &tabConfCentral()
{
    static const TableDef t{"CONFCENTRAL",
                            {num("IDCON", T::Long, true), text("NOMCON", LenNomCon, true), num("NUMZON", T::Long),
                             num("NUMREL", T::Long), text("ETIINI", LenEtiqueta, true), num("SG1M", T::Long),
                             num("SG1S", T::Long), num("INIDIA", T::Long), num("ININIT", T::Long),
                             num("NUMBAR", T::Long), num("BAUD", T::Integer), num("DATBIT", T::Integer),
                             num("STPBIT", T::Integer), text("PAR", 50, false, 0), num("ECO", T::Integer),
                             num("FLU", T::Integer), num("PORT", T::Integer)},
                            {"IDCON"}};
    return t;
}

const TableDef &tabImpConfCentral()
{
    static const TableDef t{"IMPCONFCENTRAL",
                            {text("NOMCON", 50, true), text("NUMZON", 50, true), text("NUMREL", 50, true),
                             text("ETIINI", 16, true), text("SG1M", 50, true), text("SG1S", 50, true),
                             text("INIDIA", 50, true), text("ININIT", 0, false, 0), text("NUMBAR", 50, true),
                             text("BAUD", 50, true), text("DATBIT", 50, true), text("STPBIT", 50, true),
                             text("PAR", 50, false, 0), text("ECO", 50, true), text("FLU", 50, true),
                             text("PORT", 50, true)},
                            {}};
    return t;
}

const TableDef &tabConfZonas()
{
    static const TableDef t{"CONFZONAS",
                            {num("IDCON", T::Long, true), num("IDZON", T::Byte, true),
                             text("ETIZON", LenEtiqueta, true)},
                            {"IDCON", "IDZON"}};
    return t;
}

const TableDef &tabConfReles()
{
    static const TableDef t{"CONFRELES",
                            {num("IDCON", T::Long, true), num("IDREL", T::Byte, true), num("TIP", T::Byte),
                             text("ETIREL", LenEtiqueta, true), num("RMIN", T::Byte), num("RSEC", T::Byte),
                             num("DDIA", T::Byte), num("DNOCH", T::Byte), num("PDIA", T::Byte),
                             num("PNOCH", T::Byte), num("IL1", T::Byte), num("FL1", T::Byte), num("IL2", T::Byte),
                             num("FL2", T::Byte), num("IL3", T::Byte), num("FL3", T::Byte), num("IL4", T::Byte),
                             num("FL4", T::Byte)},
                            {"IDCON", "IDREL"}};
    return t;
}

const TableDef &tabImpConfReles()
{
    static const TableDef t = [] {
        TableDef d{"IMPCONFRELES",
                   {num("IDCON", T::Long, true), num("IDREL", T::Byte, true), text("TIP", 0, false, 0),
                    text("ETIREL", 20, true), num("RMIN", T::Byte), num("RSEC", T::Byte),
                    text("DDIA", 0, false, 20), text("DNOCH", 0, false, 20), text("PDIA", 0, false, 20),
                    text("PNOCH", 0, false, 20)},
                   {"IDCON", "IDREL"}};
        static const char *const lists[4][4] = {{"IL1", "IL1Label", "FL1", "FL1Label"},
                                                 {"IL2", "IL2Label", "FL2", "FL2Label"},
                                                 {"IL3", "IL3Label", "FL3", "FL3Label"},
                                                 {"IL4", "IL4Label", "FL4", "FL4Label"}};
        for (const auto &list : lists) {
            d.fields << num(list[0], T::Byte) << text(list[1], 0, false, 16) << num(list[2], T::Byte)
                     << text(list[3], 0, false, 16);
        }
        d.fields << text("ACTGEN", 0, false, 16);
        return d;
    }();
    return t;
}

QList<const TableDef *> allTables()
{
    return {&tabDiaNit(),    &tabTipRel(),    &tabConfCentral(), &tabImpConfCentral(),
            &tabConfZonas(), &tabConfReles(), &tabImpConfReles()};
}

QString createTableSql(const TableDef &table)
{
    QStringList columns;
    for (const FieldDef &f : table.fields) {
        QStringList parts{quoted(QString::fromLatin1(f.name)), declaredType(f)};
        if (f.required)
            parts << QStringLiteral("NOT NULL");
        const QString def = defaultClause(f);
        if (!def.isEmpty())
            parts << def;
        parts << rangeCheck(f);
        columns << parts.join(QLatin1Char(' '));
    }
    if (!table.primaryKey.isEmpty()) {
        QStringList key;
        for (const QString &k : table.primaryKey)
            key << quoted(k);
        columns << QStringLiteral("CONSTRAINT PrimaryKey PRIMARY KEY (%1)").arg(key.join(QStringLiteral(", ")));
    }
    return QStringLiteral("CREATE TABLE %1 (\n  %2\n)")
        .arg(quoted(QString::fromLatin1(table.name)), columns.join(QStringLiteral(",\n  ")));
}

} // namespace orb
