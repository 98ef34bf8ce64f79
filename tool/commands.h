#pragma once

// Each command takes the arguments after its name and returns the exit status.
int runDump(int argc, char **argv);
int runText(int argc, char **argv);
int runSend(int argc, char **argv);
int runCollect(int argc, char **argv);
int runCheck(int argc, char **argv);
int runAddress(int argc, char **argv);
int runSettings(int argc, char **argv);
int runRepair(int argc, char **argv);
int runOffice(int argc, char **argv);

#include <cstdio>
// The usage of every command, on standard output for --help, else on standard error.
void printUsage(std::FILE *to);
