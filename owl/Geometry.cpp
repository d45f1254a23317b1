// The named colours; the system ones are read once, when the program starts.
#include "owl/Geometry.h"

namespace OWL {
const TColor TColor::Black(0, 0, 0);
const TColor TColor::White(255, 255, 255);
const TColor TColor::LtGray(192, 192, 192);
const TColor TColor::Sys3dFace(GetSysColor(COLOR_3DFACE));
const TColor TColor::SysBtnText(GetSysColor(COLOR_BTNTEXT));
const TColor TColor::Sys3dShadow(GetSysColor(COLOR_BTNSHADOW));
const TColor TColor::Sys3dHilight(GetSysColor(COLOR_3DHILIGHT));
}
