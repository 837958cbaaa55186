#pragma once

#include <string>

// The folder of the running executable, ending with '/'. The WAV and TEXTURE folders, the
// help file and the model names stored in documents are resolved against it. It is read from
// /proc; where /proc is not mounted, it is the folder that RememberProgramStart found.
std::string GetProgramFolder();

// Finds the program's folder from the name that the program was started by (argv[0]), for
// where /proc is not mounted. Called at start-up, while the current folder and PATH are still
// those the program was started with.
void RememberProgramStart(const char* argv0);

// The folder, ending with '/', of the program file that a command name starts, links
// resolved: a name with a slash names it, relative to `currentFolder`; a name without one is
// looked up along `searchPath` (PATH's value) as the shell does, for the first executable
// regular file of that name. `currentFolder` when there is none.
std::string FindProgramFolder(const std::string& argv0, const std::string& searchPath,
                              const std::string& currentFolder);
