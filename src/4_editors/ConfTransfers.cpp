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

std::optional<PanelGeneral> readGeneralPart(ProgressSink &progress)
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
    int step = 0;
    for (const Item &item : bytes) {
        const Outcome outcome = exchange(readByte(item.address), true, MaxReint);
        if (outcome != Outcome::Ok) {
            stopOn(outcome, progress);
            return std::nullopt;
        }
        *item.target = byteReceived();
        // A value the configuration cannot hold is refused as it arrives,
        // with the message the field itself gives for it.
        if (*item.target > item.limit) {
            End_Comm(progress);
            AppState &s = appState();
            s.TituloMsg = Str(109);
            s.Mensaje = item.message;
            MsgBox(s.Mensaje, MsgExclamation, s.TituloMsg);
            return std::nullopt;
        }
        progress.setValue(++step);
    }
    const Outcome outcome = exchange(readText(AreaAbs, AdrEtiIni), true, MaxReint);
    if (outcome != Outcome::Ok) {
        stopOn(outcome, progress);
        return std::nullopt;
    }
    read.etiIni = labelReceived();
    if (const Outcome end = endOfSequence(); end != Outcome::Ok) {
        stopOn(end, progress);
        return std::nullopt;
    }
    progress.setValue(++step);
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
    for (int i = 0; i < kItems; ++i) {
        const Outcome outcome = exchange(items[i], false, MaxReint);
        if (outcome != Outcome::Ok) {
            stopOn(outcome, progress);
            return false;
        }
        progress.setValue(i + 1);
    }
    if (const Outcome end = endOfSequence(); end != Outcome::Ok) {
        stopOn(end, progress);
        return false;
    }
    completed(progress);
    return true;
}

} // namespace orb
