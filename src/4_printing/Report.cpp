#include "Report.h"

#include <stdexcept>

namespace orb {

ReportControl &ReportSection::Controls(int position)
{
    return const_cast<ReportControl &>(std::as_const(*this).Controls(position));
}

const ReportControl &ReportSection::Controls(int position) const
{
    if (position < 1 || position > controls.size())
        throw std::out_of_range("no control at this position of the section");
    return controls.at(position - 1);
}

ReportSection &Report::Sections(int position)
{
    return const_cast<ReportSection &>(std::as_const(*this).Sections(position));
}

const ReportSection &Report::Sections(int position) const
{
    if (position < ReportHeader || position > ReportFooter)
        throw std::out_of_range("a report has five sections");
    return m_sections[position - 1];
}

ReportControl &Report::add(int section, ControlKind kind, const char *name, int left, int top, int width,
                           int height)
{
    ReportControl c;
    c.name = QLatin1String(name);
    c.kind = kind;
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    auto &controls = Sections(section).controls;
    controls.append(c);
    return controls.last();
}

ReportControl &Report::label(int section, const char *name, int left, int top, int width, int height,
                             const QString &caption, const ReportFont &font, Qt::Alignment alignment)
{
    ReportControl &c = add(section, ControlKind::Label, name, left, top, width, height);
    c.caption = caption;
    c.font = font;
    c.alignment = alignment;
    return c;
}

ReportControl &Report::textBox(int section, const char *name, int left, int top, int width, int height,
                               const char *field, const ReportFont &font, Qt::Alignment alignment)
{
    ReportControl &c = add(section, ControlKind::TextBox, name, left, top, width, height);
    c.dataField = QLatin1String(field);
    c.font = font;
    c.alignment = alignment;
    return c;
}

void Report::addTitle(int headerHeight, QRect title, bool titleGrows, QPoint image)
{
    Sections(ReportHeader).name = QStringLiteral("ReportHeader");
    Sections(ReportHeader).height = headerHeight;
    ReportControl &t = label(ReportHeader, "LabelTitle", title.x(), title.y(), title.width(), title.height(),
                             QStringLiteral("%i"), {QStringLiteral("Arial"), 18, true}, Qt::AlignHCenter);
    t.canGrow = titleGrows;
    t.heading = true;
    add(ReportHeader, ControlKind::Image, "Image1", image.x(), image.y(), 1440, 990);
}

} // namespace orb
