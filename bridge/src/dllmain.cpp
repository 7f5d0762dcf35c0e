// Loading and unloading the bridge set nothing up and tear nothing down: the validation
// library is loaded only on request and Java is not touched.
#include "loader.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
