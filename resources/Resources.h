#pragma once
// The program's resources. Registration is explicit (call RegisterAll once at
// start-up, tests in their set-up): a static library would drop registration
// objects that nothing references.
namespace resources {
void RegisterAll();
void RegisterStrings();
void RegisterMenus();
void RegisterDialogs();
void RegisterPages();
void RegisterImages();
// The version strings About and the update check read.
void RegisterVersion();

// The main window's template name.
inline constexpr const char* kMainDialog = "IDD_TAPP";
}
