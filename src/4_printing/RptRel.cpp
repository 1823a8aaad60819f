#include "RptRel.h"

#include "Strings.h"

namespace orb {

RptRel::RptRel()
{
    dataMember = QStringLiteral("IMPCONFRELES");
    width = 7875;
    addTitle(1215, QRect(1559, 142, 5760, 1005), true, QPoint(90, 135));
    Sections(PageHeader).name = QStringLiteral("PageHeader");

    ReportSection &detail = Sections(Detail);
    detail.name = QStringLiteral("IMPREL_Detail");
    detail.height = 6345;
    detail.keepTogether = true;
    const ReportFont value{QStringLiteral("Arial"), 9.75, true};
    const ReportFont text{QStringLiteral("Arial"), 9.75, false};
    add(Detail, ControlKind::Shape, "Shape2", 567, 2835, 6660, 2834);
    add(Detail, ControlKind::Shape, "Shape3", 7800, 0, 0, 5805);
    add(Detail, ControlKind::Shape, "Shape1", 567, 1658, 6660, 1035);
    textBox(Detail, "Text1", 2268, 203, 465, 240, "IDREL", value);
    textBox(Detail, "Text5", 3402, 203, 3552, 240, "TIP", value);
    textBox(Detail, "Text6", 1843, 567, 2400, 240, "ETIREL", value);
    textBox(Detail, "Text7", 3402, 992, 425, 240, "RMIN", value, Qt::AlignRight);
    textBox(Detail, "Text8", 4535, 992, 567, 284, "RSEC", value, Qt::AlignRight);
    textBox(Detail, "Text9", 709, 2268, 1440, 285, "DDIA", value, Qt::AlignHCenter);
    textBox(Detail, "Text10", 2409, 2268, 1440, 270, "DNOCH", value);
    textBox(Detail, "Text11", 4110, 2268, 1440, 270, "PDIA", value);
    textBox(Detail, "Text12", 5669, 2268, 1440, 270, "PNOCH", value);
    textBox(Detail, "Text13", 4530, 3248, 405, 240, "ACTGEN", value, Qt::AlignHCenter);
    // The four activation lists: first zone and its label, last zone and its label.
    const int listTop[4] = {3827, 4110, 4393, 4677};
    const char *const listControls[4][4] = {{"Text15", "Text16", "Text17", "Text18"},
                                            {"Text20", "Text21", "Text22", "Text23"},
                                            {"Text25", "Text26", "Text27", "Text28"},
                                            {"Text30", "Text31", "Text32", "Text33"}};
    const char *const listFields[4][4] = {{"IL1", "IL1Label", "FL1", "FL1Label"},
                                          {"IL2", "IL2Label", "FL2", "FL2Label"},
                                          {"IL3", "IL3Label", "FL3", "FL3Label"},
                                          {"IL4", "IL4Label", "FL4", "FL4Label"}};
    for (int i = 0; i < 4; ++i) {
        const int top = listTop[i];
        textBox(Detail, listControls[i][0], 2268, top, 570, i == 0 ? 283 : 240, listFields[i][0], value);
        textBox(Detail, listControls[i][1], 2835, top, 1440, 240, listFields[i][1], value);
        textBox(Detail, listControls[i][2], 4535, top, 555, i == 1 ? 284 : 240, listFields[i][2], value);
        textBox(Detail, listControls[i][3], 5102, top, 1440, 240, listFields[i][3], value);
    }
    label(Detail, "Label1", 925, 203, 1275, 240, {}, text);
    label(Detail, "Label6", 2880, 203, 522, 240, {}, text);
    label(Detail, "Label7", 992, 567, 750, 240, {}, text);
    label(Detail, "Label8", 1843, 992, 1545, 240, {}, text);
    label(Detail, "Label9", 3827, 992, 765, 240, {}, text);
    label(Detail, "Label10", 5102, 992, 1042, 240, {}, text);
    label(Detail, "Label11", 3193, 1718, 1440, 240, {}, {}, Qt::AlignHCenter).heading = true;
    label(Detail, "Label12", 709, 1984, 1440, 240, {}, {}, Qt::AlignHCenter);
    label(Detail, "Label13", 2409, 1984, 1440, 240, {}, {}, Qt::AlignHCenter);
    label(Detail, "Label14", 4110, 1984, 1305, 240, {}, {}, Qt::AlignHCenter);
    label(Detail, "Label15", 5669, 1984, 1440, 240, {}, {}, Qt::AlignHCenter);
    label(Detail, "Label16", 2872, 2933, 2130, 240, {}, {}, Qt::AlignHCenter).heading = true;
    label(Detail, "Label17", 3000, 3248, 1515, 240, {}, {}, Qt::AlignRight);
    label(Detail, "Label18", 1843, 3827, 180, 240, QStringLiteral("1"), {}, Qt::AlignHCenter);
    label(Detail, "Label19", 1843, 4110, 180, 240, QStringLiteral("2"), {}, Qt::AlignHCenter);
    label(Detail, "Label20", 1843, 4393, 180, 240, QStringLiteral("3"), {}, Qt::AlignHCenter);
    label(Detail, "Label21", 1843, 4677, 180, 240, QStringLiteral("4"), {}, Qt::AlignHCenter);
    label(Detail, "Label26", 1559, 3543, 615, 240, {});
    label(Detail, "Label28", 2268, 3543, 1417, 240, {});
    label(Detail, "Label29", 4535, 3543, 1418, 240, {});

    Sections(PageFooter).name = QStringLiteral("PageFooter");
    Sections(PageFooter).height = 240;
    label(PageFooter, "Label30", 6378, 0, 1440, 240, {}, {}, Qt::AlignRight);
    label(PageFooter, "Label31", 425, 0, 5976, 240, QStringLiteral("%i"), {}, Qt::AlignRight);
    Sections(ReportFooter).name = QStringLiteral("ReportFooter");
    Initialize();
}

void RptRel::Initialize()
{
    ReportSection &detail = Sections(Detail);
    detail.Controls(30).caption = Str(5401);
    detail.Controls(31).caption = Str(5406);
    detail.Controls(32).caption = Str(5407);
    detail.Controls(33).caption = Str(5408);
    detail.Controls(34).caption = Str(5409);
    detail.Controls(35).caption = Str(5410);
    detail.Controls(36).caption = Str(5411);
    detail.Controls(37).caption = Str(5412);
    detail.Controls(38).caption = Str(5413);
    detail.Controls(39).caption = Str(5414);
    detail.Controls(40).caption = Str(5415);
    detail.Controls(41).caption = Str(5416);
    detail.Controls(42).caption = Str(5417);
    detail.Controls(43).caption = QStringLiteral("1");
    detail.Controls(44).caption = QStringLiteral("2");
    detail.Controls(45).caption = QStringLiteral("3");
    detail.Controls(46).caption = QStringLiteral("4");
    detail.Controls(47).caption = Str(5426);
    detail.Controls(48).caption = Str(5428);
    detail.Controls(49).caption = Str(5429);
    Sections(PageFooter).Controls(1).caption = Str(5430);
}

void RptRel::applyTitle(const QString &statusCaption)
{
    Title = Str(5025) + statusCaption;
    Caption = Title;
}

} // namespace orb
