#include "ConfTransfers.h"

#include "AppState.h"
#include "Exchange.h"
#include "FrmComm.h"
#include "ModCom.h"
#include "Schema.h"
#include "Seams.h"
#include "Strings.h"
#include "Transfers.h"

namespace orb {

namespace {

constexpr int kItems = 5;

void startProgress(ProgressSink &progress)
{
    progress.setCaption(Str(473));
    progress.setLabel(Str(414));
    progress.setRange(kItems);
    progress.setValue(0);
}

// Ends the exchange after an item that did not go well.
void stopOn(Outcome outcome, ProgressSink &progress)
{
    if (outcome == Outcome::PortFailed)
        End_Comm(progress);
    else
        Err_Comm(progress);
}

void completed(ProgressSink &progress)
{
    progress.close();
    Comm_Completed();
    End_Comm(progress);
}

} // namespace

std::optional<PanelGeneral> readGeneralPart(ProgressSink &progress,
                                            const std::function<bool(const PanelGeneral &)> &keep)
{
    startProgress(progress);
    PanelGeneral read;
    struct Item {
        int address;
        int *target;
        int limit;
        QString message;
    };
    const Item bytes[] = {
        {AdrNumZon, &read.numZon, MaxZonas, Str(839)},
        {AdrNumRel, &read.numRel, MaxReles, Str(840)},
        {AdrIniDia, &read.iniDia, MaxHora, Str(841)},
        {AdrIniNit, &read.iniNit, MaxHora, Str(842)},
    };
    // A value the configuration cannot hold is refused, with the message
    // the field itself gives for it.
    const auto refused = [&](const Item &item) {
        End_Comm(progress);
        AppState &s = appState();
        s.TituloMsg = Str(109);
        s.Mensaje = item.message;
        MsgBox(s.Mensaje, MsgExclamation, s.TituloMsg);
        return std::nullopt;
    };
    Sequence line;
    int step = 0;
    for (const Item &item : bytes) {
        int *target = item.target;
        const Outcome outcome =
            line.exchange(readByte(item.address), true, MaxReint, [target](const QByteArray &data) { *target = byteOf(data); });
        if (outcome != Outcome::Ok) {
            stopOn(outcome, progress);
            return std::nullopt;
        }
        // Refused as it arrives, once the line has been watched: a value
        // pushed out of place is read again rather than refused.
        if (*item.target > item.limit) {
            if (const Outcome end = line.end(); end != Outcome::Ok) {
                stopOn(end, progress);
                return std::nullopt;
            }
            if (*item.target > item.limit)
                return refused(item);
        }
        progress.setValue(++step);
    }
    const Outcome outcome =
        line.exchange(readText(AreaAbs, AdrEtiIni), true, MaxReint, [&read](const QByteArray &data) { read.etiIni = labelOf(data); });
    if (outcome != Outcome::Ok) {
        stopOn(outcome, progress);
        return std::nullopt;
    }
    if (const Outcome end = line.end(); end != Outcome::Ok) {
        stopOn(end, progress);
        return std::nullopt;
    }
    // A value read again may be one the configuration cannot hold.
    for (const Item &item : bytes) {
        if (*item.target > item.limit)
            return refused(item);
    }
    progress.setValue(++step);
    // What cannot be stored has not been read into the configuration: no
    // "O.K." for it.
    if (!keep(read)) {
        End_Comm(progress);
        return std::nullopt;
    }
    completed(progress);
    return read;
}

bool writeGeneralPart(const PanelGeneral &values, ProgressSink &progress)
{
    startProgress(progress);
    const Builder items[kItems] = {
        writeByte(AdrNumZon, values.numZon), writeByte(AdrNumRel, values.numRel),
        writeByte(AdrIniDia, values.iniDia), writeByte(AdrIniNit, values.iniNit),
        writeText(AreaAbs, AdrEtiIni, values.etiIni),
    };
    Sequence line;
    for (int i = 0; i < kItems; ++i) {
        const Outcome outcome = line.exchange(items[i], false, MaxReint);
        if (outcome != Outcome::Ok) {
            stopOn(outcome, progress);
            return false;
        }
        progress.setValue(i + 1);
    }
    if (const Outcome end = line.end(); end != Outcome::Ok) {
        stopOn(end, progress);
        return false;
    }
    completed(progress);
    return true;
}

} // namespace orb
