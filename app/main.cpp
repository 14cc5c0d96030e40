#include "KLEntry.h"
#include "MarloStartup.h"

int main(int argc, char** argv) { return KL::ProgramEntry(argc, argv, &MarloStartup); }
