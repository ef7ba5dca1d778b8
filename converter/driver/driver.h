// The converter's command line and run sequence.
#pragma once

#include "converter/output/output.h"

// Fills convert_options from the arguments; prints the usage text and ends
// with status 1 when fewer than two arguments are given.
void ParseCommandLine(int argc, char** argv);
void PrintBanner();
// The whole conversion, from the banner to the closed map file. Gives 0.
int RunConverter(int argc, char** argv);
// Puts every global record of the converter back to its start state.
void ResetConverterState();
// The closing entity pass: objects, lights, speakers, exit, music, totals.
void RunEntityPass();
