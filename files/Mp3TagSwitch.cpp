// The ID3v2 tag switch itself: on until the settings say otherwise.
#include "files/Mp3TagSwitch.h"

bool Mp3EnableTagSwitch = true;
