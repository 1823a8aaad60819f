#pragma once
// The rows a report prints, read from a table of the working database each
// time the report is rendered, so that a preview painted again shows what
// the table holds then.

#include "RowSource.h"

namespace orb {

struct TableDef;

class TableRowSource : public RowSource {
public:
    // One of the tables the reports print: IMPCONFCENTRAL, CONFZONAS or
    // IMPCONFRELES.
    explicit TableRowSource(const TableDef &table) : m_table(table) {}
    // Every row in the order it prints; none when the table cannot be read.
    QList<QVariantMap> rows() override;

private:
    const TableDef &m_table;
};

} // namespace orb
