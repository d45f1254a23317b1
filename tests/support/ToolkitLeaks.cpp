// What the GUI toolkit and the libraries under it keep allocated for the
// process's lifetime (type registries, font caches, theme data): not ours to
// free, so the leak checker of the desktop test programs passes over it.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libgtk-3.so\n"
           "leak:libgdk-3.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\n"
           "leak:libgio-2.0.so\n"
           "leak:libfontconfig.so\n"
           "leak:libpango\n"
           "leak:libcairo.so\n"
           "leak:libharfbuzz.so\n"
           "leak:libwx_\n"
           "leak:libX11.so\n"
           "leak:libatk\n"
           "leak:libdbus\n";
}
