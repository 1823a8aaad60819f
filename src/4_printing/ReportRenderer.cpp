#include "ReportRenderer.h"

#include "Cp1252.h"

#include <QFile>
#include <QHash>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <limits>

namespace orb {

namespace {

constexpr int kTwipsPerPoint = 20;
constexpr int kTwipsPerInch = 1440;
constexpr int kLineWidth = 15;   // twips, about 0.75 pt

// Fonts are sized in twips: the painter draws in twips, so a font of n
// points is 20n units tall on any device. Hinting is off so that a text
// measures the same on paper, in a PDF and in a preview.
QFont fontOf(const ReportFont &f)
{
    QFont font(f.family);
    font.setPixelSize(qRound(f.points * kTwipsPerPoint));
    font.setBold(f.bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

bool isText(const ReportControl &c)
{
    return c.kind == ControlKind::Label || c.kind == ControlKind::TextBox;
}

// How wide a text's ink is: its advance, less the blank the font leaves
// after its last letter and any blanks that end it.
qreal inkWidth(const QString &text, const QFontMetricsF &metrics)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return end > 0 ? metrics.horizontalAdvance(text.left(end)) - metrics.rightBearing(text.at(end - 1)) : 0;
}

// One line cut to the width. A caption is cut after the last whole word
// that fits; a value (and a caption whose first word does not fit) after
// the last whole letter, so that values that differ only at their ends
// still print differently.
QString fitLine(const QString &text, const QFontMetricsF &metrics, qreal width, bool words)
{
    if (inkWidth(text, metrics) <= width)
        return text;
    QString fits;
    for (qsizetype i = 1; words && i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char(' ') || text.at(i - 1) == QLatin1Char(' '))
            continue;
        if (inkWidth(text.left(i), metrics) > width)
            break;
        fits = text.left(i);
    }
    if (!fits.isEmpty())
        return fits;
    QTextBoundaryFinder letters(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype end = letters.toNextBoundary(); end > 0; end = letters.toNextBoundary()) {
        if (inkWidth(text.left(end), metrics) > width)
            break;
        fits = text.left(end);
    }
    return fits;
}

// The lines a text shows in a control: broken between words at the
// control's width (a word wider than the control between letters) when it
// wraps, else one line cut to the width (see fitLine). A text never runs
// out of its control, so it is drawn unclipped: a clip recorded into a
// preview's page loses the frames drawn after it there.
QStringList textLines(const QString &text, const QFont &font, qreal width, bool wrap, bool words)
{
    // A control character (a label read from a blank panel holds sixteen
    // NULs) shows as a blank.
    const QString shown = controlsAsBlanks(text);
    if (!wrap)
        return {fitLine(shown, QFontMetricsF(font), width, words)};
    QTextLayout layout(shown, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        QString part = shown.mid(line.textStart(), line.textLength());
        while (part.size() > 1 && part.endsWith(QLatin1Char(' ')))
            part.chop(1);
        lines << part;
    }
    layout.endLayout();
    return lines;
}

// The height that the first `count` lines take, each whole, descenders
// included.
qreal linesHeight(const QFontMetricsF &metrics, qsizetype count)
{
    return count > 0 ? (count - 1) * metrics.lineSpacing() + metrics.height() : 0;
}

// One printing of a section: its controls relative to the band's top (left
// already includes the left margin) and the band's height once grown.
struct Band {
    QList<PlacedControl> controls;
    int height = 0;
};

class Paginator {
public:
    Paginator(const Report &report, QSize paper) : m_report(report), m_paper(paper) {}

    ReportLayout run(const QList<QVariantMap> &rows)
    {
        startPage(true);
        const ReportSection &detail = m_report.Sections(Detail);
        for (int i = 0; i < rows.size(); ++i) {
            if (printed(detail))
                place(band(Detail, &rows.at(i), i), detail.keepTogether);
        }
        const ReportSection &footer = m_report.Sections(ReportFooter);
        if (printed(footer))
            place(band(ReportFooter, nullptr, -1), footer.keepTogether);
        return std::move(m_layout);
    }

private:
    static bool printed(const ReportSection &s) { return s.height > 0 || !s.controls.isEmpty(); }

    bool wraps(const ReportControl &c) const
    {
        if (!isText(c))
            return false;
        auto it = m_wraps.constFind(&c);
        if (it == m_wraps.constEnd())
            it = m_wraps.insert(&c, c.canGrow || c.height >= 2 * QFontMetricsF(fontOf(c.font)).lineSpacing());
        return *it;
    }

