// Entry point: hands control to the program's one application object.
#include <cstdlib>

#include "framework/App.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    CWinApp* app = CWinApp::Current();
    return app ? app->Main(instance, commandLine) : 1;
}

// The program never throws, so the run-time's verbose terminate handler (and the symbol
// demangler it drags in, a fifth of the executable) would be dead weight.
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    ::abort();
}
}  // namespace __gnu_cxx
