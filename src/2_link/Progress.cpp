#include "Progress.h"

#include "AppState.h"
#include "FrmComm.h"
#include "Seams.h"
#include "Strings.h"

namespace orb {

QString exchangeMessageTitle() { return Str(414); }

void End_Comm(ProgressSink &progress)
{
    appState().PuertoOk = false;
    frmComm().Form_Unload();
    progress.close();
}

void Err_Comm(ProgressSink &progress)
{
    AppState &s = appState();
    progress.close();
    s.Mensaje = Str(405);
    MsgBox(s.Mensaje, MsgOkCancelExclamation, exchangeMessageTitle());
    End_Comm(progress);
}

void Comm_Completed()
{
    AppState &s = appState();
    s.Mensaje = Str(432);
    MsgBox(s.Mensaje, MsgOkCancelExclamation, exchangeMessageTitle());
}

} // namespace orb
