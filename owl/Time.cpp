// A new time value is the layer's clock at that moment, so a test's manual clock sets it too.
#include "owl/Time.h"

#include "platform/kernel/Clock.h"

namespace OWL {
TTime::TTime() : seconds_(platform::NowSeconds()) {}
}
