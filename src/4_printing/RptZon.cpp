#include "RptZon.h"

#include "Strings.h"

namespace orb {

RptZon::RptZon()
{
    dataMember = QStringLiteral("CONFZONAS");
    width = 7590;
    addTitle(1500, QRect(1545, 105, 5760, 1365), false, QPoint(60, 30));

    Sections(PageHeader).name = QStringLiteral("PageHeader");
    Sections(PageHeader).height = 300;
    label(PageHeader, "Label2", 2835, 0, 450, 240, QStringLiteral("Punto"), {}, Qt::AlignHCenter);
    label(PageHeader, "Label3", 3402, 0, 1110, 240, QStringLiteral(" Etiqueta"));

    const ReportFont value{QStringLiteral("Arial"), 8.25, true};
    Sections(Detail).name = QStringLiteral("IMPPUN_Detail");
    Sections(Detail).height = 315;
    textBox(Detail, "Text2", 2835, 0, 300, 240, "IDZON", value, Qt::AlignHCenter);
    textBox(Detail, "Text3", 3402, 0, 1935, 240, "ETIZON", value);

    Sections(PageFooter).name = QStringLiteral("PageFooter");
    Sections(PageFooter).height = 240;
    label(PageFooter, "Label6", 6094, 0, 1380, 240, QStringLiteral("Página %p de %P"), {}, Qt::AlignRight);
    label(PageFooter, "Label7", 283, 0, 5843, 240, QStringLiteral("%i"), {}, Qt::AlignRight);

    Sections(ReportFooter).name = QStringLiteral("ReportFooter");
}

void RptZon::applyTitle(const QString &statusCaption)
{
    Title = Str(5021) + statusCaption;
    Caption = Title;
}

} // namespace orb
