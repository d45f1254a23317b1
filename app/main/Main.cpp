#include <cstdio>

int main(int argc, char** argv)
{
    (void)argc;
    (void)argv;
    std::fprintf(stderr, "Tapvox: the recorder's window is not built yet; the recording-file library and its tests are.\n");
    return 0;
}
