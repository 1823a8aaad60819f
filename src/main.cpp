// ORBITarsis: programs the conventional fire-alarm control panel from the PC
// on its serial port.

#include "FrmMain.h"
#include "FrmWel.h"
#include "Icons.h"
#include "InstanceLock.h"
#include "PrintDialog.h"
#include "QtSeams.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("ORBITarsis"));
    QApplication::setApplicationName(QStringLiteral("ORBITarsis"));
    // No display name: the desktop would add it to every window title
    // ("... - ORBITarsis"), and the titles are the program's own texts.
    QApplication::setWindowIcon(orb::programIcon());
    // The buttons of message boxes and file dialogs speak the desktop's
    // language, as the program's own texts do (when Qt's texts are there).
    QTranslator qtTexts;
    if (qtTexts.load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    orb::installQtSeams();
    orb::installPrintDialog();

    // One running copy per user: two would share one working database.
    orb::InstanceLock lock;
    if (!orb::acquireInstanceLock(lock))
        return 1;

    orb::FrmMain mainWindow;
    orb::FrmWel splash(mainWindow);
    splash.start();
    return app.exec();
}
