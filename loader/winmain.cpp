// Process entry of QTXILOAD.EXE. The command line and the show value are ignored.
#include "loader/loader.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return LoaderMain(instance);
}
