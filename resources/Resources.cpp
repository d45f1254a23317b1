#include "resources/Resources.h"

namespace resources {
void RegisterAll()
{
    RegisterStrings();
    RegisterMenus();
    RegisterDialogs();
    RegisterPages();
    RegisterImages();
    RegisterVersion();
}
}
