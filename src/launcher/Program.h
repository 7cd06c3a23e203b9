#pragma once
#include "server/ServerText.h"  // RelaunchShowBase

// The program body after start-up; returns the exit code of a normal exit.
int RunProgram();
