#pragma once

#include <string>

// The folder of the running executable, ending with '/'. The WAV and TEXTURE folders, the
// help file and the model names stored in documents are resolved against it.
std::string GetProgramFolder();
