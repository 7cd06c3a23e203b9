// The command-line modes the dispatcher routes to.
#pragma once
#include "launcher/CommandLine.h"

void DispatchCommandLine(const TCommandLine& args);

void RunRenameMode(const TCommandLine& args);    // "rename" source target
void RunDownsizeMode(const TCommandLine& args);  // "downsize" flag x16
void RunSplashMode(const TCommandLine& args);    // "splash" settings-file; returns only when not shown
void RunStampingModes(const TCommandLine& args); // "/setup", "/config", "/icon", "/splash"
