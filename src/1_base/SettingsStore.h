#pragma once
// The per-user settings store: $XDG_CONFIG_HOME/ORBITarsis/ORBITarsis.conf.
// The marks of an open configuration live in its group "Properties"; the
// device behind each serial port number in its group "Ports".

#include <QSettings>
#include <memory>

namespace orb {

std::unique_ptr<QSettings> openSettingsStore();

} // namespace orb
