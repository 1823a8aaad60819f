#pragma once
// Reading back what a rendered PDF holds, through the poppler tools
// (package poppler-utils, which scripts/setup installs).

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace orbtest {

// Whether the tools that read the PDF files are installed; the reason when not.
inline bool popplerPresent(QString *error)
{
    for (const char *tool : {"pdftotext", "pdfimages"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty()) {
            *error = QLatin1String(tool) + QStringLiteral(" is missing: the report tests read the PDF files with it; "
                                                          "install poppler-utils (scripts/setup does)");
            return false;
        }
    }
    return true;
}

// Runs a poppler tool; its standard output, or false with the reason.
inline bool runPoppler(const QString &tool, const QStringList &arguments, QString *output, QString *error)
{
    QProcess p;
    p.start(tool, arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *error = tool + QStringLiteral(" failed: ") + p.errorString() + QString::fromUtf8(p.readAllStandardError());
        return false;
    }
    *output = QString::fromUtf8(p.readAllStandardOutput());
    return true;
}

// The text of every page, laid out as printed; pages split at form feeds.
inline bool pdfPages(const QString &path, QStringList *pages, QString *error)
{
    QString text;
    if (!runPoppler(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")}, &text, error))
        return false;
    *pages = text.split(QLatin1Char('\f'));
    pages->removeAll(QString());
    return true;
}

} // namespace orbtest
