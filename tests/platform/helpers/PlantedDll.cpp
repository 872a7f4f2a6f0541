// A DLL that stands for one an attacker drops beside the program or in its current directory under a
// system DLL's name. The tests copy it under such names; its export tells it apart from the real one.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

extern "C" __declspec(dllexport) int HalvexPlantedMarker()
{
    return 1;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
