// The program's version resource: product name, the build's version and the copyright line.
#include "platform/kernel/VersionInfo.h"
#include "resources/Resources.h"

namespace resources {
void RegisterVersion()
{
    platform::VersionResource v;
    v.strings = {{"ProductName", "Tapvox"}, {"ProductVersion", TAPVOX_VERSION}, {"LegalCopyright", "Copyright (C) Fennwicke"}};
    platform::SetVersionResource(v);
}
}
