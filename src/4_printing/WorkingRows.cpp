#include "WorkingRows.h"

#include "ConfigTables.h"

namespace orb {

QList<QVariantMap> TableRowSource::rows() { return reportRows(m_table); }

} // namespace orb
