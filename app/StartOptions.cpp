// The process-wide start options.
#include "app/StartOptions.h"

TStartOptions StartOptions;
