// The settings file and the marks: a write on a nearly full disk never
// leaves the settings file shorter or empty (the marks then go beside the
// working database), and something other than a file in its place is left
// alone and never waited on. A hang here is bounded by the test's timeout.

#include "Marks.h"
#include "ScriptedBoxes.h"
#include "SettingsStore.h"
#include "Strings.h"
#include "TestConfiguration.h"
#include "TestHome.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace orb;
using namespace orbtest;

namespace {

const QByteArray kSettings = "[Ports]\nCom1=/dev/ttyUSB0\n\n[Properties]\nWorkingFile=/plans/Old.vcs\n"
                             "WorkingName=Old.vcs\n";

QByteArray native(const QString &path) { return QFile::encodeName(path); }

qint64 freeBytes(const QString &folder)
{
    struct statvfs disk {};
    return ::statvfs(native(folder).constData(), &disk) == 0 ? qint64(disk.f_bavail) * qint64(disk.f_frsize) : -1;
}

// Fills the disk of folder until `left` bytes (rounded down to whole pages)
// stay free.
bool fillDiskLeaving(const QString &folder, qint64 left)
{
    const int fd = ::open(native(folder + QStringLiteral("/filler")).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const QByteArray chunk(4096, 'f');
    bool ok = true;
    for (qint64 toWrite = freeBytes(folder) - left; ok && toWrite > 0;) {
        const ssize_t written = ::write(fd, chunk.constData(), size_t(std::min<qint64>(toWrite, chunk.size())));
        ok = written > 0;
        toWrite -= written;
    }
    ::close(fd);
    return ok;
}

// Removes whatever lies at path: a file, a link, a pipe or a folder.
void removeEntry(const QString &path)
{
    if (QFileInfo(path).isDir() && !QFileInfo(path).isSymLink())
        QDir(path).removeRecursively();
    else
        ::unlink(native(path).constData());
}

// The settings folder's entries but the filler, hidden ones included.
QStringList settingsFolderEntries()
{
    QStringList names = QDir(QFileInfo(settingsFilePath()).absolutePath())
                            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.removeAll(QStringLiteral("filler"));
    return names;
}

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void nearlyFullDiskNeverEmptiesTheSettingsFile_data();
    void nearlyFullDiskNeverEmptiesTheSettingsFile();
    void quickWritesOfTheSameSizeAreReadBack();
    void settingsFileInTheWayIsLeftAlone_data();
    void settingsFileInTheWayIsLeftAlone();

private:
    std::unique_ptr<ScriptedBoxes> m_boxes;
    std::unique_ptr<QTemporaryDir> m_dir;
    bool m_mounted = false;
};

void TestSettingsStore::init()
{
    appState() = AppState{};
    setCurrentLanguage(Language::English);
    const QString folder = QFileInfo(settingsFilePath()).absolutePath();
    ::umount2(native(folder).constData(), MNT_DETACH); // a mount an aborted run left
    removeEntry(settingsFilePath());
    removeEntry(marksBesideDatabasePath());
    QVERIFY(QDir().mkpath(folder));
    m_boxes = std::make_unique<ScriptedBoxes>();
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestSettingsStore::cleanup()
{
    m_boxes.reset();
    if (m_mounted)
        ::umount2(native(QFileInfo(settingsFilePath()).absolutePath()).constData(), MNT_DETACH);
    m_mounted = false;
    removeEntry(settingsFilePath());
    removeEntry(marksBesideDatabasePath());
    m_dir.reset();
}

void TestSettingsStore::nearlyFullDiskNeverEmptiesTheSettingsFile_data()
{
    QTest::addColumn<qint64>("left");   // bytes the settings folder's disk keeps free
    QTest::addColumn<bool>("emptied");  // the marks are emptied (Close) rather than set (New, Open)
    QTest::addColumn<bool>("stored");   // the settings file takes them
    QTest::newRow("full") << qint64(0) << false << false;
    QTest::newRow("one page free") << qint64(4096) << false << false;
    QTest::newRow("6 KB free") << qint64(6144) << false << false;
    QTest::newRow("one page free, marks emptied") << qint64(4096) << true << false;
    QTest::newRow("room enough") << qint64(32768) << false << true;
    QTest::newRow("room enough, marks emptied") << qint64(32768) << true << true;
}

void TestSettingsStore::nearlyFullDiskNeverEmptiesTheSettingsFile()
{
    QFETCH(qint64, left);
    QFETCH(bool, emptied);
    QFETCH(bool, stored);
    // The settings folder on a small disk of its own.
    const QString folder = QFileInfo(settingsFilePath()).absolutePath();
    if (::mount("tmpfs", native(folder).constData(), "tmpfs", 0, "size=64k,mode=0700") != 0)
        QSKIP(qPrintable(QStringLiteral("a small disk cannot be mounted here (it needs root): %1")
                             .arg(QString::fromLocal8Bit(std::strerror(errno)))));
    m_mounted = true;
    QVERIFY(writeFile(settingsFilePath(), kSettings));
    QVERIFY(QFile::setPermissions(settingsFilePath(), QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(fillDiskLeaving(folder, left));
    QVERIFY2(freeBytes(folder) <= left && freeBytes(folder) > left - 4096, qPrintable(QString::number(freeBytes(folder))));

    const WorkingMarks marks = emptied ? WorkingMarks{} : WorkingMarks{QStringLiteral("/plans/Hotel.vcs"),
                                                                       QStringLiteral("Hotel.vcs")};
    writeWorkingMarks(marks.file, marks.name);

    // The marks read back as written, from wherever they went, and nothing
    // the write made is left in the settings folder.
    QCOMPARE(readWorkingMarks().file, marks.file);
    QCOMPARE(readWorkingMarks().name, marks.name);
    QCOMPARE(settingsFolderEntries(), QStringList(QStringLiteral("ORBITarsis.conf")));
    const auto settings = openSettingsStore();
    QCOMPARE(settings->value(QStringLiteral("Ports/Com1")).toString(), QStringLiteral("/dev/ttyUSB0"));
    if (stored) {
        QCOMPARE(settings->value(QStringLiteral("Properties/WorkingFile")).toString(), marks.file);
        // The new file is the user's alone, as the old one was.
        struct stat file {};
        QVERIFY(::stat(native(settingsFilePath()).constData(), &file) == 0);
        QCOMPARE(file.st_mode & 0777, mode_t(0600));
        QVERIFY(!QFile::exists(marksBesideDatabasePath()));
        QCOMPARE(m_boxes->shown.size(), 0);
        return;
    }
    // No room: the settings file is as it was, every setting in it; the
    // marks are beside the working database, and an open configuration's
    // marks say so.
    QCOMPARE(fileBytes(settingsFilePath()), kSettings);
    QVERIFY(QFile::exists(marksBesideDatabasePath()));
    QCOMPARE(m_boxes->shown.size(), emptied ? 0 : 1);
    if (!emptied)
        QCOMPARE(m_boxes->shown.first().prompt, Str(9101) + settingsFilePath() + Str(9102));
}

void TestSettingsStore::quickWritesOfTheSameSizeAreReadBack()
{
    // On a disk that flushes at once, writes come within a millisecond of
    // each other; every reader still reads the last one, though each file
    // is as long as the one before.
    const QString folder = QFileInfo(settingsFilePath()).absolutePath();
    if (::mount("tmpfs", native(folder).constData(), "tmpfs", 0, "size=256k,mode=0700") != 0)
        QSKIP("a disk of its own cannot be mounted here (it needs root)");
    m_mounted = true;
    for (int i = 0; i < 200; ++i) {
        const QString name = QStringLiteral("Config%1").arg(i % 10);
        writeWorkingMarks(QStringLiteral("/plans/") + name, name);
        QCOMPARE(readWorkingMarks().name, name);
    }
}

void TestSettingsStore::settingsFileInTheWayIsLeftAlone_data()
{
    QTest::addColumn<QString>("kind");    // what lies where the settings file belongs
    QTest::addColumn<bool>("stored");     // the marks go into it
    QTest::addColumn<bool>("besideToo");  // a folder lies where the marks beside the working database belong
    QTest::newRow("pipe") << "pipe" << false << false;
    QTest::newRow("folder") << "folder" << false << false;
    QTest::newRow("link to nothing") << "dangling" << false << false;
    QTest::newRow("loop of links") << "loop" << false << false;
    QTest::newRow("link to a file") << "link" << true << false;
    QTest::newRow("pipe, and a folder beside the working database") << "pipe" << false << true;
}

void TestSettingsStore::settingsFileInTheWayIsLeftAlone()
{
    QFETCH(QString, kind);
    QFETCH(bool, stored);
    QFETCH(bool, besideToo);
    const QString path = settingsFilePath();
    if (besideToo)
        QVERIFY(QDir().mkpath(marksBesideDatabasePath()));
    const QString real = m_dir->filePath(QStringLiteral("real.conf"));
    if (kind == QLatin1String("pipe")) {
        QVERIFY(::mkfifo(native(path).constData(), 0600) == 0);
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == QLatin1String("dangling")) {
        QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("gone.conf")), path));
    } else if (kind == QLatin1String("loop")) {
        QVERIFY(QFile::link(path, path));
    } else {
        QVERIFY(writeFile(real, kSettings));
        QVERIFY(QFile::link(real, path));
    }
    struct stat before {};
    QVERIFY(::lstat(native(path).constData(), &before) == 0);

    writeWorkingMarks(QStringLiteral("/plans/Hotel.vcs"), QStringLiteral("Hotel.vcs"));

    // Whatever lies there stays as it was, of the same kind; the marks are
    // read back from where they went, and the message names the file.
    struct stat after {};
    QVERIFY(::lstat(native(path).constData(), &after) == 0);
    QCOMPARE(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
    if (besideToo) {
        // Neither file takes them, and the message says so of both, rather
        // than that they are kept.
        QCOMPARE(m_boxes->shown.size(), 1);
        QCOMPARE(m_boxes->shown.first().prompt,
                 Str(9043).arg(path, ownFileFaultText(kNotAFile), marksBesideDatabasePath(),
                               ownFileFaultText(EISDIR)));
        QVERIFY(!readWorkingMarks(nullptr));
        return;
    }
    QCOMPARE(readWorkingMarks().file, QStringLiteral("/plans/Hotel.vcs"));
    if (stored) {
        // Through the link into the real file, which keeps its settings.
        QCOMPARE(QFile::symLinkTarget(path), real);
        QSettings target(real, QSettings::IniFormat);
        QCOMPARE(target.value(QStringLiteral("Properties/WorkingName")).toString(), QStringLiteral("Hotel.vcs"));
        QCOMPARE(target.value(QStringLiteral("Ports/Com1")).toString(), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList(QStringLiteral("real.conf")));
        QCOMPARE(m_boxes->shown.size(), 0);
    } else {
        QVERIFY(QFile::exists(marksBesideDatabasePath()));
        QCOMPARE(m_boxes->shown.size(), 1);
        QVERIFY(m_boxes->shown.first().prompt.contains(path));
        QCOMPARE(settingsValue(QStringLiteral("Ports/Com1"), QStringLiteral("none")).toString(),
                 QStringLiteral("none"));
    }
}

ORB_TEST_GUILESS_MAIN(TestSettingsStore)
#include "test_settings_store.moc"
