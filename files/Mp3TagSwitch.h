#pragma once
// The switch the MP3 file layer reads before it renders an ID3v2 tag into a
// file; the settings copy their "Mp3EnableTag" value into it.
extern bool Mp3EnableTagSwitch;
