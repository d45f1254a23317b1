#pragma once
// The version resource of a module, read as About and the update check read it:
// product name, product version and copyright of its first translation.
#include <vector>

#include "platform/core/Types.h"

class ProjectRCVersion {
public:
    explicit ProjectRCVersion(HMODULE module);
    virtual ~ProjectRCVersion();
    ProjectRCVersion(const ProjectRCVersion&) = delete;
    ProjectRCVersion& operator=(const ProjectRCVersion&) = delete;

    // Each: false when the module has no usable version resource or lacks the item;
    // text then points into the version data and lives as long as this object.
    bool GetProductName(LPSTR& text);
    bool GetProductVersion(LPSTR& text);
    bool GetLegalCopyright(LPSTR& text);

private:
    bool GetItem(const char* name, LPSTR& text);

    std::vector<unsigned char> data;  // empty: no usable version resource
    DWORD translation = 0;            // language in the high word, code page in the low word
};
