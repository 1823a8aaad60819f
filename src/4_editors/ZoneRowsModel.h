#pragma once
// DatZon: the zone rows of the open configuration in zone order, as the
// zone grid shows them: column 0 the zone number (read-only), column 1 its
// label, with any control character of the stored label shown as a blank. A label edited here goes straight into the working database; rows
// are never added or deleted here, since the zone transfers rely on one row
// per zone. No windows here.

#include <QAbstractTableModel>
#include <QList>
#include <optional>

#include "ConfigTables.h"

namespace orb {

class ZoneRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColZone = 0, ColLabel = 1 };

    explicit ZoneRowsModel(QObject *parent = nullptr);

    // Reads the zone rows of the working database again.
    void reload();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // An edit of a label: setLabel(), unless it leaves the label as shown.
    // The text is taken as typed into an empty label box (a paste on the
    // cell keeps what typing it keeps).
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // The row of a zone, -1 when there is none; the zone of a row, 0 when
    // there is none.
    int rowOf(int zone) const;
    int zoneAt(int row) const;
    // A zone's label as stored.
    std::optional<QString> label(int zone) const;

    // Stores a zone's label in the working database, then shows it; a
    // label that changes marks the configuration as changed (ConfModif),
    // whether typed or read from the panel. A label the panel cannot hold
    // is refused; a write the database refuses is told (message 120 with
    // the reason). Both change nothing and return false.
    bool setLabel(int zone, const QString &label);

    // A label read from the panel shows at once and waits to be stored with
    // the others of the same transfer by storePending(), in one
    // transaction; a zone read again waits with its new label only. A label
    // the panel cannot hold is left out.
    void setPendingLabel(int zone, const QString &label);
    // Stores the waiting labels; true when there were none or all were
    // stored (ConfModif when one changed). On failure it is told and the
    // grid shows the stored labels again.
    bool storePending();
    // Forgets the waiting labels: the grid shows the stored ones again.
    void dropPending();
    // Forgets the waiting label of one zone, which shows its stored label
    // again.
    void dropPendingLabel(int zone);

    // The rule of every label box: at most LenEtiqueta characters, each one
    // the panel can show, no control character.
    static bool labelAcceptable(const QString &label);

private:
    bool store(const QList<ZoneRow> &labels);
    void show(int row, const QString &label);

    QList<ZoneRow> m_rows;
    QList<ZoneRow> m_pending;
};

} // namespace orb
