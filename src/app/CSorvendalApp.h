#pragma once

// The application object: its start-up builds the profile, the document template (document,
// main frame, 3D view) and the first document, and it handles the about box and the help.

#include "platform/framework/CWinApp.h"

class CSorvendalApp : public CWinApp {
public:
    CSorvendalApp();

    BOOL InitInstance() override;
    // While the movie plays or records.
    bool IsBusy() const override;
    void OnAppAbout();
    void OnHelpContents();
};

extern CSorvendalApp theApp;
