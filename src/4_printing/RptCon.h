#pragma once
// The general-configuration report: one block per row of IMPCONFCENTRAL with
// the configuration's name, counts, panel label, day and night hours and, in
// a box, its port settings. No page numbers.

#include "Report.h"

namespace orb {

class RptCon : public Report {
public:
    // Builds the layout and gives its labels their texts in the language in
    // force.
    RptCon();
    // Title and caption: the report's heading followed by the caption of the
    // configuration field of the main window's status panel.
    void applyTitle(const QString &statusCaption);

private:
    void Initialize();
};

} // namespace orb
