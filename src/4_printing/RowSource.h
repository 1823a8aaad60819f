#pragma once
// Where a report's rows come from. A report asks its source for the rows
// every time it is rendered, so it always prints what the table holds at
// that moment; each row maps a field name to its value.

#include <QList>
#include <QVariantMap>

namespace orb {

class RowSource {
public:
    virtual ~RowSource() = default;
    // The rows in the order they are to print.
    virtual QList<QVariantMap> rows() = 0;
};

// Rows held in memory, handed out as they were given.
class MemoryRowSource : public RowSource {
public:
    explicit MemoryRowSource(QList<QVariantMap> rows = {}) : m_rows(std::move(rows)) {}
    QList<QVariantMap> rows() override { return m_rows; }
    void setRows(QList<QVariantMap> rows) { m_rows = std::move(rows); }

private:
    QList<QVariantMap> m_rows;
};

} // namespace orb
