#pragma once

// The application object: its start-up builds the profile, the document template (document,
// main frame, 3D view) and the first document, and it handles the about box and the help.

#include "platform/framework/CWinApp.h"

#include <memory>

class QTranslator;

class CSorvendalApp : public CWinApp {
public:
    CSorvendalApp();
    ~CSorvendalApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;
    // While the movie plays or records.
    bool IsBusy() const override;
    void OnAppAbout();
    void OnHelpContents();

private:
    void InstallQtTranslation();

    std::unique_ptr<QTranslator> m_pQtTranslator;
};

extern CSorvendalApp theApp;
