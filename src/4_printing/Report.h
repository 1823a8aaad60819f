#pragma once
// A banded report definition: the rows it prints (a RowSource), its width and
// margins, and five sections in a fixed order, each with a height and an
// ordered list of controls. Every length is in twips (1/1440 inch); a
// control's position is measured from the top-left corner of its section.
// Sections and controls are reached by position counted from 1, as the
// reports' initialisation addresses them.

#include "RowSource.h"

#include <QImage>
#include <QList>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QString>
#include <array>
#include <memory>

namespace orb {

enum class ControlKind {
    Label,     // fixed caption; "%i" prints the title, "%p" the page, "%P" the page count
    TextBox,   // the value of one field of the current row, as stored
    Shape,     // rectangle outline; width 0 draws a vertical line, height 0 a horizontal one
    Image,     // a picture scaled into the control, keeping its proportions
};

struct ReportFont {
    QString family = QStringLiteral("Arial");
    double points = 8.25;
    bool bold = false;
};

struct ReportControl {
    QString name;
    ControlKind kind = ControlKind::Label;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    QString caption;             // label
    QString dataField;           // text box
    ReportFont font;
    Qt::Alignment alignment = Qt::AlignLeft;
    bool canGrow = false;        // grows downwards to show its whole text, wrapped at its width
    bool heading = false;        // drawn with a solid border
    QImage picture;              // image; a null picture draws nothing
};

// Position of a section in a report.
enum SectionKind { ReportHeader = 1, PageHeader, Detail, PageFooter, ReportFooter };

struct ReportSection {
    QString name;
    int height = 0;
    bool keepTogether = false;   // a band that does not fit moves whole to the next page
    QList<ReportControl> controls;

    // The control at a position counted from 1 (out of range: std::out_of_range).
    ReportControl &Controls(int position);
    const ReportControl &Controls(int position) const;
};

class Report {
public:
    virtual ~Report() = default;

    QString Title;        // printed by "%i"
    QString Caption;      // caption of a preview window showing the report
    QString dataMember;   // name of the table the rows come from
    std::shared_ptr<RowSource> source;
    int width = 0;
    QMargins margins{1440, 1440, 1440, 1440};

    // The section at a position counted from 1 (see SectionKind).
    ReportSection &Sections(int position);
    const ReportSection &Sections(int position) const;

protected:
    // Builders of the definitions: each appends a control to a section and
    // returns it for any further setting.
    ReportControl &add(int section, ControlKind kind, const char *name, int left, int top, int width, int height);
    ReportControl &label(int section, const char *name, int left, int top, int width, int height,
                         const QString &caption, const ReportFont &font = {}, Qt::Alignment alignment = Qt::AlignLeft);
    ReportControl &textBox(int section, const char *name, int left, int top, int width, int height,
                           const char *field, const ReportFont &font, Qt::Alignment alignment = Qt::AlignLeft);
    // The report header every report opens with: the title "%i" in Arial
    // 18 bold, centred, with its border, beside the picture Image1.
    void addTitle(int headerHeight, QRect title, bool titleGrows, QPoint image);

private:
    std::array<ReportSection, 5> m_sections;
};

} // namespace orb
