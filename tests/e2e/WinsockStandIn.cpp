// A stand-in for the system's socket DLL whose start-up always fails, so that a test can show
// what the program does when the socket layer cannot be started. Nothing else is ever called;
// each export still takes its real arguments, so a call would not unbalance the stack.
#include <windows.h>

namespace {

const int kSystemNotReady = 10091;  // WSASYSNOTREADY

}  // namespace

extern "C" {

int __stdcall StandInStartup(WORD, void*) { return kSystemNotReady; }
int __stdcall StandInLastError() { return kSystemNotReady; }
void __stdcall StandInSetLastError(int) {}
int __stdcall StandInNoArguments() { return -1; }
int __stdcall StandInOneArgument(UINT_PTR) { return -1; }
int __stdcall StandInTwoArguments(UINT_PTR, UINT_PTR) { return -1; }
int __stdcall StandInThreeArguments(UINT_PTR, UINT_PTR, UINT_PTR) { return -1; }
int __stdcall StandInFourArguments(UINT_PTR, UINT_PTR, UINT_PTR, UINT_PTR) { return -1; }
int __stdcall StandInFiveArguments(UINT_PTR, UINT_PTR, UINT_PTR, UINT_PTR, UINT_PTR) { return 0; }
void* __stdcall StandInNoHost(const char*) { return nullptr; }

}
