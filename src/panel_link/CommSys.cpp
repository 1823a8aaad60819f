#include "CommSys.h"

#include "AppState.h"
#include "MSComm.h"
#include "ModBas.h"
#include "Strings.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <cmath>

namespace orb {

namespace {

QString columnText(const QSqlQuery &query, const char *column)
{
    const QVariant value = query.value(QString::fromLatin1(column));
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
    QSqlDatabase db = BaseDatos();
    if (!db.isOpen())
        return false;
    QSqlQuery update(db);
    if (!update.prepare(QStringLiteral(
            "UPDATE CONFCENTRAL SET BAUD = ?, PAR = ?, DATBIT = ?, STPBIT = ?, PORT = ?, FLU = ?, ECO = ? "
            "WHERE rowid = (SELECT rowid FROM CONFCENTRAL LIMIT 1)")))
        return false;
    for (const QVariant &v : {QVariant(9600), QVariant(QStringLiteral("N")), QVariant(8), QVariant(1), QVariant(1),
                              QVariant(0), QVariant(0)})
        update.addBindValue(v);
    return update.exec();
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
    QSqlDatabase db = BaseDatos();
    if (!db.isOpen())
        return std::nullopt;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT * FROM CONFCENTRAL")) || !query.next())
        return std::nullopt;
    PortSettings s;
    s.PORT = columnText(query, "PORT");
    s.BAUD = columnText(query, "BAUD");
    s.PAR = columnText(query, "PAR");
    s.DATBIT = columnText(query, "DATBIT");
    s.STPBIT = columnText(query, "STPBIT");
    s.FLU = columnText(query, "FLU");
    s.ECO = columnText(query, "ECO");
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

    QSqlDatabase db = BaseDatos();
    if (!db.isOpen())
        return fail(Str(120));
    QSqlQuery update(db);
    if (!update.prepare(QStringLiteral(
            "UPDATE CONFCENTRAL SET PORT = ?, BAUD = ?, DATBIT = ?, STPBIT = ?, PAR = ?, FLU = ?, ECO = ? "
            "WHERE rowid = (SELECT rowid FROM CONFCENTRAL LIMIT 1)")))
        return fail(update.lastError().text());
    update.addBindValue(choice.portIndex + 1);
    update.addBindValue(baudValue);
    update.addBindValue(dataValue);
    update.addBindValue(stopValue);
    update.addBindValue(parity);
    update.addBindValue(choice.flowSel);
    update.addBindValue(s.ComEco ? -1 : 0);
    if (!update.exec())
        return fail(update.lastError().text());
    if (update.numRowsAffected() < 1)
        return fail(Str(120));
    return true;
}

} // namespace orb
