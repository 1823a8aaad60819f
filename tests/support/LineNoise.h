#pragma once
// Steady noise on the line: stray bytes just before every frame the program
// writes. The simulated panel alone cannot put them there: the program
// writes its next frame as soon as it has taken an answer, so noise the
// panel sends after an answer (NoiseAfter, even with no gap) arrives in the
// next frame's wait. Here the bytes go out from the program's own step
// before each write, and are on the PC's side when it looks at the line.

#include "FrmComm.h"
#include "PanelSim.h"

namespace orbtest {

// Until the line observer is set again (an empty one ends it).
inline void strayBeforeEveryFrame(orb::FrmComm &comm, orb::test::PanelSim &sim, int strays = 1)
{
    comm.setLineObserver([&sim, strays](orb::FrmComm::LineStep step) {
        if (step == orb::FrmComm::LineStep::BeforeWrite)
            sim.sendRaw(QByteArray(strays, orb::test::PanelSim::kStray));
    });
}

} // namespace orbtest
