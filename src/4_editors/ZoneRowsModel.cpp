#include "ZoneRowsModel.h"

#include "AppState.h"
#include "Cp1252.h"
#include "GeneralFields.h"
#include "ModBas.h"
#include "Schema.h"
#include "Seams.h"
#include "Strings.h"

#include <utility>

namespace orb {

ZoneRowsModel::ZoneRowsModel(QObject *parent)
    : QAbstractTableModel(parent)
{
    setObjectName(QStringLiteral("DatZon"));
}

void ZoneRowsModel::reload()
{
    beginResetModel();
    m_rows = zoneRows();
    endResetModel();
}

int ZoneRowsModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_rows.size()); }

int ZoneRowsModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : 2; }

QVariant ZoneRowsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    if (role == Qt::TextAlignmentRole && index.column() == ColZone)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const ZoneRow &row = m_rows.at(index.row());
    // A label stored with control characters shows them as blanks.
    return index.column() == ColZone ? QVariant(row.IDZON) : QVariant(controlsAsBlanks(row.ETIZON));
}

QVariant ZoneRowsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return section == ColZone ? Str(4203) : Str(4204);
}

Qt::ItemFlags ZoneRowsModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == ColLabel)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool ZoneRowsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.column() != ColLabel || role != Qt::EditRole || index.row() >= m_rows.size())
        return false;
    // A label left as it shows keeps what is stored, control characters and
    // all; an edited one is stored as the user sees it.
    const ZoneRow &row = m_rows.at(index.row());
    const QString text = value.toString();
    const std::optional<QString> label = editAsTyped(FieldLabel, QString(), text, nullptr);
    if (!label)
        return false;
    if (*label == controlsAsBlanks(row.ETIZON))
        return true;
    return setLabel(row.IDZON, *label);
}

int ZoneRowsModel::rowOf(int zone) const
{
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows.at(row).IDZON == zone)
            return row;
    }
    return -1;
}

int ZoneRowsModel::zoneAt(int row) const { return row >= 0 && row < m_rows.size() ? m_rows.at(row).IDZON : 0; }

std::optional<QString> ZoneRowsModel::label(int zone) const
{
    const int row = rowOf(zone);
    if (row < 0)
        return std::nullopt;
    return m_rows.at(row).ETIZON;
}

bool ZoneRowsModel::setLabel(int zone, const QString &label)
{
    const int row = rowOf(zone);
    if (row < 0 || !labelAcceptable(label))
        return false;
    if (m_rows.at(row).ETIZON == label)
        return true;
    if (!store({ZoneRow{zone, label}}))
        return false;
    show(row, label);
    return true;
}

void ZoneRowsModel::setPendingLabel(int zone, const QString &label)
{
    const int row = rowOf(zone);
    if (row < 0 || !labelAcceptable(label))
        return;
    m_pending.removeIf([zone](const ZoneRow &waiting) { return waiting.IDZON == zone; });
    if (m_rows.at(row).ETIZON != label)
        m_pending.append(ZoneRow{zone, label});
    show(row, label);
}

bool ZoneRowsModel::storePending()
{
    const QList<ZoneRow> pending = std::exchange(m_pending, {});
    if (pending.isEmpty())
        return true;
    if (!store(pending)) {
        reload();
        return false;
    }
    return true;
}

void ZoneRowsModel::dropPending()
{
    if (!std::exchange(m_pending, {}).isEmpty())
        reload();
}

void ZoneRowsModel::dropPendingLabel(int zone)
{
    if (m_pending.removeIf([zone](const ZoneRow &waiting) { return waiting.IDZON == zone; }) == 0)
        return;
    const QList<ZoneRow> pending = m_pending;
    reload();
    for (const ZoneRow &waiting : pending)
        show(rowOf(waiting.IDZON), waiting.ETIZON);
}

bool ZoneRowsModel::store(const QList<ZoneRow> &labels)
{
    AppState &s = appState();
    QSqlError error;
    Transaction transaction(BaseDatos());
    bool stored = transaction.started();
    for (const ZoneRow &zone : labels)
        stored = stored && setZoneLabel(s.IdCon, zone.IDZON, zone.ETIZON, &error);
    stored = stored && transaction.commit();
    if (!stored) {
        if (!error.isValid())
            error = transaction.error();
        s.MensajeAux = Str(120) + QStringLiteral("\n\n") + databaseErrorText(error);
        MsgBox(s.MensajeAux, MsgOk);
        return false;
    }
    s.ConfModif = true;
    return true;
}

void ZoneRowsModel::show(int row, const QString &label)
{
    m_rows[row].ETIZON = label;
    const QModelIndex changed = index(row, ColLabel);
    emit dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole});
}

bool ZoneRowsModel::labelAcceptable(const QString &label) { return generalTextAcceptable(FieldLabel, label); }

} // namespace orb
