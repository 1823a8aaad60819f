#pragma once
// The zone report: one line per row of CONFZONAS, the zone number and its
// label under two column titles, with page numbers. Its captions are fixed
// and print in Spanish whatever the language in force.

#include "Report.h"

namespace orb {

class RptZon : public Report {
public:
    RptZon();
    // Title and caption: the report's heading followed by the caption of the
    // configuration field of the main window's status panel.
    void applyTitle(const QString &statusCaption);
};

} // namespace orb
