#pragma once
// Every test program and benchmark works in folders of its own, however it
// is started (by ctest or by hand): before the application object is made,
// its start-up points the home folder and the data, settings, cache, state
// and runtime folders into a temporary folder that goes when the program
// ends. The working database, its marks, the settings and the instance lock
// all live there, never in the user's folders. The processes a test starts
// inherit them: a program started by a test program keeps its folders.
//
// ORB_TEST_MAIN and ORB_TEST_GUILESS_MAIN replace QTEST_MAIN and
// QTEST_GUILESS_MAIN; a main of a test's own makes a TestHome first.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>
#include <optional>

namespace orbtest {

class TestHome {
public:
    // The variable that hands the folders to the processes a test starts.
    static constexpr const char *kInherited = "ORBITARSIS_TEST_HOME";

    TestHome()
    {
        const QString inherited = qEnvironmentVariable(kInherited);
        if (!inherited.isEmpty() && QDir(inherited).exists())
            return;
        m_dir.emplace();
        if (!m_dir->isValid())
            qFatal("cannot make the test's own folders: %s", qPrintable(m_dir->errorString()));
        const QString root = m_dir->path();
        point("HOME", root);
        point("XDG_CONFIG_HOME", root + QStringLiteral("/config"));
        point("XDG_DATA_HOME", root + QStringLiteral("/data"));
        point("XDG_CACHE_HOME", root + QStringLiteral("/cache"));
        point("XDG_STATE_HOME", root + QStringLiteral("/state"));
        // Qt wants the runtime folder to be the user's alone.
        const QString runtime = root + QStringLiteral("/runtime");
        point("XDG_RUNTIME_DIR", runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(kInherited, QFile::encodeName(root));
        // Headless unless a platform is asked for.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    TestHome(const TestHome &) = delete;
    TestHome &operator=(const TestHome &) = delete;

private:
    static void point(const char *variable, const QString &folder)
    {
        QDir().mkpath(folder);
        qputenv(variable, QFile::encodeName(folder));
    }

    std::optional<QTemporaryDir> m_dir;
};

} // namespace orbtest

// A test's main with its own folders, then the application object QtTest's
// own main would make.
#define ORB_TEST_MAIN_WITH(Application, TestObject)                                                                \
    int main(int argc, char *argv[])                                                                               \
    {                                                                                                              \
        const orbtest::TestHome home;                                                                              \
        Application app(argc, argv);                                                                               \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                   \
        TestObject test;                                                                                           \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                 \
        return QTest::qExec(&test, argc, argv);                                                                    \
    }

#define ORB_TEST_MAIN(TestObject) ORB_TEST_MAIN_WITH(QApplication, TestObject)
#define ORB_TEST_GUILESS_MAIN(TestObject) ORB_TEST_MAIN_WITH(QCoreApplication, TestObject)