    Band band(int section, const QVariantMap *row, int rowIndex) const
    {
        const ReportSection &s = m_report.Sections(section);
        Band b;
        int designBottom = 0;
        struct Growth { int bottom; int extra; };
        QList<Growth> growths;
        for (const ReportControl &c : s.controls) {
            PlacedControl p;
            p.control = &c;
            p.section = section;
            p.row = rowIndex;
            p.wrap = wraps(c);
            p.rect = QRect(m_report.margins.left() + c.left, c.top, c.width, c.height);
            if (c.kind == ControlKind::TextBox && row)
                p.text = row->value(c.dataField).toString();
            else if (c.kind == ControlKind::Label)
                p.text = c.caption;
            if (c.canGrow && isText(c) && !p.text.isEmpty()) {
                const int page = int(m_layout.pages.size());
                const QString shown = c.kind == ControlKind::Label
                    ? expandPlaceholders(p.text, m_report.Title, page, page) : p.text;
                const QFont font = fontOf(c.font);
                const QStringList lines = textLines(shown, font, c.width, true, true);
                const int height = int(std::ceil(linesHeight(QFontMetricsF(font), lines.size())));
                if (height > c.height) {
                    growths.append({c.top + c.height, height - c.height});
                    p.rect.setHeight(height);
                }
            }
            designBottom = std::max(designBottom, c.top + c.height);
            b.controls.append(p);
        }
        // A control that grows pushes down whatever starts below it.
        int bottom = 0;
        for (PlacedControl &p : b.controls) {
            int shift = 0;
            for (const Growth &g : growths) {
                if (g.bottom <= p.control->top)
                    shift = std::max(shift, g.extra);
            }
            p.rect.translate(0, shift);
            bottom = std::max(bottom, p.rect.bottom() + 1);
        }
        b.height = s.height + std::max(0, bottom - designBottom);
        return b;
    }

    void put(const QList<PlacedControl> &controls, int top)
    {
        auto &page = m_layout.pages.last().controls;
        for (PlacedControl p : controls) {
            p.rect.translate(0, top);
            page.append(p);
        }
    }

    void startPage(bool first = false)
    {
        m_layout.pages.append(ReportPage());
        m_cursor = m_report.margins.top();
        const int bottom = m_paper.height() - m_report.margins.bottom();
        m_footerTop = bottom;
        const ReportSection &footer = m_report.Sections(PageFooter);
        if (printed(footer)) {
            const Band b = band(PageFooter, nullptr, -1);
            m_footerTop = bottom - b.height;
            put(b.controls, m_footerTop);
        }
        m_fresh = m_cursor;
        if (first && printed(m_report.Sections(ReportHeader))) {
            place(band(ReportHeader, nullptr, -1), false);
            if (m_layout.pages.size() > 1)
                return;   // the header ran over and the next page has its page header already
        }
        if (printed(m_report.Sections(PageHeader))) {
            const Band b = band(PageHeader, nullptr, -1);
            put(b.controls, m_cursor);
            m_cursor += b.height;
        }
        m_fresh = m_cursor;
    }

    // Puts a band at the cursor. A band that does not fit moves to the next
    // page when it keeps together; otherwise, and when it is taller than a
    // whole page, it splits between its controls: those that fit print here
    // and the rest go on at the top of the next page.
    void place(Band b, bool keepTogether)
    {
        for (;;) {
            const int room = m_footerTop - m_cursor;
            if (b.height <= room) {
                put(b.controls, m_cursor);
                m_cursor += b.height;
                return;
            }
            const bool fresh = m_cursor == m_fresh;
            if (keepTogether && !fresh) {
                startPage();
                continue;
            }
            QList<PlacedControl> now, later;
            for (const PlacedControl &p : std::as_const(b.controls))
                (p.rect.bottom() + 1 <= room ? now : later).append(p);
            if (later.isEmpty()) {   // only the band's empty foot is left over
                put(now, m_cursor);
                m_cursor = m_footerTop;
                return;
            }
            int cut = std::numeric_limits<int>::max();
            for (const PlacedControl &p : std::as_const(later))
                cut = std::min(cut, p.rect.top());
            if (now.isEmpty() && fresh && cut == 0) {
                // Taller than the page itself: print what the page can hold.
                for (auto it = later.begin(); it != later.end();) {
                    if (it->rect.top() == 0) {
                        it->rect.setHeight(std::min(it->rect.height(), std::max(room, 0)));
                        now.append(*it);
                        it = later.erase(it);
                    } else {
                        ++it;
                    }
                }
            }
            put(now, m_cursor);
            for (PlacedControl &p : later)
                p.rect.translate(0, -cut);
            b.controls = later;
            b.height -= (later.isEmpty() ? b.height : cut);
            if (later.isEmpty())
                return;
            if (!(now.isEmpty() && fresh))
                startPage();
        }
    }

