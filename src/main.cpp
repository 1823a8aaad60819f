#include "QtSeams.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("ORBITarsis"));
    QApplication::setApplicationName(QStringLiteral("ORBITarsis"));
    orb::installQtSeams();
    return 0;
}
