#pragma once

// A small option scanner with the classic interface. It never permutes arguments: scanning stops
// at the first argument that is not an option, whatever the environment says, which the C
// library's own getopt on Linux does not guarantee.
namespace vardilo::platform {

extern char* optarg;
extern int optind;
extern int optopt;
extern int opterr;
// Set to 1 (together with optind = 1) to scan a new argument vector from its start.
extern int optreset;

int getopt(int argc, char* const argv[], const char* optstring);

}  // namespace vardilo::platform
