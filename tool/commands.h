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

#include <QString>

#include <cstdio>
#include <initializer_list>
#include <map>
#include <string>

// Options of the form --name VALUE; flags listed in flagNames take no value. Answers false
// on an unknown option or a missing value.
bool readOptions(int argc, char **argv, std::initializer_list<const char *> valueNames,
                 std::initializer_list<const char *> flagNames, std::map<std::string, QString> &values);
// The usage of every command, on standard output for --help, else on standard error.
void printUsage(std::FILE *to);
