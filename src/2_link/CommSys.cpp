#include "CommSys.h"

#include "AppState.h"
#include "ConfigTables.h"
#include "MSComm.h"
#include "ModBas.h"
#include "Strings.h"

#include <QSqlError>
#include <QSqlRecord>
#include <QVariant>
#include <cmath>

namespace orb {

namespace {

QString columnText(const QSqlRecord &row, const char *column)
{
    const QVariant value = row.value(QString::fromLatin1(column));
    return value.isNull() ? QString() : value.toString();
}

int columnNumber(const QString &text)
{
    return int(std::nearbyint(leadingNumber(text)));
}

// The default settings stored the first time a configuration's port
// settings are looked at.
bool storeDefaults()
{
    return BaseDatos().isOpen()
           && updateGeneralRow({{"BAUD", 9600}, {"PAR", QStringLiteral("N")}, {"DATBIT", 8}, {"STPBIT", 1},
                                {"PORT", 1}, {"FLU", 0}, {"ECO", 0}});
}

// A whole number for an Integer column from a text, rounded half to even;
// false when the text holds no number or it does not fit.
bool integerColumn(const QString &text, int *value)
{
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return false;
    const double whole = std::nearbyint(number);
    if (whole < -32768 || whole > 32767)
        return false;
    *value = int(whole);
    return true;
}

} // namespace

QString PortSettings::settingsText() const
{
    return BAUD + QLatin1Char(',') + PAR + QLatin1Char(',') + DATBIT + QLatin1Char(',') + STPBIT;
}

std::optional<PortSettings> readPortSettings()
{
    if (!BaseDatos().isOpen())
        return std::nullopt;
    const std::optional<QSqlRecord> row = generalRow();
    if (!row)
        return std::nullopt;
    PortSettings s;
    s.PORT = columnText(*row, "PORT");
    s.BAUD = columnText(*row, "BAUD");
    s.PAR = columnText(*row, "PAR");
    s.DATBIT = columnText(*row, "DATBIT");
    s.STPBIT = columnText(*row, "STPBIT");
    s.FLU = columnText(*row, "FLU");
    s.ECO = columnText(*row, "ECO");
    return s;
}

void applyPortSettings(MSComm &port)
{
    if (port.PortOpen())
        return;
    const std::optional<PortSettings> stored = readPortSettings();
    if (!stored)
        return;
    port.setSettings(stored->settingsText());
    port.setCommPort(columnNumber(stored->PORT));
    port.setHandshaking(columnNumber(stored->FLU));
    appState().ComEco = columnNumber(stored->ECO) != 0;
}

CommSysView parseComSettings(const QString &text)
{
    CommSysView view;
    const int k = text.contains(QLatin1Char('.')) ? 2 : 0;
    const int length = int(text.size());
    // Character at a position counted from 1; empty past the end, nothing
    // before the start.
    const auto charAt = [&text, length](int position) -> std::optional<QString> {
        if (position < 1)
            return std::nullopt;
        return position <= length ? QString(text.at(position - 1)) : QString();
    };

    if (length - 6 - k >= 0)
        view.baud = text.left(length - 6 - k);
    if (const auto letter = charAt(length - 4 - k)) {
        static const QString letters = QStringLiteral("EONMS");
        const qsizetype index = letter->isEmpty() ? -1 : letters.indexOf(letter->toUpper());
        view.parity = int(index);
    }
    view.dataBits = charAt(length - 2 - k);
    view.stopBits = text.right(k + 1);
    return view;
}

CommSysView Load_CommSys()
{
    AppState &s = appState();
    const std::optional<PortSettings> stored = readPortSettings();
    s.ComSettings = stored ? stored->settingsText() : QString();
    if (stored)
        s.ComEco = columnNumber(stored->ECO) != 0;

    if (!s.ComSettings.isEmpty() && s.ComSettings != QLatin1String("0,0,0,0")) {
        CommSysView view = parseComSettings(s.ComSettings);
        const int port = columnNumber(stored->PORT) - 1;
        if (port >= -1 && port <= 3)
            view.port = port;
        const int flow = columnNumber(stored->FLU);
        if (flow >= 0 && flow <= 3)
            view.flow = flow;
        view.echo = s.ComEco ? 1 : 0;
        return view;
    }

    CommSysView view;
    view.baud = QStringLiteral("9600");
    view.parity = 2;
    view.dataBits = QStringLiteral("8");
    view.stopBits = QStringLiteral("1");
    view.port = 0;
    view.flow = 0;
    view.echo = 0;
    view.defaults = true;
    storeDefaults();
    return view;
}

bool storeCommSys(const CommSysChoice &choice, QString *errorText)
{
    AppState &s = appState();
    s.ComEco = choice.echoSel != 0;

    const QString baud = choice.baud.trimmed();
    // Never null: no parity chosen is an empty letter, which the column
    // refuses.
    const QString parity = QLatin1String("") + choice.parity.left(1);
    const QString dataBits = choice.dataBits.trimmed();
    const QString stopBits = choice.stopBits.trimmed();
    s.ComSettings = baud + QLatin1Char(',') + parity + QLatin1Char(',') + dataBits + QLatin1Char(',') + stopBits;

    const auto fail = [errorText](const QString &text) {
        if (errorText)
            *errorText = text;
        return false;
    };
    int baudValue = 0;
    if (!integerColumn(baud, &baudValue))
        return fail(Str(120) + QStringLiteral("\n\n") + baud);
    const int dataValue = int(std::nearbyint(leadingNumber(dataBits)));
    const int stopValue = int(std::nearbyint(leadingNumber(stopBits)));

    if (!BaseDatos().isOpen())
        return fail(Str(120));
    QSqlError error;
    if (!updateGeneralRow({{"PORT", choice.portIndex + 1},
                           {"BAUD", baudValue},
                           {"DATBIT", dataValue},
                           {"STPBIT", stopValue},
                           {"PAR", parity},
                           {"FLU", choice.flowSel},
                           {"ECO", s.ComEco ? -1 : 0}},
                          &error))
        return fail(isNoRowError(error) ? Str(120) : databaseErrorText(error));
    return true;
}

} // namespace orb
