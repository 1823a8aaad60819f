#pragma once
// The port settings of a configuration: columns PORT, BAUD, PAR, DATBIT,
// STPBIT, FLU and ECO of the first CONFCENTRAL row, so they travel with every
// document. This is the logic behind the port-settings window and behind
// applying the settings to the serial port; no widgets.

#include <QString>
#include <optional>

namespace orb {

class MSComm;

// The PortSettings columns of the first CONFCENTRAL row, as texts the way
// they are joined into the settings text (a NULL column is empty).
struct PortSettings {
    QString PORT;
    QString BAUD;
    QString PAR;
    QString DATBIT;
    QString STPBIT;
    QString FLU;
    QString ECO;
    // "BAUD,PAR,DATBIT,STPBIT" joined without blanks.
    QString settingsText() const;
};

// The first CONFCENTRAL row's port settings; nullopt when no working
// database is open or it has no row.
std::optional<PortSettings> readPortSettings();

// Applies the stored settings to a closed port: settings text, port number
// and handshaking (each value the port refuses keeps the previous one), and
// ComEco from ECO. Without a readable row nothing changes. Does nothing when
// the port is open.
void applyPortSettings(MSComm &port);

// What the window shows for a settings text. Each part is empty when the
// text does not yield it (the window then leaves that control as it is).
struct CommSysView {
    std::optional<QString> baud;       // text of CmbBaud
    std::optional<int> parity;         // position in CmbParity; -1: none selected
    std::optional<QString> dataBits;   // text of CmbDataBits
    std::optional<QString> stopBits;   // text of CmbStopBits
    std::optional<int> port;           // position in CmbPort (-1: none)
    std::optional<int> flow;           // OpcFlow set on (FlowSel)
    int echo = 0;                      // OpcEcho set on: 1 active, 0 inactive
    bool defaults = false;             // nothing was stored: defaults shown and stored
};

// Takes a settings text apart by position, as it has always been read: with
// k = 2 when the text holds "." (stop bits "1.5") else 0 and L its length,
// the baud rate is the first L-6-k characters, the parity letter the one at
// position L-4-k (from 1; E, O, N, M, S in either case give list positions
// 0-4, any other selects nothing), the data bits the one at L-2-k and the
// stop bits the last k+1. A part whose position falls outside the text is
// left empty.
CommSysView parseComSettings(const QString &text);

// Fills the view for the open configuration: ComSettings and ComEco from the
// first CONFCENTRAL row; when ComSettings is neither empty nor "0,0,0,0" the
// parsed text with PORT, FLU and ECO; otherwise the defaults 9600, N, 8, 1,
// Com1, no handshaking, echo inactive, which are also stored into the row.
CommSysView Load_CommSys();

// The choices of the window when Save is pressed.
struct CommSysChoice {
    int portIndex = 0;      // CmbPort list position
    QString baud;           // CmbBaud text
    QString parity;         // CmbParity text ("N-None": its first letter is stored)
    QString dataBits;       // CmbDataBits text
    QString stopBits;       // CmbStopBits text
    int flowSel = 0;        // FlowSel
    int echoSel = 0;        // EchoSel: -1 active, 0 inactive
};

// Stores the choices into the first CONFCENTRAL row: PORT = position + 1,
// BAUD, DATBIT, STPBIT (a whole number: "1.5" stop bits are stored as 2),
// PAR = first letter of the parity text, FLU, ECO. Sets ComEco and
// ComSettings. All columns are stored or none: on failure returns false with
// the reason in *errorText and the row unchanged.
bool storeCommSys(const CommSysChoice &choice, QString *errorText);

} // namespace orb
