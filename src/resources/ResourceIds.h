#pragma once

// Resource identifiers shared by Halvex.rc and the code that loads the resources.
// Kept free of C++ so that the resource compiler can read it.

#define IDI_HALVEX 1

#define HALVEX_VERSION_MAJOR 2
#define HALVEX_VERSION_MINOR 0
#define HALVEX_VERSION_TEXT "2.0"
