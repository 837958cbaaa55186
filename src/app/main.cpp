#include "platform/ProgramFolder.h"
#include "platform/framework/CWinApp.h"

int main(int argc, char** argv) {
    RememberProgramStart(argc > 0 ? argv[0] : nullptr);
    return AfxWinMain(argc, argv);
}
