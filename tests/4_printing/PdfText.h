#pragma once
// The text of a rendered PDF, read back with pdftotext (package
// poppler-utils, which scripts/setup installs).

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace orbtest {

// Whether pdftotext is installed; the reason when not.
inline bool popplerPresent(QString *error)
{
    if (!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        return true;
    *error = QStringLiteral("pdftotext is missing: the report tests read the PDF files with it; "
                            "install poppler-utils (scripts/setup does)");
    return false;
}

// The text of every page, laid out as printed; pages split at form feeds.
inline bool pdfPages(const QString &path, QStringList *pages, QString *error)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *error = QStringLiteral("pdftotext failed: ") + p.errorString() + QString::fromUtf8(p.readAllStandardError());
        return false;
    }
    *pages = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\f'));
    pages->removeAll(QString());
    return true;
}

} // namespace orbtest
