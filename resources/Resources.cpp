// Every group of resources in one call: strings, menus, dialogs, property pages and images.
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
