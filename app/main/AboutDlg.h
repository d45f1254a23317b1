#pragma once
// AboutDlg: the About box with the program's name, version and copyright from
// its version resource, and a link to the maker's web site.
#include <string>

#include "owl/Dialog.h"

namespace OWL {
class TStatic;
}
class AboutDlg : public OWL::TDialog {
public:
    static constexpr int kTemplate = 22000;

    explicit AboutDlg(OWL::TWindow* parent);

    void SetupWindow() override;

private:
    // The link keeps a pointer to its address, which lives as long as the dialog.
    std::string address;
    OWL::TStatic* versionText;
    OWL::TStatic* copyrightText;
};
