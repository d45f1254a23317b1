// A menu item's text as a string, read through a buffer of 260 bytes.
#include "owl/Menu.h"

namespace OWL {
std::string TMenu::GetMenuString(UINT item, UINT flags) const
{
    char buf[260];
    const int n = ::GetMenuStringA(Handle, item, buf, sizeof buf, flags);
    return std::string(buf, static_cast<std::size_t>(n > 0 ? n : 0));
}
}
