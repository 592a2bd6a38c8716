// Klevotrim.exe: only starts the program.
#include "app/Startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return klevotrim::app::RunKlevotrim(instance);
}
