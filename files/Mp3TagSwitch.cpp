#include "files/Mp3TagSwitch.h"

bool Mp3EnableTagSwitch = true;