    const Report &m_report;
    QSize m_paper;
    ReportLayout m_layout;
    int m_cursor = 0;      // where the next band starts
    int m_footerTop = 0;   // where the page footer starts: bands end above it
    int m_fresh = 0;       // the cursor of a page holding nothing but its headers
    mutable QHash<const ReportControl *, bool> m_wraps;
};

void paintControl(QPainter &painter, const PlacedControl &p, const QString &title, int page, int pages)
{
    const ReportControl &c = *p.control;
    switch (c.kind) {
    case ControlKind::Label:
    case ControlKind::TextBox: {
        const QString text = c.kind == ControlKind::Label ? expandPlaceholders(p.text, title, page, pages) : p.text;
        if (!text.isEmpty()) {
            const QFont font = fontOf(c.font);
            if (painter.font() != font)   // a font change is a record of its own in a PDF or preview
                painter.setFont(font);
            // The lines that fit the control's height, each whole, the first
            // always.
            const QFontMetricsF metrics(font);
            const QStringList lines = textLines(text, font, p.rect.width(), p.wrap, c.kind == ControlKind::Label);
            qsizetype shown = lines.size();
            while (shown > 1 && linesHeight(metrics, shown) > p.rect.height())
                --shown;
            const int flags = int(c.alignment) | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip;
            for (qsizetype i = 0; i < shown; ++i) {
                const QRectF line(p.rect.left(), p.rect.top() + i * metrics.lineSpacing(), p.rect.width(), metrics.height());
                painter.drawText(line, flags, lines.at(i));
            }
        }
        if (c.heading)
            painter.drawRect(p.rect.x(), p.rect.y(), p.rect.width(), p.rect.height());
        break;
    }
    case ControlKind::Shape:
        if (c.width == 0)
            painter.drawLine(p.rect.left(), p.rect.top(), p.rect.left(), p.rect.top() + p.rect.height());
        else if (c.height == 0)
            painter.drawLine(p.rect.left(), p.rect.top(), p.rect.left() + p.rect.width(), p.rect.top());
        else
            painter.drawRect(p.rect.x(), p.rect.y(), p.rect.width(), p.rect.height());
        break;
    case ControlKind::Image:
        if (!c.picture.isNull() && !p.rect.isEmpty()) {
            QSizeF size = c.picture.size();
            size.scale(p.rect.size(), Qt::KeepAspectRatio);
            painter.drawImage(QRectF(p.rect.topLeft(), size), c.picture);
        }
        break;
    }
}

} // namespace

ReportLayout layoutReport(const Report &report, const QList<QVariantMap> &rows, QSize paperTwips)
{
    return Paginator(report, paperTwips).run(rows);
}

QString expandPlaceholders(const QString &caption, const QString &title, int page, int pages)
{
    QString out;
    out.reserve(caption.size() + title.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const QChar ch = caption.at(i);
        if (ch == QLatin1Char('%') && i + 1 < caption.size()) {
            const QChar next = caption.at(i + 1);
            if (next == QLatin1Char('i')) {
                out += title;
                ++i;
                continue;
            }
            if (next == QLatin1Char('p') || next == QLatin1Char('P')) {
                out += QString::number(next == QLatin1Char('p') ? page : pages);
                ++i;
                continue;
            }
        }
        out += ch;
    }
    return out;
}

int renderReport(const Report &report, QPagedPaintDevice &device)
{
    const QPageLayout pageLayout = device.pageLayout();
    const QRectF paperPoints = pageLayout.fullRect(QPageLayout::Point);
    const QSize paper(qRound(paperPoints.width() * kTwipsPerPoint), qRound(paperPoints.height() * kTwipsPerPoint));
    const QList<QVariantMap> rows = report.source ? report.source->rows() : QList<QVariantMap>();
    const ReportLayout layout = layoutReport(report, rows, paper);

    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    // The painter's origin is the corner of the device's printable area;
    // place the paper's corner there and draw in twips.
    const QRectF printable = pageLayout.paintRect(QPageLayout::Point);
    const double sx = device.logicalDpiX() / double(kTwipsPerInch);
    const double sy = device.logicalDpiY() / double(kTwipsPerInch);
    painter.scale(sx, sy);
    painter.translate(-printable.left() * kTwipsPerPoint, -printable.top() * kTwipsPerPoint);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setPen(QPen(Qt::black, kLineWidth));
    painter.setBrush(Qt::NoBrush);

    const int pages = int(layout.pages.size());
    for (int i = 0; i < pages; ++i) {
        if (i > 0 && !device.newPage()) {
            painter.end();
            return 0;
        }
        for (const PlacedControl &p : layout.pages.at(i).controls)
            paintControl(painter, p, report.Title, i + 1, pages);
    }
    return painter.end() ? pages : 0;
}

bool renderReportToPdf(const Report &report, const QString &path, QString *error)
{
    bool done = false;
    {
        QPdfWriter writer(path);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setTitle(report.Title);
        writer.setCreator(QStringLiteral("ORBITarsis"));
        done = renderReport(report, writer) > 0;
    }
    if (!done) {
        QFile::remove(path);
        if (error)
            *error = QStringLiteral("The report could not be written to %1.").arg(path);
    }
    return done;
}

void connectPreview(QPrintPreviewWidget &preview, std::shared_ptr<const Report> report)
{
    QObject::connect(&preview, &QPrintPreviewWidget::paintRequested, &preview,
                     [report](QPrinter *printer) { renderReport(*report, *printer); });
}

} // namespace orb
