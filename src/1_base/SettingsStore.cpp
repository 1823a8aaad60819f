#include "SettingsStore.h"

namespace orb {

std::unique_ptr<QSettings> openSettingsStore()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("ORBITarsis"), QStringLiteral("ORBITarsis"));
}

} // namespace orb
