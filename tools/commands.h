// The subcommands of zarnith-host. Each takes the arguments after its own name
// and returns the process exit status; errors go to stderr as one line.
#pragma once

#include <string>

// The plug-in built with this tool, used when no path is given.
std::string defaultPluginPath();

int runInfo(int argc, char** argv);
int runRender(int argc, char** argv);
int runView(int argc, char** argv);
int runState(int argc, char** argv);
int runDiff(int argc, char** argv);
int runAutomationTemplate(int argc, char** argv);
int runValidate(int argc, char** argv);
