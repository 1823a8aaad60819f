#pragma once
// The relay report: one block per row of IMPCONFRELES (number, type, label,
// delay, the four responses, general activation and the four activation
// lists with their zone labels). A block never splits across two pages;
// every page ends with its number and the title.

#include "Report.h"

namespace orb {

class RptRel : public Report {
public:
    // Builds the layout and gives its labels their texts in the language in
    // force.
    RptRel();
    // Title and caption: the report's heading followed by the caption of the
    // configuration field of the main window's status panel.
    void applyTitle(const QString &statusCaption);

private:
    void Initialize();
};

} // namespace orb
