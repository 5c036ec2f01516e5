// Loads the DLL named on its command line the way a careless program would, by its bare name with
// the default search order, which looks in the program's own folder first. Beside a planted DLL it
// must end with the planted DLL's exit code; that is how the tests know the planting works.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    return 2;
  }
  return LoadLibraryW(argv[1]) != nullptr ? 0 : 3;
}
