#include "owl/Time.h"

#include "platform/kernel/Clock.h"

namespace OWL {
TTime::TTime() : seconds_(platform::NowSeconds()) {}
}
