#pragma once
// Show commands of 6000 and more mark the relaunched instance; the rest is the
// show command the first launch was given.
constexpr int RelaunchShowBase = 6000;

// The program body after start-up; returns the exit code of a normal exit.
int RunProgram();
