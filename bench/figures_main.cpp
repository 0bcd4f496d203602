// The one entry point of the figures program; every other file here only
// registers figures.
#include "figures.h"

int main(int argc, char** argv) { return bench::RunAll(argc, argv); }
