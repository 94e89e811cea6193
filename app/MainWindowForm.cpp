// Compiles the generated form on its own, so that uic runs for this library and the header
// stands without further includes.
#include "app/MainWindowForm.h"
