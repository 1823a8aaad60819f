#include "ModBas.h"

#include "AppState.h"
#include "ConfigTables.h"
#include "ConfigurationCheck.h"
#include "Schema.h"
#include "Seams.h"
#include "Strings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace orb {

namespace {

// SQLite's result code for a file that cannot be opened.
const QString kCantOpen = QStringLiteral("14");

DatabaseFileHook &databaseFileHook()
{
    static DatabaseFileHook hook;
    return hook;
}

// Removes one file that exists, telling the test seam first.
void removeFile(const QString &path)
{
    if (!QFileInfo::exists(path))
        return;
    if (databaseFileHook())
        databaseFileHook()("remove", path);
    QFile::remove(path);
}

// Error of the last failing step while a database is made, for the message
// that reports it: the engine's number and its text ("13 (database or disk
// is full)").
QString &failedStepCode()
{
    static QString code;
    return code;
}

bool failStep(const QSqlQuery &query)
{
    failedStepCode() = numberedError(query.lastError(), kSqliteError);
    qWarning("%s: %s", qPrintable(query.lastQuery().left(60)), qPrintable(query.lastError().text()));
    return false;
}

bool exec(QSqlDatabase &db, const QString &sql)
{
    QSqlQuery query(db);
    return query.exec(sql) || failStep(query);
}

bool createTable(const TableDef &table)
{
    QSqlDatabase db = BaseDatos();
    return exec(db, createTableSql(table));
}

// A value converted the way the header is read: the leading number of its
// text, rounded to the nearest integer, and within [low, high].
template <typename Int>
std::optional<Int> headerNumber(const QVariant &value)
{
    bool ok = false;
    const double number = std::nearbyint(leadingNumber(value, &ok));
    if (!ok || number < double(std::numeric_limits<Int>::min()) || number > double(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return Int(number);
}

template <typename Int>
void readNumber(const QVariant &value, Int &target)
{
    if (const auto number = headerNumber<Int>(value))
        target = *number;
}

void readText(const QVariant &value, QString &target)
{
    if (!value.isNull())
        target = value.toString();
}

} // namespace

QString dataFolder()
{
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/ORBITarsis");
    makeFolder(folder);
    return folder;
}

int makeFolder(const QString &path)
{
    const QString folder = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    struct stat entry {};
    if (::stat(QFile::encodeName(folder).constData(), &entry) == 0)
        return S_ISDIR(entry.st_mode) ? 0 : ENOTDIR;
    const QString parent = QFileInfo(folder).path();
    if (parent != folder) {
        if (const int code = makeFolder(parent))
            return code;
    }
    if (::mkdir(QFile::encodeName(folder).constData(), 0777) != 0 && errno != EEXIST)
        return errno;
    return 0;
}

QString workingDatabasePath() { return dataFolder() + QStringLiteral("/Vuvurov") + QStringLiteral(".mdb"); }

QSqlDatabase BaseDatos()
{
    const QString name = QString::fromLatin1(kWorkingConnection);
    if (QSqlDatabase::contains(name))
        return QSqlDatabase::database(name, false);
    return QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
}

bool probeDatabase(QSqlDatabase &db, QString *errorCode, QString *errorText)
{
    QSqlQuery query(db);
    if (query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) && query.next())
        return true;
    if (errorCode)
        *errorCode = errorCodeOf(query.lastError());
    if (errorText)
        *errorText = query.lastError().text();
    return false;
}

QStringList journalsOf(const QString &path)
{
    return {path + QStringLiteral("-journal"), path + QStringLiteral("-wal"), path + QStringLiteral("-shm")};
}

bool journalsAreFiles(const QString &path)
{
    const QStringList journals = journalsOf(path);
    return std::none_of(journals.cbegin(), journals.cend(), [](const QString &journal) {
        const QFileInfo info(journal);
        return info.exists() && !info.isFile();
    });
}

void removeDatabaseFile(const QString &path)
{
    for (const QString &journal : journalsOf(path))
        removeFile(journal);
    removeFile(path);
}

bool renameFile(const QString &from, const QString &to)
{
    if (databaseFileHook() && QFileInfo::exists(from))
        databaseFileHook()("rename", from);
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool replaceDatabaseFile(const QString &from, const QString &to)
{
    for (const QString &journal : journalsOf(to))
        removeFile(journal);
    return renameFile(from, to);
}

int syncPath(const QString &path, bool directory)
{
    announceFileStep("sync", path);
    const int fd = ::open(QFile::encodeName(path).constData(),
                          (directory ? O_RDONLY | O_DIRECTORY : O_RDONLY) | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int result = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return result;
}

void setDatabaseFileHook(DatabaseFileHook hook) { databaseFileHook() = std::move(hook); }

void announceFileStep(const char *operation, const QString &path)
{
    if (databaseFileHook())
        databaseFileHook()(operation, path);
}

void showDatabaseFailure(const QString &path, const QString &errorCode)
{
    AppState &s = appState();
    const QString lf2 = QStringLiteral("\n\n");
    s.MensajeAux = Str(1001) + path + Str(1) + lf2 + errorCode + lf2 + Str(1002);
    MsgBox(s.MensajeAux, MsgOk);
}

double leadingNumber(const QVariant &value, bool *ok)
{
    if (ok)
        *ok = !value.isNull() && value.isValid();
    if (value.isNull() || !value.isValid())
        return 0;
    const QString text = value.toString();
    qsizetype i = 0;
    while (i < text.size() && (text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('\t')))
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        ++i;
    const qsizetype digitsStart = i;
    while (i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128)
        ++i;
    bool digits = i > digitsStart;
    if (i < text.size() && text.at(i) == QLatin1Char('.')) {
        const qsizetype fractionStart = ++i;
        while (i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128)
            ++i;
        digits = digits || i > fractionStart;
    }
    if (!digits)
        return 0;
    return text.mid(start, i - start).toDouble();
}

bool Create_DB()
{
    AppState &s = appState();
    s.RutaBD = workingDatabasePath();
    Close_DB();
    removeDatabaseFile(s.RutaBD);

    QSqlDatabase db = BaseDatos();
    db.setDatabaseName(s.RutaBD);
    QString code;
    QString text;
    if (!db.open()) {
        showDatabaseFailure(s.RutaBD, numberedError(db.lastError(), kSqliteCantOpen));
        return false;
    }
    if (!probeDatabase(db, &code, &text)) {
        db.close();
        showDatabaseFailure(s.RutaBD, numberedError(code.toInt(), text));
        return false;
    }

    // One transaction: the new database holds every table and lookup row, or
    // nothing is left behind. Each failure is reported with the engine's
    // number and text: a full disk is named as such.
    db.transaction();
    failedStepCode().clear();
    const bool made = Create_TabDiaNit() && Create_TabTipRel() && Create_TabConfCentral() && Create_TabConfZonas()
                      && Create_TabConfReles() && Create_TabImpConfReles() && Fill_TabTipos()
                      && exec(db, QStringLiteral("COMMIT"));
    if (!made) {
        code = failedStepCode().isEmpty() ? numberedError(db.lastError(), kSqliteError) : failedStepCode();
        db.rollback();
        db.close();
        removeDatabaseFile(s.RutaBD);
        showDatabaseFailure(s.RutaBD, code);
        return false;
    }
    db.close();
    return true;
}

bool Create_TabDiaNit() { return createTable(tabDiaNit()); }
bool Create_TabTipRel() { return createTable(tabTipRel()); }
bool Create_TabConfCentral() { return createTable(tabConfCentral()) && createTable(tabImpConfCentral()); }
bool Create_TabConfZonas() { return createTable(tabConfZonas()); }
bool Create_TabConfReles() { return createTable(tabConfReles()); }
bool Create_TabImpConfReles() { return createTable(tabImpConfReles()); }

bool Fill_TabTipos()
{
    QSqlDatabase db = BaseDatos();
    struct Row {
        int tip;
        QString name;
    };
    const auto fill = [&db](const QString &table, std::initializer_list<Row> rows) {
        if (!exec(db, QStringLiteral("DELETE FROM ") + table))
            return false;
        QSqlQuery insert(db);
        if (!insert.prepare(QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (TIP, NOMTIP) VALUES (?, ?)")))
            return failStep(insert);
        for (const Row &row : rows) {
            insert.bindValue(0, double(row.tip));
            insert.bindValue(1, row.name);
            if (!insert.exec())
                return failStep(insert);
        }
        return true;
    };
    return fill(QStringLiteral("DIANIT"), {{0, Str(4915)}, {1, Str(4916)}, {2, Str(4917)}})
           && fill(QStringLiteral("TIPREL"), {{0, Str(4918)}, {6, Str(4919)}, {10, Str(4920)}, {16, Str(4921)},
                                              {32, Str(4922)}, {128, Str(4923)}});
}

OpenResult Open_Conf()
{
    AppState &s = appState();
    s.RutaBD = workingDatabasePath();
    Close_DB();

    if (!QFileInfo(s.RutaBD).isFile()) {
        showDatabaseFailure(s.RutaBD, kCantOpen);
        return OpenResult::Failed;
    }
    if (!journalsAreFiles(s.RutaBD)) {
        showDatabaseFailure(s.RutaBD, numberedError(kSqliteCantOpen, Str(9021)));
        return OpenResult::Failed;
    }
    QSqlDatabase db = BaseDatos();
    db.setDatabaseName(s.RutaBD);
    QString code;
    if (!db.open()) {
        showDatabaseFailure(s.RutaBD, errorCodeOf(db.lastError()));
        return OpenResult::Failed;
    }
    if (!probeDatabase(db, &code)) {
        db.close();
        showDatabaseFailure(s.RutaBD, code);
        return OpenResult::Failed;
    }

    const std::optional<QSqlRecord> conf = generalRow();
    if (!conf) {
        s.MensajeAux = Str(120);
        MsgBox(s.MensajeAux, MsgOk);
        return OpenResult::NoRow;
    }
    readText(conf->value(QStringLiteral("NOMCON")), s.NomCon);
    readNumber(conf->value(QStringLiteral("IDCON")), s.IdCon);
    readNumber(conf->value(QStringLiteral("NUMZON")), s.NumZon);
    readNumber(conf->value(QStringLiteral("NUMREL")), s.NumRel);
    readNumber(conf->value(QStringLiteral("INIDIA")), s.IniDia);
    readNumber(conf->value(QStringLiteral("ININIT")), s.IniNit);
    readText(conf->value(QStringLiteral("ETIINI")), s.EtiIni);
    return OpenResult::Opened;
}

void Close_DB()
{
    const QString name = QString::fromLatin1(kWorkingConnection);
    if (QSqlDatabase::contains(name))
        QSqlDatabase::database(name, false).close();
}

} // namespace orb
