#include "RptCon.h"

#include "Strings.h"

namespace orb {

RptCon::RptCon()
{
    dataMember = QStringLiteral("IMPCONFCENTRAL");
    width = 7875;
    addTitle(1200, QRect(1500, 75, 5760, 1020), true, QPoint(15, 75));
    Sections(PageHeader).name = QStringLiteral("PageHeader");
    ReportSection &detail = Sections(Detail);
    detail.name = QStringLiteral("IMPCON_Detail");
    detail.height = 3360;
    Sections(PageFooter).name = QStringLiteral("PageFooter");
    Sections(ReportFooter).name = QStringLiteral("ReportFooter");
    Sections(ReportFooter).height = 360;

    const ReportFont value{QStringLiteral("Arial"), 9.75, true};
    const ReportFont text{QStringLiteral("Arial"), 9.75, false};
    add(Detail, ControlKind::Shape, "Shape1", 195, 1695, 7410, 1545);
    textBox(Detail, "Text1", 2025, 615, 975, 240, "NUMZON", value);
    textBox(Detail, "Text2", 2820, 225, 5025, 240, "NOMCON", value);
    textBox(Detail, "Text3", 2025, 1395, 765, 240, "INIDIA", value).canGrow = true;
    textBox(Detail, "Text4", 6195, 615, 1440, 240, "NUMREL", value);
    textBox(Detail, "Text5", 855, 2325, 1440, 240, "BAUD", value);
    textBox(Detail, "Text6", 2355, 2325, 1440, 240, "DATBIT", value);
    textBox(Detail, "Text7", 3870, 2325, 1440, 240, "STPBIT", value);
    textBox(Detail, "Text8", 5400, 2325, 1440, 240, "PAR", value);
    textBox(Detail, "Text9", 2355, 2610, 1440, 240, "PORT", value);
    textBox(Detail, "Text10", 3870, 2610, 3000, 240, "FLU", value);
    textBox(Detail, "Text11", 2025, 1005, 5610, 240, "ETIINI", value);
    label(Detail, "Label1", 315, 1005, 1485, 240, {}, text);
    label(Detail, "Label2", 315, 225, 2505, 240, {}, text);
    label(Detail, "Label4", 315, 615, 1680, 240, {}, text);
    label(Detail, "Label5", 315, 1395, 1425, 240, {}, text);
    label(Detail, "Label6", 4545, 615, 1605, 240, {}, text);
    label(Detail, "Label7", 1335, 1920, 5400, 240, {}, text, Qt::AlignHCenter).heading = true;
    textBox(Detail, "Text14", 6195, 1395, 765, 240, "ININIT", value).canGrow = true;
    label(Detail, "Label8", 4545, 1395, 1680, 240, {}, text);
    Initialize();
}

void RptCon::Initialize()
{
    ReportSection &detail = Sections(Detail);
    detail.Controls(13).caption = Str(5101);
    detail.Controls(14).caption = Str(5102);
    detail.Controls(15).caption = Str(5104);
    detail.Controls(16).caption = Str(5105);
    detail.Controls(17).caption = Str(5106);
    detail.Controls(18).caption = Str(5107);
    detail.Controls(20).caption = Str(5108);
}

void RptCon::applyTitle(const QString &statusCaption)
{
    Title = Str(5001) + statusCaption;
    Caption = Title;
}

} // namespace orb
