#pragma once
// The application state every window and module shares: the header of the
// open configuration, the document flags, the message-box slots, one "loaded"
// flag per window and the serial-link flags. One instance lives for the
// whole process; appState() returns it.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace orb {

struct AppState {
    // Working database: full path of the file (the connection itself is
    // reached through BaseDatos() in ModBas.h).
    QString RutaBD;

    // Header of the open configuration, a copy of the first CONFCENTRAL row.
    qint16 IdCon = 0;
    QString NomCon;
    quint8 NumZon = 0;
    quint8 NumRel = 0;
    quint8 IniDia = 0;
    quint8 IniNit = 0;
    QString EtiIni;
    qint16 NumCenInfo = 0;

    // Document state.
    bool ConfCargada = false;   // a configuration is open
    bool ConfModif = false;     // it has changes not yet stored in a document
    bool ConfRecup = false;     // it was restored after an unclean end
    bool SavAsCancel = false;   // the last Save As was cancelled
    QString WorkingFile;        // full path of its document; empty when none
    QString WorkingName;        // title of that document
    double NumNuevas = 0;       // configurations created in this run

    // Message-box slots.
    QString Mensaje;
    QString MensajeAux;
    QString TituloMsg;
    bool MarksNotStoredShown = false;   // told that the settings cannot hold the marks
    // The marks could not be read at start-up while a working database was
    // there: it may hold the configuration of an unclean end, so it is not
    // replaced or deleted unasked.
    bool UnreadMarksKeepDatabase = false;

    // Loaded flags of the windows other code tests.
    bool FrmConfCargado = false;
    bool FrmZonCargado = false;
    bool FrmRelCargado = false;
    bool FrmLoadCargado = false;

    // Serial-link state.
    bool PuertoOk = false;      // the port was open when the last frame was to be written
    bool TimeOut = false;       // the reply timer fired during the current wait
    qint32 MaxProg = 0;         // maximum of the progress bar in one-relay transfers
    QByteArray EntradaRx;       // what the receive handler last read from the port
    QString ComSettings;        // "9600,N,8,1"
    bool ComEco = false;        // echo option of the open configuration
};

// The one application state of the process.
AppState &appState();

} // namespace orb
