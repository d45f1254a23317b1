// AboutDlg: its texts from the version resource over the template's own.
#include "app/main/AboutDlg.h"

#include "app/FormatString.h"
#include "app/ProjectRCVersion.h"
#include "app/WebAddress.h"
#include "controls/HotLink.h"
#include "owl/StandardControls.h"

namespace {
constexpr int kVersionText = 22001;
constexpr int kCopyrightText = 22002;
constexpr int kLink = 22006;
}

AboutDlg::AboutDlg(OWL::TWindow* parent)
    : OWL::TDialog(parent, kTemplate),
      address(WebAddress(MakerHomePage())),
      versionText(new OWL::TStatic(this, kVersionText)),
      copyrightText(new OWL::TStatic(this, kCopyrightText))
{
    // A child of the dialog, which deletes it.
    new THotLink(this, kLink, address.c_str());
}

void AboutDlg::SetupWindow()
{
    OWL::TDialog::SetupWindow();
    // Without a version resource the template's texts stay.
    ProjectRCVersion version(nullptr);
    LPSTR name = nullptr;
    LPSTR number = nullptr;
    if (version.GetProductName(name) && version.GetProductVersion(number)) {
        SetCaption(FormatString("About %s", name).c_str());
        const std::string own = versionText->GetText();
        versionText->SetText(FormatString("%s %s %s", name, own.c_str(), number).c_str());
    }
    LPSTR copyright = nullptr;
    if (version.GetLegalCopyright(copyright)) {
        copyrightText->SetText(copyright);
    }
}
